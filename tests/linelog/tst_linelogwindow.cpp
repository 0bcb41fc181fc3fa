// The line log's window in the real utility, with the module played on a pseudo-terminal:
// how it opens, what its rows say about what crossed the line, its tools, and scripts played
// from it: refused whole when wrong, paced while they play, ended at once by Cancel,
// Disconnect or closing the log.

#include <QClipboard>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include "app/frmmain.h"
#include "linelog/linelogmodel.h"
#include "linelog/linelogwindow.h"
#include "script/scriptplayer.h"
#include "testfiles.h"
#include "windowfixture.h"

using record::LineLog;
using record::LineLogFilter;

namespace
{

constexpr int kTimeoutMs = 5000;

// Ctrl+L where the focus is, as a user opens the log.
linelog::LineLogWindow *openLog(WindowFixture &f, QWidget *from)
{
    f.window().activateWindow();
    if (!QTest::qWaitForWindowActive(&f.window()))
        return nullptr;
    from->setFocus();
    QTest::keyClick(from, Qt::Key_L, Qt::ControlModifier);
    auto *log = f.window().findChild<linelog::LineLogWindow *>();
    return log && log->isVisible() ? log : nullptr;
}

// "direction | bytes | meaning" of every row shown.
QStringList rows(linelog::LineLogWindow &log)
{
    QStringList texts;
    for (int row = 0; row < log.model().rowCount(); ++row) {
        QStringList cells;
        for (int column : {linelog::LineLogModel::Direction, linelog::LineLogModel::Bytes,
                           linelog::LineLogModel::Meaning})
            cells << log.model().index(row, column).data().toString();
        texts << cells.join(QStringLiteral(" | "));
    }
    return texts;
}

QByteArray linesOf(linelog::LineLogWindow &log, int first, int last)
{
    QByteArray text;
    for (int row = first; row <= last; ++row)
        text += LineLog::line(*log.model().entry(row)).toUtf8() + '\n';
    return text;
}

// Picks `path` in the file dialog the last click opened, and accepts it.
bool chooseFile(linelog::LineLogWindow &log, const QString &dialogName, const QString &path)
{
    QFileDialog *dialog = nullptr;
    if (!QTest::qWaitFor([&] {
            dialog = log.findChild<QFileDialog *>(dialogName);
            return dialog && dialog->isVisible();
        }))
        return false;
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept(); // what its Save or Open button does
    return true;
}

QStringList sentHex(WindowFixture &f)
{
    QStringList frames;
    for (const record::TimedFrame &frame : f.window().lineLog().log().sentFrames())
        frames << LineLog::hex({record::LineLogEntry::Kind::Sent, proto::P2Mode::Gpio, 0, 0,
                                QByteArray(reinterpret_cast<const char *>(frame.bytes.data()),
                                           qsizetype(frame.bytes.size()))});
    return frames;
}

} // namespace

class TestLineLogWindow : public QObject
{
    Q_OBJECT
private slots:
    void opensFromAnywhereAndStays_data();
    void opensFromAnywhereAndStays();
    void rowsSayWhatCrossedTheLine();
    void badScriptIsRefusedWhole_data();
    void badScriptIsRefusedWhole();
    void scriptPlaysPacedAndEndsAtOnce_data();
    void scriptPlaysPacedAndEndsAtOnce();
    void scriptWaitsWhileABoxIsOpen();
};

void TestLineLogWindow::opensFromAnywhereAndStays_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("Ctrl+L in the typed-text box") << "txtASCIIInput" << false;
    QTest::newRow("double-click on the transmit monitor") << "lblTxData" << true;
    QTest::newRow("double-click on the receive monitor") << "lblRxData" << true;
}

void TestLineLogWindow::opensFromAnywhereAndStays()
{
    QFETCH(QString, control);
    QFETCH(bool, doubleClick);
    WindowFixture f;
    QVERIFY(f.connect());
    QWidget *widget = f.findWidget(control);
    QVERIFY(!f.window().findChild<linelog::LineLogWindow *>()); // made when first asked for
    linelog::LineLogWindow *first = nullptr;
    QPoint moved;
    for (int time = 0; time < 2; ++time) { // the second time shows the same window again
        if (doubleClick)
            QTest::mouseDClick(widget, Qt::LeftButton);
        else
            QVERIFY(openLog(f, widget));
        auto *log = f.window().findChild<linelog::LineLogWindow *>();
        QVERIFY(log && log->isVisible() && log->isWindow() && !log->isModal());
        QCOMPARE(log, first ? first : (first = log));
        // Shown again, it is where the user left it.
        if (time == 0)
            log->move(log->pos() + QPoint(40, 30));
        else
            QCOMPARE(log->pos(), moved);
        moved = log->pos();
        log->close();
    }
    QCOMPARE(f.window().findChildren<linelog::LineLogWindow *>().size(), 1);
    if (doubleClick)
        QVERIFY(widget->toolTip().contains(QStringLiteral("line log")));

    // It stays open across Disconnect and Connect.
    f.window().showLineLog();
    f.click(QStringLiteral("cmdConnect"));
    QVERIFY(!f.window().isConnected() && first->isVisible());
    QVERIFY(f.connect());
    QVERIFY(first->isVisible());
}

