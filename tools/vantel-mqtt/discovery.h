#pragma once
// Home Assistant's MQTT discovery: one retained config message per entity, under
// PREFIX/<component>/NAME/<object>/config, each JSON object naming the bridge's topics
// (topics.h), a unique_id, the availability topic and the one device all of them belong to.
//
//   text           row_1 .. row_4     command_topic, state_topic, max 20
//   button         clear              command_topic
//   light          backlight          command and state topics for on/off and brightness,
//                                     brightness_scale 250
//   event          keypad             state_topic, event_types key_1 .. key_16
//   binary_sensor  input_1 .. input_8 state_topic (general I/O mode)
//   sensor         analog_1, analog_2 state_topic
//
// In keypad mode the eight inputs' config topics get an empty retained payload instead,
// which removes input entities left behind by an earlier run in general I/O mode.

#include <vector>

#include <QByteArray>
#include <QString>

#include "topics.h"

namespace mqttbridge
{

struct DiscoveryIdentity {
    QString name;   // NAME: the node in the config topics, the device's name
    QString prefix; // homeassistant
    Topics topics;
    bool keypad = false;
    QString version; // the bridge's, as the device's software version
};

struct RetainedMessage {
    QString topic;
    QByteArray payload;
};

std::vector<RetainedMessage> discoveryMessages(const DiscoveryIdentity &identity);

} // namespace mqttbridge
