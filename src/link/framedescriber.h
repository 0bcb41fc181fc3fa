#pragma once
// One line of plain words for a frame the module received, for the virtual module's log:
// FE 32 03 13 reads "set cursor row 3 column 19". Frames the module ignores say so and why.

#include <string>

#include "link/protocol.h"

namespace proto
{

std::string describeFrame(const proto::Frame &frame);

} // namespace proto
