#include "lcddbench.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include "lcddserver.h"
#include "posix/pseudoterminal.h"
#include "ptypeer.h"

namespace
{

// LCDd draws eight frames a second; a window this long holds at least three.
constexpr int kSettleMs = 400;
constexpr int kEverything = 1 << 20;

QByteArray rowText(char fill, int changed = -1, char other = 0)
{
    QByteArray text(20, fill);
    if (changed >= 0)
        text[changed] = other;
    return text;
}

// User and system time of a process, in seconds.
double cpuSeconds(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray stat = file.readAll();
    // Fields after the command's closing parenthesis: state is field 3, utime 14, stime 15.
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 13)
        return -1;
    return (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
}

// LCDd's answers to a client while the module reads nothing: the terminal's buffer toward
// the module is filled from the module's side of it (a descriptor opened before LCDd's), so
// every write of the driver finds it full, as with a module that stopped reading.
Row stalledModuleRow(bool quick)
{
    const QString name =
        QStringLiteral("LCDd driver: LCDd's answer while the module reads nothing");
    PseudoTerminal pty;
    LcddServer server({});
    if (!pty.open() || !QFile::link(pty.slavePath(), server.devicePath()) || !server.start())
        return {name, QStringLiteral("LCDd did not start"), {}, {}, verdict(false)};
    LineClient client;
    bool ready = client.connectTo(server.port()) && client.command("hello").startsWith("connect");
    // One setting per screen_set: LCDd answers each setting of a line with its own "success".
    for (const QByteArray &line :
         {QByteArray("screen_add s"), QByteArray("screen_set s -priority alert"),
          QByteArray("screen_set s -heartbeat off"), QByteArray("widget_add s r string")})
        ready = ready && client.command(line) == "success";
    const int flags = ::fcntl(pty.slave(), F_GETFL);
    ready = ready && flags >= 0 && ::fcntl(pty.slave(), F_SETFL, flags | O_NONBLOCK) == 0;
    const QByteArray fill(4096, 'x');
    while (ready && ::write(pty.slave(), fill.constData(), size_t(fill.size())) > 0) {
    }
    if (!ready)
        return {name, QStringLiteral("client refused"), {}, {}, verdict(false)};
    std::vector<double> ms;
    const int runs = quick ? 20 : 60;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        // A new picture each time: the driver has a frame to send in every one.
        if (client.command("widget_set s r 1 1 {" + rowText(char('a' + i % 26)) + "}") != "success")
            return {name, QStringLiteral("client refused"), {}, {}, verdict(false)};
        ms.push_back(double(clock.nsecsElapsed()) / 1e6);
        QTest::qWait(50);
    }
    return {name + QStringLiteral(" (%1 requests)").arg(runs), number(median(ms), 1) + " ms",
            spread(ms, 1, QStringLiteral("ms")), QStringLiteral("slowest < 100 ms"),
            verdict(percentile(ms, 1.0) < 100)};
}

} // namespace

std::vector<Row> lcddRows(bool quick)
{
    const QString name = QStringLiteral("LCDd driver");
    if (!LcddServer::isInstalled())
        return {{name, QStringLiteral("LCDd not installed (package lcdproc)"), {}, {}, {}}};
    PtyPeer peer;
    LcddServer server({});
    if (!peer.isValid() || !QFile::link(peer.slavePath(), server.devicePath()) || !server.start())
        return {{name, QStringLiteral("LCDd did not start"), {}, {}, verdict(false)}};
    LineClient client;
    bool ready = client.connectTo(server.port()) && client.command("hello").startsWith("connect");
    for (const QByteArray &line :
         {QByteArray("screen_add s"), QByteArray("screen_set s -priority alert"),
          QByteArray("screen_set s -heartbeat off")})
        ready = ready && client.command(line) == "success";
    const auto show = [&](int row, const QByteArray &text) {
        const QByteArray id = "r" + QByteArray::number(row);
        return client.command("widget_set s " + id + " 1 " + QByteArray::number(row) + " {" + text +
                              "}") == "success";
    };
    for (int row = 1; row <= 4; ++row) {
        ready = ready &&
                client.command("widget_add s r" + QByteArray::number(row) + " string") == "success";
        ready = ready && show(row, rowText('a'));
    }
    if (!ready)
        return {{name, QStringLiteral("client refused"), {}, {}, verdict(false)}};
    peer.waitForBytes(kEverything, 1500);

    std::vector<Row> rows;
    const int idleMs = quick ? 2000 : 5000;
    const double cpuBefore = cpuSeconds(server.pid());
    const double unchanged = double(peer.waitForBytes(kEverything, idleMs).size());
    const double cpuPercent = (cpuSeconds(server.pid()) - cpuBefore) * 100000.0 / idleMs;
    const int frames = idleMs * 8 / 1000;
    rows.push_back({QStringLiteral("LCDd driver: bytes in %1 unchanged frames").arg(frames),
                    number(unchanged, 0),
                    {},
                    QStringLiteral("0"),
                    verdict(unchanged == 0)});

    const int runs = quick ? 5 : 20;
    std::vector<double> one;
    for (int i = 0; i < runs; ++i) {
        show(2, rowText('a', i % 20, i % 2 == 0 ? 'b' : 'c'));
        one.push_back(double(peer.waitForBytes(kEverything, kSettleMs).size()));
        show(2, rowText('a'));
        peer.waitForBytes(kEverything, kSettleMs);
    }
    rows.push_back({QStringLiteral("LCDd driver: bytes for one changed character"),
                    number(median(one), 0), spread(one, 0, "bytes"), QStringLiteral("<= 6"),
                    verdict(percentile(one, 1.0) <= 6)});

    std::vector<double> full;
    for (int i = 0; i < runs; ++i) {
        for (int row = 1; row <= 4; ++row)
            show(row, rowText(char('d' + (i + row) % 20)));
        full.push_back(double(peer.waitForBytes(kEverything, kSettleMs).size()));
    }
    rows.push_back({QStringLiteral("LCDd driver: bytes for a whole new screen"),
                    number(median(full), 0), spread(full, 0, "bytes"), QStringLiteral("<= 96"),
                    verdict(percentile(full, 1.0) <= 96)});

    rows.push_back(
        {QStringLiteral("LCDd driver: LCDd's CPU, one idle client (%1 s)").arg(idleMs / 1000),
         number(cpuPercent, 2) + QStringLiteral(" %"),
         {},
         QStringLiteral("< 1 %"),
         verdict(cpuPercent >= 0 && cpuPercent < 1)});
    rows.push_back(stalledModuleRow(quick));
    return rows;
}
