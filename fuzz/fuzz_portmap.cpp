// Feeds arbitrary map files and one change to the port map rules. Beyond not crashing:
// - a rewrite without changes keeps every byte (a missing last newline is added);
// - the changed port reads back as its new device, trimmed (gone when that is empty);
// - every other port reads as before.
//
// Input layout: the port number (first byte, 1 to 32), the device's length (second byte,
// modulo 64), the device, then the file content.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ports/devicename.h"
#include "ports/portmap.h"

namespace
{

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 2)
        return 0;
    const int port = data[0] % 32 + 1;
    const std::size_t length = std::min<std::size_t>(data[1] % 64, size - 2);
    const QString device =
        QString::fromUtf8(reinterpret_cast<const char *>(data + 2), static_cast<qsizetype>(length));
    const QByteArray text(reinterpret_cast<const char *>(data + 2 + length),
                          static_cast<qsizetype>(size - 2 - length));

    const ports::PortMap before = ports::parsePortMap(text).devices;
    QByteArray whole = text;
    if (!whole.isEmpty() && !whole.endsWith('\n'))
        whole += '\n';
    check(ports::updatePortMap(text, {}) == whole);

    if (!ports::deviceNameProblem(device).isEmpty())
        return 0; // refused by savePortMap before it gets here (a line break among them)
    ports::PortMap after =
        ports::parsePortMap(ports::updatePortMap(text, {{port, device}})).devices;
    check(after.value(port) == device.trimmed());
    after.remove(port);
    ports::PortMap others = before;
    others.remove(port);
    check(after == others);
    return 0;
}