// What went over the line before the log was first opened shows when it opens, in words,
// dropped bytes marked; then the tools on those rows.
void TestLineLogWindow::rowsSayWhatCrossedTheLine()
{
    WindowFixture f;
    QVERIFY(f.connect());
    f.window().replyReader().setPause(std::chrono::milliseconds(50));
    f.find<QComboBox>(QStringLiteral("cboRow"))->setCurrentIndex(3);
    f.find<QComboBox>(QStringLiteral("cboColumn"))->setCurrentIndex(19);
    f.click(QStringLiteral("cmdSetPos"));
    QCOMPARE(f.received(4), QByteArray::fromHex("FE320313"));
    QVERIFY(f.peer().send(QByteArray::fromHex("FA01F4")));
    QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(),
                 QStringLiteral("FA 01 F4 "));
    f.find<QComboBox>(QStringLiteral("cbogpio"))->setCurrentIndex(1); // KEYPAD
    QVERIFY(f.peer().send(QByteArray::fromHex("FC2100")));
    QTRY_COMPARE(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(),
                 QStringLiteral("FC 21 00 "));
    QVERIFY(f.peer().send(QByteArray::fromHex("FA01"))); // a reply cut short
    const LineLog &recorded = f.window().lineLog().log();
    QTRY_COMPARE(recorded.count(LineLogFilter::Both), 5);

    linelog::LineLogWindow *log = openLog(f, f.find<QPushButton>(QStringLiteral("cmdConnect")));
    QVERIFY(log);
    const QString connected = QStringLiteral(" |  | connected to COM3 at 9600 bit/s");
    const QString setPosition =
        QStringLiteral("to module | FE 32 03 13 | set cursor row 3 column 19");
    QCOMPARE(rows(*log), (QStringList{connected, setPosition,
                                      "from module | FA 01 F4 | analog input 1 reads 500",
                                      "from module | FC 21 00 | keypad: keys 1 and 6 down",
                                      "from module | FA 01 | dropped FA 01 (no whole reply)"}));
    const QModelIndex dropped = log->model().index(4, linelog::LineLogModel::Meaning);
    QVERIFY(dropped.data(Qt::FontRole).value<QFont>().italic());
    QVERIFY(dropped.data(Qt::ForegroundRole).isValid());
    QVERIFY(
        !log->model().index(1, linelog::LineLogModel::Meaning).data(Qt::ForegroundRole).isValid());
    // Seconds since Connect to 0.1 ms, in the order things happened.
    for (int row = 1; row < log->model().rowCount(); ++row)
        QVERIFY(recorded.at(LineLogFilter::Both, row).sinceConnect >=
                recorded.at(LineLogFilter::Both, row - 1).sinceConnect);
    QCOMPARE(log->model().index(0, linelog::LineLogModel::Time).data().toString(),
             QStringLiteral("0.0000"));

    control<QComboBox>(*log, QStringLiteral("showList"))->setCurrentIndex(int(LineLogFilter::Sent));
    QCOMPARE(rows(*log), (QStringList{connected, setPosition}));
    control<QComboBox>(*log, QStringLiteral("showList"))->setCurrentIndex(int(LineLogFilter::Both));

    // Paused, the log goes on recording and says what waits; resumed, it shows it.
    control<QPushButton>(*log, QStringLiteral("pauseButton"))->click();
    f.click(QStringLiteral("cmdCommand(2)"));
    QTRY_VERIFY2(control<QLabel>(*log, QStringLiteral("statusLabel"))
                     ->text()
                     .contains(QStringLiteral("paused: 1 new entries")),
                 qPrintable(control<QLabel>(*log, QStringLiteral("statusLabel"))->text()));
    QCOMPARE(log->model().rowCount(), 5);
    control<QPushButton>(*log, QStringLiteral("pauseButton"))->click();
    QCOMPARE(rows(*log).last(), QStringLiteral("to module | 0D | clear display"));

    // Find selects the next row holding the text (Enter or Next), wrapping around.
    control<QLineEdit>(*log, QStringLiteral("findBox"))->setText(QStringLiteral("FA 01"));
    QTest::keyClick(control<QLineEdit>(*log, QStringLiteral("findBox")), Qt::Key_Return);
    QCOMPARE(control<QTableView>(*log, QStringLiteral("logTable"))->currentIndex().row(), 2);
    control<QPushButton>(*log, QStringLiteral("findNextButton"))->click();
    control<QPushButton>(*log, QStringLiteral("findNextButton"))->click();
    QCOMPARE(control<QTableView>(*log, QStringLiteral("logTable"))->currentIndex().row(), 2);
    QVERIFY(control<QTableView>(*log, QStringLiteral("logTable"))
                ->selectionModel()
                ->isRowSelected(2, {}));
    control<QLineEdit>(*log, QStringLiteral("findBox"))->setText(QStringLiteral("no such thing"));
    control<QPushButton>(*log, QStringLiteral("findPreviousButton"))->click();
    QCOMPARE(control<QLabel>(*log, QStringLiteral("foundLabel"))->text(),
             QStringLiteral("Not found"));

    // Copy (Ctrl+C) takes the selected rows as plain-text lines.
    control<QTableView>(*log, QStringLiteral("logTable"))
        ->selectionModel()
        ->select(log->model().index(3, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    control<QTableView>(*log, QStringLiteral("logTable"))->setFocus();
    QTest::keyClick(control<QTableView>(*log, QStringLiteral("logTable")), Qt::Key_C,
                    Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(), linesOf(*log, 2, 3));

    // Save as Text writes the rows shown, one line each.
    control<QComboBox>(*log, QStringLiteral("showList"))
        ->setCurrentIndex(int(LineLogFilter::Received));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("log.txt"));
    control<QPushButton>(*log, QStringLiteral("saveTextButton"))->click();
    QVERIFY(chooseFile(*log, QStringLiteral("SaveTextDialog"), path));
    QCOMPARE(testfiles::read(path), linesOf(*log, 0, 3));
}

