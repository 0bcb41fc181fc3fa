// The utility's window against the vantel-sim program itself, as the run script pairs
// them: the program makes its link, COM3 is mapped to it, and the window connects, types
// and asks; the program's log (plain mode) shows what it decoded, and its replies and
// key presses show in the window.

#include "app/frmmain.h"
#include "io/inputsoutputspage.h"
#include "widgets/controls.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace
{

constexpr int kTimeoutMs = 5000;

} // namespace

class WindowAndSimTest : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void windowAndProgramTalk();

private:
    bool logHas(const QByteArray &text) const { return m_log.contains(text); }

    QTemporaryDir m_dir;
    QString m_link;
    QProcess m_sim;
    QByteArray m_log;
};

void WindowAndSimTest::init()
{
    QVERIFY(m_dir.isValid());
    m_link = m_dir.filePath(QStringLiteral("vantel-e2e-module"));
    m_log.clear();
    connect(&m_sim, &QProcess::readyReadStandardOutput, this,
            [this] { m_log += m_sim.readAllStandardOutput(); });
}

void WindowAndSimTest::cleanup()
{
    if (m_sim.state() != QProcess::NotRunning) {
        m_sim.kill();
        m_sim.waitForFinished();
    }
    m_sim.disconnect(this);
}

void WindowAndSimTest::windowAndProgramTalk()
{
    m_sim.start(QStringLiteral(VANTEL_SIM_PATH),
                {QStringLiteral("--no-ui"), QStringLiteral("--link"), m_link,
                 QStringLiteral("--analog1"), QStringLiteral("321")});
    QVERIFY(m_sim.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(logHas("VANTEL_COM1=" + QFile::encodeName(m_link)), kTimeoutMs);

    WindowFixture f(QByteArray(), 3, m_link);
    QVERIFY(f.connect());

    // PC to module: typed text and a cursor move, decoded in the program's log.
    f.type(QStringLiteral("Hi"));
    QTRY_VERIFY_WITH_TIMEOUT(logHas("48  write 'H'\n69  write 'i'\n"), kTimeoutMs);
    f.find<QComboBox>(QStringLiteral("cboRow"))->setCurrentIndex(3);
    f.find<QComboBox>(QStringLiteral("cboColumn"))->setCurrentIndex(19);
    f.click(QStringLiteral("cmdSetPos"));
    QTRY_VERIFY_WITH_TIMEOUT(logHas("FE 32 03 13  set cursor row 3 column 19\n"), kTimeoutMs);
    m_sim.write("p");
    QTRY_VERIFY_WITH_TIMEOUT(logHas("|Hi                  |\n"), kTimeoutMs);

    // Module to PC: a reading asked for, and a key pressed at the program.
    InputsOutputsPage &page = f.page<InputsOutputsPage>();
    f.click(QStringLiteral("cmdReadAn(0)"));
    QTRY_COMPARE_WITH_TIMEOUT(control<QLabel>(page, QStringLiteral("lblAnVal(0)"))->text(),
                              QStringLiteral("321"), kTimeoutMs);
    control<QComboBox>(page, QStringLiteral("cbogpio"))->setCurrentIndex(1); // KEYPAD
    f.click(QStringLiteral("cmdgpmode"));
    QTRY_VERIFY_WITH_TIMEOUT(logHas("P2 mode keypad"), kTimeoutMs);
    m_sim.write("a"); // key 10: row 3, column 2, the indicator key(5)
    QTRY_COMPARE_WITH_TIMEOUT(
        controls::toBgr(controls::fill(control<QWidget>(page, QStringLiteral("key(5)")))),
        0xFFFFFFu,
        kTimeoutMs); // white
    QCOMPARE(controls::toBgr(controls::fill(control<QWidget>(page, QStringLiteral("key(4)")))),
             0x0000FFu); // red

    f.closeWindow();
    m_sim.write("q");
    QVERIFY(m_sim.waitForFinished(kTimeoutMs));
    QCOMPARE(m_sim.exitStatus(), QProcess::NormalExit);
    QCOMPARE(m_sim.exitCode(), 0);
    QVERIFY(!QFileInfo(m_link).isSymLink());
}

QTEST_MAIN(WindowAndSimTest)
#include "tst_windowandsim.moc"
