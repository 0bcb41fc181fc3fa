// The line log's window in the real utility, with the module played on a pseudo-terminal:
// how it opens, what its rows say about the frames and replies that crossed the line, its
// tools (filter, pause, find, copy, save as text), and scripts played from it: refused whole
// when wrong, paced while they play, ended at once by Cancel, Disconnect or closing the log.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QFont>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTest>

#include "app/frmmain.h"
#include "linelog/linelogmodel.h"
#include "linelog/linelogwindow.h"
#include "script/scriptplayer.h"
#include "windowfixture.h"

using script::LineLog;
using script::LineLogEntry;
using script::LineLogFilter;

namespace
{

constexpr int kTimeoutMs = 5000;

LineLogWindow *logOf(WindowFixture &f)
{
    return f.window().findChild<LineLogWindow *>();
}

// Ctrl+L where the focus is, as a user opens the log.
LineLogWindow *openLog(WindowFixture &f, QWidget *from)
{
    f.window().activateWindow();
    if (!QTest::qWaitForWindowActive(&f.window()))
        return nullptr;
    from->setFocus();
    QTest::keyClick(from, Qt::Key_L, Qt::ControlModifier);
    LineLogWindow *log = logOf(f);
    return log && log->isVisible() ? log : nullptr;
}

// "direction | bytes | meaning" of every row shown.
QStringList rows(LineLogWindow &log)
{
    QStringList texts;
    const LineLogModel &model = log.model();
    for (int row = 0; row < model.rowCount(); ++row) {
        QStringList cells;
        for (int column : {LineLogModel::Direction, LineLogModel::Bytes, LineLogModel::Meaning})
            cells << model.index(row, column).data().toString();
        texts << cells.join(QStringLiteral(" | "));
    }
    return texts;
}

// The plain-text lines of the rows shown, each ending the line.
QByteArray linesOf(LineLogWindow &log, int first, int last)
{
    QByteArray text;
    for (int row = first; row <= last; ++row)
        text += LineLog::line(*log.model().entry(row)).toUtf8() + '\n';
    return text;
}

// Picks `path` in the file dialog the last click opened, and accepts it.
bool chooseFile(LineLogWindow &log, const QString &dialogName, const QString &path)
{
    QFileDialog *dialog = nullptr;
    const auto open = [&] {
        dialog = log.findChild<QFileDialog *>(dialogName);
        return dialog && dialog->isVisible();
    };
    if (!QTest::qWaitFor(open, kTimeoutMs))
        return false;
    dialog->selectFile(path);
    static_cast<QDialog *>(dialog)->accept(); // what its Save or Open button does
    return true;
}

QStringList sentHex(WindowFixture &f)
{
    QStringList frames;
    const LineLog &log = f.window().lineLog.log();
    for (int i = 0; i < log.count(LineLogFilter::Sent); ++i) {
        if (log.at(LineLogFilter::Sent, i).kind == LineLogEntry::Kind::Sent)
            frames << LineLog::hex(log.at(LineLogFilter::Sent, i));
    }
    return frames;
}

} // namespace

class TestLineLogWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();

    void opensFromAnywhereAndStays_data();
    void opensFromAnywhereAndStays();
    void historyShowsWhatCrossedTheLine();
    void pauseFindCopyAndSave();
    void badScriptIsRefusedWhole_data();
    void badScriptIsRefusedWhole();
    void scriptPlaysPacedAndEndsAtOnce_data();
    void scriptPlaysPacedAndEndsAtOnce();

private:
    QString writeScript(const QByteArray &content);

    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestLineLogWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

