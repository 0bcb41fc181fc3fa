#pragma once
// What a script or a command line turns into, before anything is sent: a flat list of steps
// the runner (runner.h) plays in order. Parsing finds every error first, so a list of steps
// is always whole and valid.
//
//   Send     one frame, written to the port as it stands
//   Wait     a pause of `ms` milliseconds
//   Await    the reply a request asked for (an analog reading, the store acknowledgement),
//            accepted from the moment the step `since` began; the run fails after `ms`
//   Listen   print replies as they arrive: `count` of them, or (0) until stopped; with
//            `reconnect` across a loss of the line, until it is back

#include <QString>

#include "protocol/protocol.h"
#include "protocol/replydecoder.h"

namespace script
{

// Where a step came from: "lights.vtl" line 4, or command 2 of the command line (line 0).
struct Origin {
    QString source; // the script's name as given, or empty for the command line
    int line = 0;
    QString text; // the line or command as written, for logs and messages

    // "lights.vtl:4", or "" for the command line.
    QString where() const;
};

struct Step {
    enum class Kind { Send, Wait, Await, Listen };
    enum class Awaited { Analog1, Analog2, SaveAck };
    enum class Format { Text, Json };

    Kind kind = Kind::Send;
    proto::Frame frame; // Send
    int ms = 0;         // Wait: the pause; Await: how long to wait for the reply
    Awaited awaited = Awaited::Analog1;
    int since = 0;      // Await: index of the step whose frame asked for the reply
    bool print = false; // Await: print the reading
    int count = 0;      // Listen: replies to print, 0 for no limit
    Format format = Format::Text;
    proto::P2Mode mode = proto::P2Mode::Gpio; // Listen: how to read status replies
    bool reconnect = false;                   // Listen: a lost line is waited for
    Origin origin;
};

} // namespace script
