// vantel-bench: measures the utility against its performance targets and prints one table.
// Every figure is the median of repeated runs; the range column shows the spread.
//
//   vantel-bench [--quick] [--offscreen] [--only startup|decoder|window|network|ctl|lcdd]
//                [--app PATH] [--minimal PATH]
//
// The window runs on a virtual X server started here (Xvfb), or offscreen when there is
// none. Exit status 0 when every row with a target met it.

#include "benchrow.h"
#include "ctlprobe.h"
#include "decoderbench.h"
#ifdef VANTEL_LCDD_BENCH
#include "lcddbench.h"
#endif
#include "linelogbench.h"
#include "protocol/protocol.h"
#include "ptyline.h"
#include "startupprobe.h"
#include "windowbench.h"
#include "xserver.h"

#include <QApplication>
#include <QFile>
#include <QSysInfo>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace
{

struct Options {
    bool quick = false;
    bool offscreen = false;
    QString only; // startup, decoder or window: that part alone
    QString app = QStringLiteral(VANTEL_APP_PATH);
    QString minimal = QStringLiteral(VANTEL_MINIMAL_PATH);
};

QString firstLine(const QString &path, const QByteArray &prefix)
{
    // Files under /proc report no size, so read them whole rather than line by line.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : file.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return QString::fromLocal8Bit(line.mid(line.indexOf(':') + 1).trimmed());
    }
    return {};
}

QString loadAverage()
{
    QFile file(QStringLiteral("/proc/loadavg"));
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("unknown");
    return QString::fromLatin1(file.readAll().split(' ').mid(0, 3).join(' '));
}

void progress(const char *what)
{
    std::fprintf(stderr, "vantel-bench: %s\n", what);
}

Options parse(int argc, char *argv[])
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "--quick") {
            options.quick = true;
        } else if (arg == "--offscreen") {
            options.offscreen = true;
        } else if (arg == "--only" && i + 1 < argc) {
            options.only = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--app" && i + 1 < argc) {
            options.app = QString::fromLocal8Bit(argv[++i]);
        } else if (arg == "--minimal" && i + 1 < argc) {
            options.minimal = QString::fromLocal8Bit(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: vantel-bench [--quick] [--offscreen] "
                                 "[--only startup|decoder|window|network|ctl|lcdd] [--app PATH] "
                                 "[--minimal PATH]\n");
            std::exit(2);
        }
    }
    return options;
}

void startupRows(const Options &options, const QString &platform, std::vector<Row> &rows)
{
    progress("start-up of the utility and of the minimal window");
    const int runs = options.quick ? 5 : 15;
    QStringList environment = {QStringLiteral("VANTEL_REPORT_SHOWN=1"),
                               QStringLiteral("VANTEL_EXIT_AFTER_SHOWN=1"),
                               QStringLiteral("QT_QPA_PLATFORM=") + platform};
    if (platform == QLatin1String("xcb"))
        environment << QStringLiteral("DISPLAY=") + qEnvironmentVariable("DISPLAY");
    std::vector<double> appMs, appMiB, appCpu, minMs, minMiB, minCpu;
    QString error;
    // Two unmeasured rounds first so both programs start from a warm file cache.
    for (int i = -2; i < runs && error.isEmpty(); ++i) {
        const StartupSample app = measureStartup(options.app, environment);
        const StartupSample minimal = measureStartup(options.minimal, environment);
        if (!app.ok || !minimal.ok)
            error = app.ok ? minimal.error : app.error;
        if (i < 0)
            continue;
        appMs.push_back(app.shownMs);
        appMiB.push_back(app.peakRssMiB);
        appCpu.push_back(app.cpuMs);
        minCpu.push_back(minimal.cpuMs);
        minMs.push_back(minimal.shownMs);
        minMiB.push_back(minimal.peakRssMiB);
    }
    if (!error.isEmpty()) {
        rows.push_back({QStringLiteral("Start-up"), error, {}, {}, verdict(false)});
        return;
    }
    const double timeRatio = median(appMs) / median(minMs);
    const double memoryRatio = median(appMiB) / median(minMiB);
    rows.push_back({QStringLiteral("Start-up to first shown window: vantelapp"),
                    number(median(appMs), 1) + QStringLiteral(" ms"),
                    spread(appMs, 1, "ms"),
                    {},
                    {}});
    rows.push_back({QStringLiteral("Start-up to first shown window: minimal Qt window"),
                    number(median(minMs), 1) + QStringLiteral(" ms"),
                    spread(minMs, 1, "ms"),
                    {},
                    {}});
    rows.push_back({QStringLiteral("Start-up ratio"),
                    number(timeRatio, 2) + QStringLiteral("x"),
                    {},
                    QStringLiteral("<= 1.5x"),
                    verdict(timeRatio <= 1.5)});
    // CPU time is what the programs themselves cost, whatever else the machine is doing.
    rows.push_back({QStringLiteral("CPU time, start to exit after first shown: vantelapp"),
                    number(median(appCpu), 1) + QStringLiteral(" ms"),
                    spread(appCpu, 1, "ms"),
                    {},
                    {}});
    rows.push_back({QStringLiteral("CPU time, start to exit after first shown: minimal"),
                    number(median(minCpu), 1) + QStringLiteral(" ms"),
                    spread(minCpu, 1, "ms"),
                    {},
                    {}});
    rows.push_back({QStringLiteral("CPU time ratio"),
                    number(median(appCpu) / median(minCpu), 2) + QStringLiteral("x"),
                    {},
                    {},
                    {}});
    rows.push_back({QStringLiteral("Peak memory (RSS): vantelapp"),
                    number(median(appMiB), 1) + QStringLiteral(" MiB"),
                    spread(appMiB, 1, "MiB"),
                    {},
                    {}});
    rows.push_back({QStringLiteral("Peak memory (RSS): minimal Qt window"),
                    number(median(minMiB), 1) + QStringLiteral(" MiB"),
                    spread(minMiB, 1, "MiB"),
                    {},
                    {}});
    rows.push_back({QStringLiteral("Peak memory ratio"),
                    number(memoryRatio, 2) + QStringLiteral("x"),
                    {},
                    QStringLiteral("<= 1.4x"),
                    verdict(memoryRatio <= 1.4)});
}

