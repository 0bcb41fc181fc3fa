#pragma once
// The one check of a device name, wherever a person names one: a line of the port map,
// VANTEL_COM<n> in the environment, vantelctl's --port, LCDd's Device. A NUL or any other
// control character names no device or address (a map line saved with one, a variable set
// by a script gone wrong); such a name is refused where it is read, so nothing below (the
// serial port library builds its lock file's name from it) ever sees it.

#include <QString>
#include <QStringView>

namespace ports
{

// Why `device` cannot name a device, or empty when it can:
//   'PTY\x00junk' holds the control character \x00
// The name is shown with each control character as \xHH, so the words are safe on a
// terminal or in a dialog.
QString deviceNameProblem(QStringView device);

} // namespace ports
