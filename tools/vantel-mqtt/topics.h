#pragma once
// The bridge's topics under its base B = vantel/NAME. Commands come in on the .../set
// topics (commands.h); states go out retained, events (keys) not.
//
//   B/availability                 online / offline (also the broker's last will)
//   B/row/N, B/row/N/set           N 1-4; a blank row is the empty payload
//   B/clear/set
//   B/backlight, B/backlight/set   ON / OFF
//   B/backlight/brightness[/set]   0-250
//   B/message/set                  1-20
//   B/key                          {"event_type":"key_K"}, K 1-16, when key K goes down
//   B/input/N                      ON / OFF, N 1-8
//   B/analog/N                     the reading, N 1-2

#include <QString>
#include <QStringList>

namespace mqttbridge
{

struct Topics {
    QString base; // vantel/NAME

    QString at(const QString &path) const { return base + QLatin1Char('/') + path; }
    QString availability() const { return at(QStringLiteral("availability")); }
    QString row(int number) const { return at(QStringLiteral("row/%1").arg(number)); }
    QString rowSet(int number) const { return row(number) + QStringLiteral("/set"); }
    QString clearSet() const { return at(QStringLiteral("clear/set")); }
    QString backlight() const { return at(QStringLiteral("backlight")); }
    QString backlightSet() const { return backlight() + QStringLiteral("/set"); }
    QString brightness() const { return at(QStringLiteral("backlight/brightness")); }
    QString brightnessSet() const { return brightness() + QStringLiteral("/set"); }
    QString messageSet() const { return at(QStringLiteral("message/set")); }
    QString key() const { return at(QStringLiteral("key")); }
    QString input(int number) const { return at(QStringLiteral("input/%1").arg(number)); }
    QString analog(int number) const { return at(QStringLiteral("analog/%1").arg(number)); }
    // Every command topic and none of the states the bridge publishes itself.
    QStringList commandFilters() const
    {
        return {at(QStringLiteral("+/set")), at(QStringLiteral("row/+/set")), brightnessSet()};
    }
};

} // namespace mqttbridge