void decoderRow(const Options &options, std::vector<Row> &rows)
{
    progress("replies through the decoder alone");
    const int runs = options.quick ? 3 : 7;
    std::vector<double> rates;
    bool exact = true;
    for (int i = 0; i < runs; ++i) {
        const DecoderRun run = decodeAlone(1000000, 1234u + unsigned(i));
        exact = exact && run.exact;
        rates.push_back(run.repliesPerSecond);
    }
    const double rate = median(rates);
    rows.push_back({QStringLiteral("Reply decoding: decoder alone (1,000,000 random replies)"),
                    number(rate / 1e6, 2) + QStringLiteral(" M replies/s") +
                        (exact ? QStringLiteral(", 0 lost") : QStringLiteral(", LOST/MISFRAMED")),
                    spread(
                        [&] {
                            std::vector<double> m;
                            for (double r : rates)
                                m.push_back(r / 1e6);
                            return m;
                        }(),
                        2, "M/s"),
                    QStringLiteral(">= 64,000/s, none lost"), verdict(exact && rate >= 64000)});
}

// Median click-to-last-byte of `clicks` clicks (after ten to warm up) against a target.
Row clickRow(WindowBench &bench, const QString &name, const QString &button, int bytes, bool paced,
             int clicks, double targetMs)
{
    const QString target = QStringLiteral("< %1 ms").arg(targetMs);
    bench.clickLatency(button, bytes, 10, paced); // warm-up
    const std::vector<double> samples = bench.clickLatency(button, bytes, clicks, paced);
    if (samples.empty())
        return {name, QStringLiteral("frame did not arrive whole"), {}, target, verdict(false)};
    return {name, number(median(samples), 3) + QStringLiteral(" ms"),
            QStringLiteral("p95 %1, max %2 ms (n=%3)")
                .arg(number(percentile(samples, 0.95), 3), number(percentile(samples, 1.0), 3))
                .arg(samples.size()),
            target, verdict(median(samples) < targetMs)};
}

