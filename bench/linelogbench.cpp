#include "linelogbench.h"

#include "app/frmmain.h"
#include "linelog/linelogmodel.h"
#include "linelog/linelogwindow.h"
#include "windowbench.h"
#include "windowfixture.h"

#include <QElapsedTimer>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace
{

QString ms(double value, int decimals)
{
    return number(value, decimals) + QStringLiteral(" ms");
}

linelog::LineLogWindow *openLog(frmMain &window)
{
    window.showLineLog();
    auto *log = window.findChild<linelog::LineLogWindow *>();
    return log && QTest::qWaitForWindowExposed(log) ? log : nullptr;
}

} // namespace

std::vector<Row> lineLogRows(WindowBench &bench, bool quick)
{
    std::vector<Row> rows;
    frmMain &window = bench.window();
    linelog::LineLogWindow *log = openLog(window);
    if (!log)
        return {{QStringLiteral("Line log"),
                 QStringLiteral("its window was never exposed"),
                 {},
                 {},
                 verdict(false)}};

    std::fprintf(stderr, "vantel-bench: event-loop stall at line rate, line log open\n");
    {
        const int runs = quick ? 1 : 3;
        std::vector<double> stalls, busy;
        bool exact = true;
        bool followed = true;
        const int rowsBefore = log->model().rowCount();
        for (int i = 0; i < runs; ++i) {
            const WindowBench::Flood flood = bench.flood(3200, 1562);
            exact = exact && flood.exact;
            stalls.push_back(flood.longestStallMs);
            busy.push_back(flood.busyInStallMs);
            // The rows came in (the log holds at most its capacity) and the view kept up.
            log->model().sync();
            const QScrollBar *bar =
                control<QTableView>(*log, QStringLiteral("logTable"))->verticalScrollBar();
            followed = followed && bar->value() == bar->maximum();
        }
        rows.push_back(
            {QStringLiteral("Longest event-loop stall, 640 replies/s for 5 s, line log open"),
             ms(median(stalls), 2) + QStringLiteral(" (%1 busy)").arg(ms(median(busy), 2)) +
                 (exact ? QString() : QStringLiteral(", LOST/MISFRAMED")) +
                 (followed ? QString() : QStringLiteral(", VIEW LEFT BEHIND")),
             spread(stalls, 2, QStringLiteral("ms")) +
                 QStringLiteral("; log %1 rows before, %2 after")
                     .arg(rowsBefore)
                     .arg(log->model().rowCount()),
             QStringLiteral("< 20 ms"), verdict(exact && followed && median(stalls) < 20)});
    }

    std::fprintf(stderr, "vantel-bench: click to last byte, line log open, closed and absent\n");
    // The three take turns in blocks, each once the windows have settled, so a change in the
    // machine's load falls on all three alike. Absent: the log does not hear the transmitter
    // (the way it hears it is connected again afterwards).
    auto &tx = window.transmitter();
    const QString button = QStringLiteral("cmdCommand(2)");
    const auto hear = [&] {
        return QObject::connect(&tx, &seriallink::Transmitter::frameWritten, &window.lineLog(),
                                &record::LineLogRecorder::recordSent);
    };
    const auto measure = [&](std::vector<double> &into, int clicks) {
        QTest::qWait(250);
        const std::vector<double> samples = bench.clickLatency(button, 1, clicks, false);
        into.insert(into.end(), samples.begin(), samples.end());
        return !samples.empty();
    };
    const int block = quick ? 25 : 50;
    const int rounds = quick ? 2 : 4;
    std::vector<double> open, closed, none, warmUp;
    measure(warmUp, 10);
    QObject::disconnect(&tx, &seriallink::Transmitter::frameWritten, &window.lineLog(), nullptr);
    bool whole = true;
    for (int round = 0; round < rounds && whole; ++round) {
        const QMetaObject::Connection heard = hear();
        whole = openLog(window) && measure(open, block);
        log->close();
        QObject::disconnect(heard);
        // Closed and absent swap places every round: the first block after the log's window
        // closed runs a little slower, whatever the log does.
        const bool absentFirst = round % 2 == 0;
        for (const bool absent : {absentFirst, !absentFirst}) {
            const QMetaObject::Connection recording = absent ? QMetaObject::Connection() : hear();
            whole = whole && measure(absent ? none : closed, block);
            QObject::disconnect(recording);
        }
    }
    hear();

    // What recording costs the send path itself, the log's window open: everything else the
    // log does happens later, in its batch timer. The frames go to the log, not the port.
    std::vector<double> perFrameUs;
    if (openLog(window)) {
        const QByteArray frame("\xFE\x32\x03\x13", 4);
        for (int run = 0; run < 5; ++run) {
            constexpr int kFrames = 100000;
            QElapsedTimer elapsed;
            elapsed.start();
            for (int i = 0; i < kFrames; ++i)
                emit tx.frameWritten(frame);
            perFrameUs.push_back(double(elapsed.nsecsElapsed()) / 1e3 / kFrames);
        }
        log->close();
    }
    if (!whole || open.empty() || closed.empty() || none.empty()) {
        rows.push_back({QStringLiteral("Line log: time it adds to a click's way to the wire"),
                        QStringLiteral("frame did not arrive whole"),
                        {},
                        QStringLiteral("< 0.1 ms"),
                        verdict(false)});
        return rows;
    }
    const double added = median(open) - median(none);
    rows.push_back({QStringLiteral("Line log: time it adds to a click's way to the wire (1 byte)"),
                    ms(added, 3),
                    QStringLiteral("medians: log open %1, closed %2, no log %3 (n=%4 each)")
                        .arg(ms(median(open), 3), ms(median(closed), 3), ms(median(none), 3))
                        .arg(none.size()),
                    QStringLiteral("< 0.1 ms"), verdict(added < 0.1)});
    if (!perFrameUs.empty()) {
        const auto [lo, hi] = std::minmax_element(perFrameUs.begin(), perFrameUs.end());
        rows.push_back({QStringLiteral("Line log: recording one frame sent, in the send path"),
                        number(median(perFrameUs), 2) + QStringLiteral(" us"),
                        QStringLiteral("%1-%2 us (n=%3 runs of 100,000)")
                            .arg(number(*lo, 2), number(*hi, 2))
                            .arg(perFrameUs.size()),
                        {},
                        {}});
    }
    return rows;
}
