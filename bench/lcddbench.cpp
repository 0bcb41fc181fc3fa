#include "lcddbench.h"

#include <QFile>
#include <QTest>

#include <unistd.h>

#include "lcddserver.h"
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
         {QByteArray("screen_add s"), QByteArray("screen_set s -priority alert -heartbeat off")})
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
    return rows;
}
