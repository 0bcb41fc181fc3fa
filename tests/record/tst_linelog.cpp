// The line log's memory on its own: how many entries it keeps and which go first, what each
// filter shows, the plain-text line of every kind of entry, find, and the frames it hands
// out for a script.

#include <QTest>

#include "record/linelog.h"

using record::LineLog;
using record::LineLogEntry;
using record::LineLogFilter;
using Kind = LineLogEntry::Kind;

namespace
{

// "S" sent, "R" received, "D" dropped, "N" note; entry i carries `at` = i.
LineLog logOf(const QString &kinds, int capacity)
{
    LineLog log(capacity);
    for (int i = 0; i < kinds.size(); ++i) {
        const Kind kind = kinds[i] == u'S'   ? Kind::Sent
                          : kinds[i] == u'R' ? Kind::Received
                          : kinds[i] == u'D' ? Kind::Dropped
                                             : Kind::Note;
        log.append({kind, proto::P2Mode::Gpio, i, i, QByteArray("\xFA\x00\x01", 3)});
    }
    return log;
}

// The `at` of every entry the filter shows, in order.
QList<qint64> shown(const LineLog &log, LineLogFilter filter)
{
    QList<qint64> ats;
    for (int i = 0; i < log.count(filter); ++i)
        ats << log.at(filter, i).at;
    return ats;
}

LineLogEntry entry(Kind kind, qint64 sinceConnect, const char *hex,
                   proto::P2Mode mode = proto::P2Mode::Gpio)
{
    return {kind, mode, sinceConnect, sinceConnect, QByteArray::fromHex(hex)};
}

} // namespace

Q_DECLARE_METATYPE(LineLogEntry)

class TestLineLog : public QObject
{
    Q_OBJECT
private slots:
    void keepsTheNewest_data();
    void keepsTheNewest();
    void filtersShowTheirEntries_data();
    void filtersShowTheirEntries();
    void lines_data();
    void lines();
    void findWrapsAroundBothWays_data();
    void findWrapsAroundBothWays();
    void sentFramesKeepTheirTimes();
};

void TestLineLog::keepsTheNewest_data()
{
    QTest::addColumn<int>("capacity");
    QTest::addColumn<int>("appended");
    QTest::addColumn<int>("dropped");

    QTest::newRow("at the limit") << 5 << 5 << 0;
    QTest::newRow("one past") << 5 << 6 << 1;
    QTest::newRow("many times past") << 5 << 23 << 18;
}

void TestLineLog::keepsTheNewest()
{
    QFETCH(int, capacity);
    QFETCH(int, appended);
    QFETCH(int, dropped);
    LineLog log(capacity);
    for (int i = 0; i < appended; ++i)
        log.append({Kind::Sent, proto::P2Mode::Gpio, i, i, QByteArray(1, 'x')});
    QCOMPARE(log.count(LineLogFilter::Both), appended - dropped);
    QCOMPARE(log.dropped(), qint64(dropped));
    QCOMPARE(log.removed(LineLogFilter::Sent), qint64(dropped));
    QCOMPARE(log.at(LineLogFilter::Both, 0).at, qint64(dropped));
    QCOMPARE(log.at(LineLogFilter::Sent, log.count(LineLogFilter::Sent) - 1).at,
             qint64(appended - 1));

    // Clearing is not dropping: the count starts again, views learn the rows are gone.
    log.clear();
    QCOMPARE(log.count(LineLogFilter::Both), 0);
    QCOMPARE(log.dropped(), qint64(0));
    QCOMPARE(log.removed(LineLogFilter::Both), qint64(appended));
    QCOMPARE(log.nextSerial(), qint64(appended));
}

void TestLineLog::filtersShowTheirEntries_data()
{
    QTest::addColumn<QString>("kinds");
    QTest::addColumn<int>("capacity");
    QTest::addColumn<QList<qint64>>("sent");
    QTest::addColumn<QList<qint64>>("received");
    QTest::addColumn<QList<qint64>>("removed"); // both, sent, received

    // Notes (connected, disconnected) belong to every view; dropped bytes came from the module.
    QTest::newRow("nothing dropped") << "NSRDS" << 10 << QList<qint64>{0, 1, 4}
                                     << QList<qint64>{0, 2, 3} << QList<qint64>{0, 0, 0};
    QTest::newRow("a dropped note leaves both views")
        << "NSRDS" << 4 << QList<qint64>{1, 4} << QList<qint64>{2, 3} << QList<qint64>{1, 1, 1};
    QTest::newRow("dropped frames leave the sent view only")
        << "SSNRR" << 3 << QList<qint64>{2} << QList<qint64>{2, 3, 4} << QList<qint64>{2, 2, 0};
}