void windowRows(const Options &options, std::vector<Row> &rows)
{
    WindowBench bench;
    QString error;
    if (!bench.start(error)) {
        rows.push_back({QStringLiteral("Window measurements"), error, {}, {}, verdict(false)});
        return;
    }

    progress("click to last byte at the peer");
    const int clicks = options.quick ? 50 : 200;
    struct ClickCase {
        const char *name;
        const char *button;
        int bytes;
        bool paced;
    };
    const ClickCase cases[] = {
        {"Click to last byte at peer: 1 byte (cmdCommand(2))", "cmdCommand(2)", 1, false},
        {"Click to last byte at peer: 22 bytes (cmdSetMsg, first frame)", "cmdSetMsg", 22, true},
        {"Click to last byte at peer: 66 bytes (cmdSendBitmap)", "cmdSendBitmap", 66, false},
    };
    for (const ClickCase &c : cases)
        rows.push_back(clickRow(bench, QString::fromLatin1(c.name), QString::fromLatin1(c.button),
                                c.bytes, c.paced, clicks, 1.0));

    for (const bool others : {false, true}) {
        progress(others ? "message upload with other clicks" : "message upload");
        const int runs = options.quick ? 1 : 3;
        std::vector<double> totals, gaps;
        bool whole = true;
        int otherClicks = 0;
        double longestStall = 0;
        double busyInStall = 0;
        for (int i = 0; i < runs; ++i) {
            const WindowBench::Upload upload = bench.upload(others);
            whole = whole && upload.complete && upload.otherFramesWhole &&
                    upload.gaps.size() == std::size_t(proto::kMessageCount - 1);
            totals.push_back(upload.totalMs);
            gaps.insert(gaps.end(), upload.gaps.begin(), upload.gaps.end());
            otherClicks += upload.otherClicks;
            if (upload.longestStallMs > longestStall) {
                longestStall = upload.longestStallMs;
                busyInStall = upload.busyInStallMs;
            }
        }
        const QString suffix =
            others ? QStringLiteral(" (%1 other clicks meanwhile)").arg(otherClicks) : QString();
        const double total = median(totals);
        rows.push_back({QStringLiteral("Twenty-message upload: total") + suffix,
                        number(total, 1) + QStringLiteral(" ms") +
                            (whole ? QString() : QStringLiteral(", FRAMES WRONG")),
                        spread(totals, 1, "ms"), QStringLiteral("4000 ms +-1%"),
                        verdict(whole && total >= 3960 && total <= 4040)});
        const bool gapsMet = !gaps.empty() && std::all_of(gaps.begin(), gaps.end(), [](double g) {
            return g >= 190 && g <= 210;
        });
        rows.push_back(
            {QStringLiteral("Twenty-message upload: gaps at peer") + suffix,
             number(median(gaps), 2) + QStringLiteral(" ms"),
             spread(gaps, 2, "ms") + QStringLiteral("; longest loop stall %1 ms (%2 busy)")
                                         .arg(number(longestStall, 1), number(busyInStall, 1)),
             QStringLiteral("every gap 200 +-10 ms"), verdict(whole && gapsMet)});
    }

    progress("reply flood through the window");
    {
        const int runs = options.quick ? 2 : 5;
        std::vector<double> rates;
        bool exact = true;
        for (int i = 0; i < runs; ++i) {
            const WindowBench::Flood flood = bench.flood(200000, 0);
            exact = exact && flood.exact;
            rates.push_back(flood.repliesPerSecond);
        }
        const double rate = median(rates);
        std::vector<double> thousands;
        for (double r : rates)
            thousands.push_back(r / 1000);
        rows.push_back(
            {QStringLiteral("Reply decoding: through the window (pty flood, 200,000)"),
             number(rate / 1000, 1) + QStringLiteral(" k replies/s") +
                 (exact ? QStringLiteral(", 0 lost") : QStringLiteral(", LOST/MISFRAMED")),
             spread(thousands, 1, "k/s"), QStringLiteral(">= 64,000/s, none lost"),
             verdict(exact && rate >= 64000)});
    }

    progress("event-loop stall at line rate");
    {
        const int runs = options.quick ? 1 : 3;
        std::vector<double> stalls, busy, quietStalls, quietBusy;
        bool exact = true;
        for (int i = 0; i < runs; ++i) {
            // 640 replies a second for five seconds: one reply every 1562 us.
            const WindowBench::Flood flood = bench.flood(3200, 1562);
            exact = exact && flood.exact;
            stalls.push_back(flood.longestStallMs);
            busy.push_back(flood.busyInStallMs);
            const WindowBench::Flood quiet = bench.quiet(5000);
            quietStalls.push_back(quiet.longestStallMs);
            quietBusy.push_back(quiet.busyInStallMs);
        }
        rows.push_back({QStringLiteral("Longest event-loop stall, 640 replies/s for 5 s"),
                        number(median(stalls), 2) +
                            QStringLiteral(" ms (%1 ms busy)").arg(number(median(busy), 2)) +
                            (exact ? QString() : QStringLiteral(", LOST/MISFRAMED")),
                        spread(stalls, 2, "ms"), QStringLiteral("< 20 ms"),
                        verdict(exact && median(stalls) < 20)});
        rows.push_back({QStringLiteral("Longest event-loop stall, nothing arriving, 5 s"),
                        number(median(quietStalls), 2) +
                            QStringLiteral(" ms (%1 ms busy)").arg(number(median(quietBusy), 2)),
                        spread(quietStalls, 2, "ms"),
                        {},
                        {}});
    }

    const std::vector<Row> lineLog = lineLogRows(bench, options.quick);
    rows.insert(rows.end(), lineLog.begin(), lineLog.end());

    progress("CPU while idle and after the device vanished");
    const int idleMs = 5000;
    const double idle = bench.idleCpuPercent(idleMs);
    rows.push_back({QStringLiteral("CPU, connected and idle (5 s)"),
                    number(idle, 2) + QStringLiteral(" %"),
                    {},
                    QStringLiteral("< 1 %"),
                    verdict(idle < 1)});
    double boxOpen = 0;
    double answered = 0;
    const bool lost = bench.vanish(idleMs, boxOpen, answered);
    rows.push_back(
        {QStringLiteral("CPU, device vanished, message box open (5 s)"),
         lost ? number(boxOpen, 2) + QStringLiteral(" %") : QStringLiteral("loss not noticed"),
         {},
         QStringLiteral("< 1 %"),
         verdict(lost && boxOpen < 1)});
    rows.push_back(
        {QStringLiteral("CPU, device vanished, box answered (5 s)"),
         lost ? number(answered, 2) + QStringLiteral(" %") : QStringLiteral("loss not noticed"),
         {},
         QStringLiteral("< 1 %"),
         verdict(lost && answered < 1)});
}

