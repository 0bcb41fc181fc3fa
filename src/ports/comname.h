#pragma once
// The one reader of "COMn", wherever a person names a port: vantelctl's --port, a line of
// the port map, LCDd's Device. The window's list offers COM1 to COM20 (kWindowPorts); the
// others take any port up to COM9999, as a port map may name it.
//
//   COM1, com3, Com20       COM1, COM3, COM20: any letter case
//   COM21 ... COM9999       ports beyond the window's list
//   COM01, COM003           refused: "write it COM1"; a leading zero names no port on
//                           Windows either, and a map line of it was never read as one
//   COM0, COM00             refused: ports are numbered from COM1
//   COM10000                refused: ports end at COM9999
//   COM3x, COM, COMPORT     no COM name: a device path like any other

#include <QString>
#include <QStringView>

namespace ports
{

// The ports the window's list and its Port Devices dialog offer: COM1 to COM20.
constexpr int kWindowPorts = 20;
constexpr int kLastPort = 9999;

struct ComName {
    enum class Kind { NotCom, Port, LeadingZero, Zero, TooLarge };
    Kind kind = Kind::NotCom;
    int number = 0; // Port: 1 to kLastPort; LeadingZero: the port meant

    bool isRefused() const { return !problem().isEmpty(); }
    // Why the name is refused ("ports are numbered from COM1"); empty when it is not.
    QString problem() const;
};

ComName readComName(QStringView text);

} // namespace ports
