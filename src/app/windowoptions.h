#pragma once
// The window's own options for the person using it, kept beside their port map (in the
// folder of ports::portMapPath(), as window.conf), never in vantel.ini: that file holds the
// module's settings, and moves with the program.
//
//     [Connection]
//     Reconnect=1
//
// A missing file or key is the default, off. A write that fails is silent, as settings
// writes are: the option still holds for this run.

#include <QString>

namespace windowoptions
{

QString path();

bool reconnect();
void setReconnect(bool on);

} // namespace windowoptions