void TestLineLogWindow::badScriptIsRefusedWhole_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("uploadRunning");
    QTest::addColumn<QString>("message");
    QTest::newRow("an unknown command, late in the script")
        << QByteArray("clear\ntext \"ok\"\nwait 10\nblink 3\n") << false
        << "script.vtl:4: unknown command 'blink'";
    QTest::newRow("while the message upload runs")
        << QByteArray("clear\n") << true << "a paced command is running";
}

// Nothing of a refused script is sent: each starts with `clear`, which nothing else here sends.
void TestLineLogWindow::badScriptIsRefusedWhole()
{
    QFETCH(QByteArray, script);
    QFETCH(bool, uploadRunning);
    QFETCH(QString, message);
    WindowFixture f;
    QVERIFY(f.connect());
    linelog::LineLogWindow *log = openLog(f, f.find<QPushButton>(QStringLiteral("cmdConnect")));
    QVERIFY(log);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("script.vtl"));
    QVERIFY(testfiles::write(path, script));
    ModalAnswerer answerer;
    if (uploadRunning) {
        f.click(QStringLiteral("cmdSetMsg"));
        QVERIFY(!control<QPushButton>(*log, QStringLiteral("playButton"))->isEnabled());
        log->playScript(path);
    } else {
        control<QPushButton>(*log, QStringLiteral("playButton"))->click();
        QVERIFY(chooseFile(*log, QStringLiteral("PlayScriptDialog"), path));
    }
    QTRY_COMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().objectName, QStringLiteral("ScriptRefusedBox"));
    QVERIFY2(answerer.seen().first().text.contains(message),
             qPrintable(answerer.seen().first().text));
    QVERIFY(!log->player().playing());
    QVERIFY(!sentHex(f).contains(QStringLiteral("0D")));
    f.window().pacing().abort();
}

void TestLineLogWindow::scriptPlaysPacedAndEndsAtOnce_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("status");
    QTest::newRow("Cancel") << "cancelButton"
                            << "script.vtl stopped: interrupted";
    QTest::newRow("Disconnect") << "cmdConnect"
                                << "script.vtl stopped: Disconnect was pressed";
    QTest::newRow("closing the log") << "close"
                                     << "script.vtl stopped: interrupted";
}

