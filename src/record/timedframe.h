#pragma once
// A frame the line log holds with when it was sent; a saved script turns the gaps between
// them into waits (script/scriptwriter.h).

#include "protocol/protocol.h"

namespace record
{

struct TimedFrame {
    proto::Frame bytes;
    double atMs = 0; // when it was sent, on any clock that runs in milliseconds
};

} // namespace record