// The same window with the module behind ser2net on loopback: the network line, the Telnet
// codec and a server in between must still feel like a local port.
void networkRows(const Options &options, std::vector<Row> &rows)
{
    WindowBench bench(true);
    QString error;
    if (!bench.start(error)) {
        rows.push_back({QStringLiteral("Through ser2net"), error, {}, {}, verdict(false)});
        return;
    }
    progress("click to last byte through ser2net");
    const int clicks = options.quick ? 50 : 200;
    const std::pair<const char *, int> cases[] = {{"cmdCommand(2)", 1}, {"cmdSendBitmap", 66}};
    for (const auto &[button, bytes] : cases) {
        const QString name =
            QStringLiteral("Click to last byte through ser2net (rfc2217, loopback): %1 byte%2")
                .arg(bytes)
                .arg(bytes == 1 ? "" : "s");
        rows.push_back(
            clickRow(bench, name, QString::fromLatin1(button), bytes, false, clicks, 2.0));
    }

    progress("reply flood through ser2net at line rate");
    const int runs = options.quick ? 1 : 3;
    std::vector<double> stalls, busy;
    bool exact = true;
    for (int i = 0; i < runs; ++i) {
        // 19200 bit/s carry 640 three-byte replies a second: one every 1562 us, for 5 s.
        const WindowBench::Flood flood = bench.flood(3200, 1562);
        exact = exact && flood.exact;
        stalls.push_back(flood.longestStallMs);
        busy.push_back(flood.busyInStallMs);
    }
    rows.push_back({QStringLiteral("Reply flood through ser2net, 640 replies/s for 5 s: "
                                   "longest stall"),
                    number(median(stalls), 2) +
                        QStringLiteral(" ms (%1 ms busy)").arg(number(median(busy), 2)) +
                        (exact ? QStringLiteral(", 0 lost") : QStringLiteral(", LOST/MISFRAMED")),
                    spread(stalls, 2, "ms"), QStringLiteral("< 20 ms, none lost"),
                    verdict(exact && median(stalls) < 20)});
}

void ctlRow(const Options &options, std::vector<Row> &rows)
{
    progress("vantelctl start-up to its first byte");
    PtyLine line;
    const FirstByteSamples samples =
        measureFirstByte(QStringLiteral(VANTELCTL_PATH), line, options.quick ? 10 : 30);
    const QString name = QStringLiteral("vantelctl: start to first byte on the wire (clear)");
    if (!samples.error.isEmpty() || samples.ms.empty()) {
        rows.push_back({name, samples.error, {}, QStringLiteral("< 20 ms"), verdict(false)});
        return;
    }
    rows.push_back(
        {name, number(median(samples.ms), 1) + QStringLiteral(" ms"),
         QStringLiteral("p95 %1, max %2 ms (n=%3)")
             .arg(number(percentile(samples.ms, 0.95), 1), number(percentile(samples.ms, 1.0), 1))
             .arg(samples.ms.size()),
         QStringLiteral("< 20 ms"), verdict(median(samples.ms) < 20)});
    rows.push_back({QStringLiteral("vantelctl: CPU time of the whole run (clear)"),
                    number(median(samples.cpuMs), 1) + QStringLiteral(" ms"),
                    spread(samples.cpuMs, 1, "ms"),
                    {},
                    {}});

    progress("vantelctl dry run of a 16 MiB script");
    const PlayMemory memory = measurePlayMemory(QStringLiteral(VANTELCTL_PATH));
    const QString memoryName =
        QStringLiteral("vantelctl: memory of a 16 MiB script's dry run, per script byte");
    if (!memory.error.isEmpty()) {
        rows.push_back(
            {memoryName, memory.error, {}, QStringLiteral("< 16 bytes"), verdict(false)});
        return;
    }
    rows.push_back({memoryName, number(memory.bytesPerScriptByte, 1) + QStringLiteral(" bytes"),
                    QStringLiteral("peak %1 MiB").arg(number(memory.peakMiB, 0)),
                    QStringLiteral("< 16 bytes"), verdict(memory.bytesPerScriptByte < 16)});
}