QString TestLineLogWindow::writeScript(const QByteArray &content)
{
    const QString path = m_dir->filePath(QStringLiteral("script.vtl"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return {};
    return path;
}

void TestLineLogWindow::opensFromAnywhereAndStays_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<bool>("doubleClick");
    QTest::newRow("Ctrl+L in the typed-text box") << "txtASCIIInput" << false;
    QTest::newRow("Ctrl+L on Connect") << "cmdConnect" << false;
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
    QVERIFY(widget);
    QVERIFY(!logOf(f)); // made when first asked for

    LineLogWindow *first = nullptr;
    for (int time = 0; time < 2; ++time) { // the second time shows the same window again
        if (doubleClick) {
            QTest::mouseDClick(widget, Qt::LeftButton);
            QVERIFY(logOf(f) && logOf(f)->isVisible());
        } else {
            QVERIFY(openLog(f, widget));
        }
        QVERIFY(logOf(f)->isWindow());
        QVERIFY(!logOf(f)->isModal());
        if (!first)
            first = logOf(f);
        QCOMPARE(logOf(f), first);
        logOf(f)->close();
    }
    QCOMPARE(f.window().findChildren<LineLogWindow *>().size(), 1);

    // It stays open across Disconnect and Connect.
    f.window().showLineLog();
    f.click(QStringLiteral("cmdConnect"));
    QVERIFY(!f.window().isConnected());
    QVERIFY(first->isVisible());
    QVERIFY(f.connect());
    QVERIFY(first->isVisible());
    if (doubleClick)
        QVERIFY(widget->toolTip().contains(QStringLiteral("line log")));
}

// What went over the line before the log was first opened shows when it opens: each frame
// and reply in words, with its direction, and bytes the framing gave up marked.
void TestLineLogWindow::historyShowsWhatCrossedTheLine()
{
    WindowFixture f;
    QVERIFY(f.connect());
    f.window().replyReader.setPause(std::chrono::milliseconds(50));
    f.window().cboRow->setCurrentIndex(3);
    f.window().cboColumn->setCurrentIndex(19);
    f.click(QStringLiteral("cmdSetPos"));
    QCOMPARE(f.received(4), QByteArray::fromHex("FE320313"));
    QVERIFY(f.peer().send(QByteArray::fromHex("FA01F4")));
    QTRY_COMPARE(f.window().lblRxData->text(), QStringLiteral("FA 01 F4 "));
    f.find<QComboBox>(QStringLiteral("cbogpio"))->setCurrentIndex(1); // KEYPAD
    QVERIFY(f.peer().send(QByteArray::fromHex("FC2100")));
    QTRY_COMPARE(f.window().lblRxData->text(), QStringLiteral("FC 21 00 "));
    QVERIFY(f.peer().send(QByteArray::fromHex("FA01"))); // a reply cut short
    const LineLog &recorded = f.window().lineLog.log();
    QTRY_COMPARE(recorded.at(LineLogFilter::Both, recorded.count(LineLogFilter::Both) - 1).kind,
                 LineLogEntry::Kind::Dropped);

    LineLogWindow *log = openLog(f, f.window().cmdConnect);
    QVERIFY(log);
    const QString connected = QStringLiteral(" |  | connected to COM3 at 9600 bit/s");
    QCOMPARE(rows(*log),
             (QStringList{connected, "to module | FE 32 03 13 | set cursor row 3 column 19",
                          "from module | FA 01 F4 | analog input 1 reads 500",
                          "from module | FC 21 00 | keypad: keys 1 and 6 down",
                          "from module | FA 01 | dropped FA 01 (no whole reply)"}));
    const QModelIndex dropped = log->model().index(4, LineLogModel::Meaning);
    QVERIFY(dropped.data(Qt::FontRole).value<QFont>().italic());
    QVERIFY(dropped.data(Qt::ForegroundRole).isValid());
    QVERIFY(!log->model().index(1, LineLogModel::Meaning).data(Qt::ForegroundRole).isValid());
    // Seconds since Connect, to a tenth of a millisecond, in the order things happened.
    QString previous;
    for (int row = 0; row < log->model().rowCount(); ++row) {
        const QString time = log->model().index(row, LineLogModel::Time).data().toString();
        QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d{4}$")).match(time).hasMatch(),
                 qPrintable(time));
        QVERIFY(time.toDouble() >= previous.toDouble());
        previous = time;
    }

    log->cboShow->setCurrentIndex(int(LineLogFilter::Sent));
    QCOMPARE(rows(*log),
             (QStringList{connected, "to module | FE 32 03 13 | set cursor row 3 column 19"}));
    log->cboShow->setCurrentIndex(int(LineLogFilter::Received));
    QCOMPARE(rows(*log).size(), 4);
    QCOMPARE(rows(*log).first(), connected);
}