void TestLineLog::filtersShowTheirEntries()
{
    QFETCH(QString, kinds);
    QFETCH(int, capacity);
    QFETCH(QList<qint64>, sent);
    QFETCH(QList<qint64>, received);
    QFETCH(QList<qint64>, removed);
    const LineLog log = logOf(kinds, capacity);
    QCOMPARE(shown(log, LineLogFilter::Sent), sent);
    QCOMPARE(shown(log, LineLogFilter::Received), received);
    QCOMPARE(log.count(LineLogFilter::Both), std::min<int>(capacity, kinds.size()));
    const QList<qint64> gone = {log.removed(LineLogFilter::Both), log.removed(LineLogFilter::Sent),
                                log.removed(LineLogFilter::Received)};
    QCOMPARE(gone, removed);
}

void TestLineLog::lines_data()
{
    QTest::addColumn<LineLogEntry>("entry");
    QTest::addColumn<QString>("line");

    QTest::newRow("a frame, time to a tenth of a millisecond")
        << entry(Kind::Sent, 30125, "FE320313")
        << "    3.0125  to module    FE 32 03 13  set cursor row 3 column 19";
    QTest::newRow("an hour in") << entry(Kind::Sent, 37250001, "0D")
                                << " 3725.0001  to module    0D  clear display";
    QTest::newRow("analog reading")
        << entry(Kind::Received, 12, "FA01F4")
        << "    0.0012  from module  FA 01 F4  analog input 1 reads 500";
    QTest::newRow("status reply read as keys")
        << entry(Kind::Received, 12, "FC2100", proto::P2Mode::Keypad)
        << "    0.0012  from module  FC 21 00  keypad: keys 1 and 6 down";
    QTest::newRow("bytes the framing dropped")
        << entry(Kind::Dropped, 5000, "FA01")
        << "    0.5000  from module  FA 01  dropped FA 01 (no whole reply)";
    LineLogEntry note{Kind::Note, proto::P2Mode::Gpio, 0, 0, "connected to COM3 at 9600 bit/s"};
    QTest::newRow("a note") << note << "    0.0000               connected to COM3 at 9600 bit/s";
}

void TestLineLog::lines()
{
    QFETCH(LineLogEntry, entry);
    QFETCH(QString, line);
    QCOMPARE(LineLog::line(entry), line);
}

void TestLineLog::findWrapsAroundBothWays_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("limit");
    QTest::addColumn<int>("found"); // -1: none

    // Rows: 0 "clear display", 1 "analog input 1 reads 500", 2 "clear display",
    // 3 "write \"Hi\"".
    QTest::newRow("from the start, any letter case") << "CLEAR" << -1 << true << 4 << 0;
    QTest::newRow("wraps to the first") << "clear" << 2 << true << 4 << 0;
    QTest::newRow("back from the end") << "clear" << -1 << false << 4 << 2;
    QTest::newRow("back wraps to the last") << "clear" << 0 << false << 4 << 2;
    QTest::newRow("matches the hex") << "FA 01" << -1 << true << 4 << 1;
    QTest::newRow("only the rows shown") << "Hi" << -1 << true << 3 << -1;
    QTest::newRow("the only match, from itself") << "reads" << 1 << true << 4 << 1;
}

void TestLineLog::findWrapsAroundBothWays()
{
    QFETCH(QString, text);
    QFETCH(int, from);
    QFETCH(bool, forward);
    QFETCH(int, limit);
    QFETCH(int, found);
    LineLog log;
    log.append(entry(Kind::Sent, 1, "0D"));
    log.append(entry(Kind::Received, 2, "FA01F4"));
    log.append(entry(Kind::Sent, 3, "0D"));
    log.append(entry(Kind::Sent, 4, "4869"));
    QCOMPARE(log.find(LineLogFilter::Both, text, from, forward, limit).value_or(-1), found);
}

// Save as Script takes the frames sent, in order, each at its time since Connect in
// milliseconds (how the script reads them back is in tst_scriptparser).
void TestLineLog::sentFramesKeepTheirTimes()
{
    LineLog log;
    log.append(entry(Kind::Sent, 1000, "FE2002"));
    log.append(entry(Kind::Received, 1500, "FE2020"));
    log.append(entry(Kind::Sent, 3004, "0D"));
    log.append(entry(Kind::Note, 4000, ""));
    log.append(entry(Kind::Dropped, 4500, "FA01"));
    log.append(entry(Kind::Sent, 72003004, "41"));

    QStringList sent;
    for (const record::TimedFrame &frame : log.sentFrames())
        sent << QStringLiteral("%1 at %2")
                    .arg(QString::fromLatin1(
                        QByteArray(reinterpret_cast<const char *>(frame.bytes.data()),
                                   qsizetype(frame.bytes.size()))
                            .toHex(' ')
                            .toUpper()))
                    .arg(frame.atMs, 0, 'f', 1);
    QCOMPARE(sent, (QStringList{"FE 20 02 at 100.0", "0D at 300.4", "41 at 7200300.4"}));
}

QTEST_GUILESS_MAIN(TestLineLog)
#include "tst_linelog.moc"
