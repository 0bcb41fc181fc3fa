#pragma once
// The system's serial ports, for a Device=COMn that neither the environment nor the port map
// names: the terminals the kernel lists with a device behind them, in the order the COM
// numbers follow (ports/portresolver.h). The utility asks the serial port library for the
// same list; the driver reads it from sysfs so that LCDd loads nothing of Qt but its core.

#include <QStringList>

namespace lcdd
{

// Names as /dev has them (ttyUSB0, ttyS0), in any order.
QStringList systemPortNames();

} // namespace lcdd