void TestLineLogWindow::pauseFindCopyAndSave()
{
    WindowFixture f;
    QVERIFY(f.connect());
    LineLogWindow *log = openLog(f, f.window().cmdConnect);
    QVERIFY(log);
    // Rows come in while the log is open.
    f.click(QStringLiteral("cmdCommand(0)"));
    f.click(QStringLiteral("cmdCommand(2)"));
    QTRY_COMPARE(log->model().rowCount(), 3);

    // Paused, the log goes on recording and says what waits; resumed, it shows it.
    log->cmdPause->click();
    f.click(QStringLiteral("cmdCommand(1)"));
    QVERIFY(f.peer().send(QByteArray::fromHex("FA0005")));
    QTRY_VERIFY2(log->lblStatus->text().contains(QStringLiteral("paused: 2 new entries")),
                 qPrintable(log->lblStatus->text()));
    QCOMPARE(log->model().rowCount(), 3);
    log->cmdPause->click();
    QCOMPARE(rows(*log).mid(1),
             (QStringList{"to module | 0B | cursor home", "to module | 0D | clear display",
                          "to module | 0C | next line",
                          "from module | FA 00 05 | analog input 1 reads 5"}));

    // Find: Enter and Next go on from the selected row, Previous goes back, both wrap.
    const auto findRow = [log](const QString &text, QPushButton *button) {
        log->txtFind->setText(text);
        if (button)
            button->click();
        else
            QTest::keyClick(log->txtFind, Qt::Key_Return);
        return log->tblLog->currentIndex().row();
    };
    QCOMPARE(findRow(QStringLiteral("CLEAR"), nullptr), 2);
    QCOMPARE(findRow(QStringLiteral("to module"), log->cmdFindNext), 3);
    QCOMPARE(findRow(QStringLiteral("to module"), log->cmdFindNext), 1);
    QCOMPARE(findRow(QStringLiteral("to module"), log->cmdFindPrevious), 3);
    QVERIFY(log->tblLog->selectionModel()->isRowSelected(3, {}));
    QCOMPARE(findRow(QStringLiteral("keypad"), log->cmdFindNext), 3);
    QCOMPARE(log->lblFound->text(), QStringLiteral("Not found"));

    // Copy takes the selected rows as plain-text lines.
    log->tblLog->selectRow(1);
    log->tblLog->selectionModel()->select(log->model().index(2, 0),
                                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    log->tblLog->setFocus();
    QTest::keyClick(log->tblLog, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text().toUtf8(), linesOf(*log, 1, 2));

    // Save as Text writes the rows shown, one line each.
    log->cboShow->setCurrentIndex(int(LineLogFilter::Received));
    QCOMPARE(log->model().rowCount(), 2);
    const QString path = m_dir->filePath(QStringLiteral("log.txt"));
    log->cmdSaveText->click();
    QVERIFY(chooseFile(*log, QStringLiteral("SaveTextDialog"), path));
    QFile saved(path);
    QVERIFY(saved.open(QIODevice::ReadOnly));
    QCOMPARE(saved.readAll(), linesOf(*log, 0, 1));
}

void TestLineLogWindow::badScriptIsRefusedWhole_data()
{
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("uploadRunning");
    QTest::addColumn<QString>("message");

    QTest::newRow("an argument out of range")
        << QByteArray("clear\ngoto 9 0\n") << false
        << "script.vtl:2: goto: ROW 9 is out of range (allowed: 0 to 3)";
    QTest::newRow("an unknown command, late in the script")
        << QByteArray("clear\ntext \"ok\"\nwait 10\nblink 3\n") << false
        << "script.vtl:4: unknown command 'blink'";
    QTest::newRow("a frame longer than the transmit buffer")
        << QByteArray("clear\n") + QByteArray(72, '\x41').toHex() + '\n'
        << false << "script.vtl:2:";
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
    LineLogWindow *log = openLog(f, f.window().cmdConnect);
    QVERIFY(log);
    const QString path = writeScript(script);
    QVERIFY(!path.isEmpty());
    ModalAnswerer answerer;

    if (uploadRunning) {
        f.click(QStringLiteral("cmdSetMsg"));
        QVERIFY(!log->cmdPlay->isEnabled());
        log->playScript(path);
    } else {
        log->cmdPlay->click();
        QVERIFY(chooseFile(*log, QStringLiteral("PlayScriptDialog"), path));
    }
    QTRY_COMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().objectName, QStringLiteral("ScriptRefusedBox"));
    QVERIFY2(answerer.seen().first().text.contains(message),
             qPrintable(answerer.seen().first().text));
    QVERIFY(!log->player().playing());
    QVERIFY(!sentHex(f).contains(QStringLiteral("0D")));
    f.window().pacing.abort();
}