void printTable(const std::vector<Row> &rows)
{
    const QStringList header = {QStringLiteral("Measurement"), QStringLiteral("Median"),
                                QStringLiteral("Range"), QStringLiteral("Target"),
                                QStringLiteral("Verdict")};
    std::vector<int> width(5);
    const auto cells = [](const Row &r) {
        return QStringList{r.name, r.median, r.range, r.target, r.verdict};
    };
    for (int c = 0; c < 5; ++c)
        width[c] = int(header[c].size());
    for (const Row &r : rows) {
        const QStringList cs = cells(r);
        for (int c = 0; c < 5; ++c)
            width[c] = std::max(width[c], int(cs[c].size()));
    }
    const auto line = [&](const QStringList &cs) {
        QString text = QStringLiteral("|");
        for (int c = 0; c < 5; ++c)
            text += QLatin1Char(' ') + cs[c].leftJustified(width[c]) + QStringLiteral(" |");
        std::printf("%s\n", qPrintable(text));
    };
    line(header);
    QStringList rule;
    for (int c = 0; c < 5; ++c)
        rule << QString(width[c], QLatin1Char('-'));
    line(rule);
    for (const Row &r : rows)
        line(cells(r));
}

} // namespace

int main(int argc, char *argv[])
{
    const Options options = parse(argc, argv);
    const QString loadBefore = loadAverage();

    XServer xserver;
    QString platform = QStringLiteral("offscreen");
    if (!options.offscreen && xserver.start()) {
        platform = QStringLiteral("xcb");
        qputenv("DISPLAY", xserver.display().toLocal8Bit());
    }
    qputenv("QT_QPA_PLATFORM", platform.toLocal8Bit());
    qputenv("QT_LOGGING_RULES", "qt.qpa.*=false");

    QApplication app(argc, argv);
    std::vector<Row> rows;
    const auto wanted = [&](const char *part) {
        return options.only.isEmpty() || options.only == QLatin1String(part);
    };
    if (wanted("startup"))
        startupRows(options, platform, rows);
    if (wanted("decoder"))
        decoderRow(options, rows);
    if (wanted("window"))
        windowRows(options, rows);
    if (wanted("network"))
        networkRows(options, rows);
    if (wanted("ctl"))
        ctlRow(options, rows);
#ifdef VANTEL_LCDD_BENCH
    if (wanted("lcdd")) {
        progress("LCDd driver: bytes at the module, LCDd's CPU");
        const std::vector<Row> lcdd = lcddRows(options.quick);
        rows.insert(rows.end(), lcdd.begin(), lcdd.end());
    }
#endif

    std::printf("VantelApp benchmark%s\n", options.quick ? " (quick)" : "");
    std::printf("Machine: %s, %d logical CPUs, %s RAM; %s, kernel %s\n",
                qPrintable(firstLine(QStringLiteral("/proc/cpuinfo"), "model name")),
                QThread::idealThreadCount(),
                qPrintable(number(firstLine(QStringLiteral("/proc/meminfo"), "MemTotal")
                                          .section(QLatin1Char(' '), 0, 0)
                                          .toDouble() /
                                      (1024 * 1024),
                                  1) +
                           QStringLiteral(" GiB")),
                qPrintable(QSysInfo::prettyProductName()), qPrintable(QSysInfo::kernelVersion()));
    std::printf("Qt %s, build %s; window on %s; load average before: %s, after: %s\n\n", qVersion(),
                VANTEL_BUILD_TYPE,
                platform == QLatin1String("xcb")
                    ? qPrintable(QStringLiteral("Xvfb ") + xserver.display())
                    : "the offscreen platform",
                qPrintable(loadBefore), qPrintable(loadAverage()));
    printTable(rows);
    const bool allMet = std::none_of(
        rows.begin(), rows.end(), [](const Row &r) { return r.verdict == QLatin1String("FAIL"); });
    return allMet ? 0 : 1;
}
