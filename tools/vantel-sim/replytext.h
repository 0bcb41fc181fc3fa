#pragma once
// The log line of a reply the virtual module sends, in the words the utility will read it
// with: "FA 01 F4  analog input 1 reading 500".

#include <QString>

#include "link/replydecoder.h"

namespace simtool
{

QString replyLogLine(const Reply &reply, P2Mode mode);

} // namespace simtool