void TestLineLogWindow::scriptPlaysPacedAndEndsAtOnce_data()
{
    QTest::addColumn<QString>("ending");
    QTest::addColumn<QString>("status");
    QTest::newRow("Cancel") << "cmdCancel"
                            << "script.vtl stopped: interrupted";
    QTest::newRow("Disconnect") << "cmdConnect"
                                << "script.vtl stopped: the paced commands were ended";
    QTest::newRow("closing the log") << "close"
                                     << "script.vtl stopped: interrupted";
}

void TestLineLogWindow::scriptPlaysPacedAndEndsAtOnce()
{
    QFETCH(QString, ending);
    QFETCH(QString, status);
    WindowFixture f;
    QVERIFY(f.connect());
    LineLogWindow *log = openLog(f, f.window().cmdConnect);
    QVERIFY(log);
    const QString path = writeScript("clear\nwait 300\ntext \"A\"\nwait 10000\ntext \"B\"\n");
    QVERIFY(!path.isEmpty());
    auto *upload = f.find<QPushButton>(QStringLiteral("cmdSetMsg"));
    auto *save = f.find<QPushButton>(QStringLiteral("cmdSaveSettings"));

    log->cmdPlay->click();
    QVERIFY(chooseFile(*log, QStringLiteral("PlayScriptDialog"), path));
    QCOMPARE(f.received(1), QByteArray("\x0D"));
    QVERIFY(log->prgScript->isVisible() && log->cmdCancel->isVisible());
    // One paced sequence at a time: the upload, the save and another script wait.
    QVERIFY(!upload->isEnabled() && !save->isEnabled() && !log->cmdPlay->isEnabled());
    QCOMPARE(f.received(1), QByteArray("A"));
    // The wait between the two, as the log timed the writes.
    const LineLog &recorded = f.window().lineLog.log();
    const int last = recorded.count(LineLogFilter::Sent) - 1;
    const qint64 pause =
        recorded.at(LineLogFilter::Sent, last).at - recorded.at(LineLogFilter::Sent, last - 1).at;
    QVERIFY2(pause >= 300 * LineLog::kTicksPerMs, qPrintable(QString::number(pause)));
    QCOMPARE(log->prgScript->value(), 3); // waiting in step 3 of 5
    QCOMPARE(log->prgScript->maximum(), 5);

    if (ending == QLatin1String("close"))
        log->close();
    else if (ending == QLatin1String("cmdCancel"))
        log->cmdCancel->click();
    else
        f.click(ending);
    QVERIFY(!log->player().playing());
    QVERIFY(!f.window().pacing.sequenceRunning());
    QVERIFY(!log->prgScript->isVisible() && !log->cmdCancel->isVisible());
    QVERIFY2(log->lblScript->text().startsWith(status), qPrintable(log->lblScript->text()));
    QCOMPARE(upload->isEnabled(), f.window().isConnected());
    // Nothing is left to send: every frame sent is in the log, and "B" is not.
    QCOMPARE(sentHex(f), (QStringList{"0D", "41"}));
}

QTEST_MAIN(TestLineLogWindow)
#include "tst_linelogwindow.moc"