void TestLineLogWindow::scriptPlaysPacedAndEndsAtOnce()
{
    QFETCH(QString, ending);
    QFETCH(QString, status);
    WindowFixture f;
    QVERIFY(f.connect());
    linelog::LineLogWindow *log = openLog(f, f.find<QPushButton>(QStringLiteral("cmdConnect")));
    QVERIFY(log);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("script.vtl"));
    QVERIFY(testfiles::write(path, "clear\nwait 300\ntext \"A\"\nwait 10000\ntext \"B\"\n"));
    auto *upload = f.find<QPushButton>(QStringLiteral("cmdSetMsg"));
    auto *save = f.find<QPushButton>(QStringLiteral("cmdSaveSettings"));

    control<QPushButton>(*log, QStringLiteral("playButton"))->click();
    QVERIFY(chooseFile(*log, QStringLiteral("PlayScriptDialog"), path));
    QCOMPARE(f.received(1), QByteArray("\x0D"));
    QVERIFY(control<QProgressBar>(*log, QStringLiteral("scriptProgress"))->isVisible() &&
            control<QPushButton>(*log, QStringLiteral("cancelButton"))->isVisible());
    // One paced sequence at a time: the upload, the save and another script wait.
    QVERIFY(!upload->isEnabled() && !save->isEnabled() &&
            !control<QPushButton>(*log, QStringLiteral("playButton"))->isEnabled());
    QCOMPARE(f.received(1), QByteArray("A"));
    // The wait between the two, as the log timed the writes.
    const LineLog &recorded = f.window().lineLog().log();
    const int last = recorded.count(LineLogFilter::Sent) - 1;
    const qint64 pause =
        recorded.at(LineLogFilter::Sent, last).at - recorded.at(LineLogFilter::Sent, last - 1).at;
    QVERIFY2(pause >= 300 * LineLog::kTicksPerMs, qPrintable(QString::number(pause)));
    QCOMPARE(control<QProgressBar>(*log, QStringLiteral("scriptProgress"))->value(),
             3); // waiting in step 3 of 5
    QCOMPARE(control<QProgressBar>(*log, QStringLiteral("scriptProgress"))->maximum(), 5);

    if (ending == QLatin1String("close"))
        log->close();
    else if (ending == QLatin1String("cancelButton"))
        control<QPushButton>(*log, QStringLiteral("cancelButton"))->click();
    else
        f.click(ending);
    QVERIFY(!log->player().playing() && !f.window().pacing().sequenceRunning());
    QVERIFY(!control<QProgressBar>(*log, QStringLiteral("scriptProgress"))->isVisible() &&
            !control<QPushButton>(*log, QStringLiteral("cancelButton"))->isVisible());
    QVERIFY2(control<QLabel>(*log, QStringLiteral("scriptLabel"))->text().startsWith(status),
             qPrintable(control<QLabel>(*log, QStringLiteral("scriptLabel"))->text()));
    QCOMPARE(upload->isEnabled(), f.window().isConnected());
    // Nothing is left to send: every frame sent is in the log, and "B" is not.
    QCOMPARE(sentHex(f), (QStringList{"0D", "41"}));
}

// A box of the window holds a playing script as it holds the message upload: the script's
// wait stands still while the box is up and runs its remaining time after.
void TestLineLogWindow::scriptWaitsWhileABoxIsOpen()
{
    WindowFixture f;
    QVERIFY(f.connect());
    linelog::LineLogWindow *log = openLog(f, f.find<QPushButton>(QStringLiteral("cmdConnect")));
    QVERIFY(log);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("script.vtl"));
    QVERIFY(testfiles::write(path, "text \"A\"\nwait 200\ntext \"B\"\n"));
    ModalAnswerer answerer(QMessageBox::Ok, 800);
    log->playScript(path);
    QCOMPARE(f.received(1), QByteArray("A"));
    QElapsedTimer sinceA;
    sinceA.start();
    f.find<QLineEdit>(QStringLiteral("txtBN"))->setText(QStringLiteral("ab"));
    f.click(QStringLiteral("cmdDrawBN")); // "Numeric Value Only"
    QCOMPARE(f.received(1, 3000), QByteArray("B"));
    QVERIFY2(sinceA.elapsed() >= 800 + 150, qPrintable(QString::number(sinceA.elapsed())));
    QCOMPARE(answerer.seen().size(), 1);
    QTRY_VERIFY(!log->player().playing());
}

QTEST_MAIN(TestLineLogWindow)
#include "tst_linelogwindow.moc"
