// Connecting, typing and losing the device, as a new user would try it: a pseudo-terminal
// stands in for the module on COM3.
#include "app/captionfit.h"
#include "app/frmmain.h"
#include "text/asciiinputbox.h"
#include "text/textdisplaypage.h"
#include "windowfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSerialPort>
#include <QTabWidget>
#include <QTest>

#include <sys/resource.h>
#include <termios.h>

namespace
{

// A key press carrying any Unicode character, as a keyboard layout or input method sends it.
void typeCharacter(QWidget *widget, const QString &character)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
    QApplication::sendEvent(widget, &release);
}

} // namespace

class ConnectionTest : public QObject
{
    Q_OBJECT
private slots:
    void connectsAtChosenSpeed_data();
    void connectsAtChosenSpeed();
    void disconnectReturnsToClosedState();
    void typedCharactersGoOutOneByteEach();
    void controlCharactersAreDropped_data();
    void controlCharactersAreDropped();
    void upperHalfCharactersUseTheirSingleByteCode();
    void failedOpenShowsComError_data();
    void failedOpenShowsComError();
    void deviceLabelKeepsThePathsEnd_data();
    void deviceLabelKeepsThePathsEnd();
    void lostDeviceClosesOnceAndStaysIdle();
};

void ConnectionTest::connectsAtChosenSpeed_data()
{
    QTest::addColumn<bool>("at19200");
    QTest::addColumn<int>("speed");
    QTest::newRow("9600 bps") << false << int(B9600);
    QTest::newRow("19200 bps") << true << int(B19200);
}

void ConnectionTest::connectsAtChosenSpeed()
{
    QFETCH(bool, at19200);
    QFETCH(int, speed);
    WindowFixture f;
    QVERIFY(f.connect(at19200));
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(),
             QStringLiteral("Disconnect"));
    QVERIFY(!f.find<QGroupBox>(QStringLiteral("fComm"))->isEnabled());
    QVERIFY(featureTabs(f.window())->isEnabled());
    QCOMPARE(f.window().commPortText(), QStringLiteral("3"));
    QCOMPARE(f.window().commSettings(),
             at19200 ? QStringLiteral("19200,n,8,1") : QStringLiteral("9600,n,8,1"));
    termios line{};
    QVERIFY(f.peer().lineSettings(line));
    QCOMPARE(int(cfgetospeed(&line)), speed);
    QCOMPARE(int(line.c_cflag & CSTOPB), 0);
}

void ConnectionTest::disconnectReturnsToClosedState()
{
    WindowFixture f;
    QVERIFY(f.connect());
    f.click(QStringLiteral("cmdConnect"));
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Connect"));
    QVERIFY(f.find<QGroupBox>(QStringLiteral("fComm"))->isEnabled());
    QVERIFY(!featureTabs(f.window())->isEnabled());
    QVERIFY(!f.window().port().isOpen());
}

void ConnectionTest::typedCharactersGoOutOneByteEach()
{
    WindowFixture f;
    QVERIFY(f.connect());
    auto *box = f.find<QLineEdit>(QStringLiteral("txtASCIIInput"));
    featureTabs(f.window())->setCurrentIndex(0);
    box->setFocus();
    QTest::keyClick(box, 'H');
    QCOMPARE(f.received(1), QByteArray("H"));
    QTest::keyClick(box, Qt::Key_I);
    QCOMPARE(f.received(1), QByteArray("i"));
    QCOMPARE(box->text(), QStringLiteral("i"));
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblTxData"))->text(), QStringLiteral("69 "));
}

void ConnectionTest::controlCharactersAreDropped_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Enter") << int(Qt::Key_Return) << 0;
    QTest::newRow("Backspace") << int(Qt::Key_Backspace) << 0;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 0;
    QTest::newRow("Ctrl+V paste") << int(Qt::Key_V) << int(Qt::ControlModifier);
}

void ConnectionTest::controlCharactersAreDropped()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    WindowFixture f;
    QVERIFY(f.connect());
    auto *box = f.find<QLineEdit>(QStringLiteral("txtASCIIInput"));
    featureTabs(f.window())->setCurrentIndex(0);
    QTest::keyClick(box, Qt::Key_A);
    QCOMPARE(f.received(1), QByteArray("a"));
    QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(f.received(1, 300), QByteArray());
    QCOMPARE(box->text(), QString());
}

void ConnectionTest::upperHalfCharactersUseTheirSingleByteCode()
{
    WindowFixture f;
    QVERIFY(f.connect());
    auto *box = f.find<QLineEdit>(QStringLiteral("txtASCIIInput"));
    featureTabs(f.window())->setCurrentIndex(0);
    for (const QString &c :
         {QStringLiteral("\u00e9"), QStringLiteral("\u20ac"), QStringLiteral(" ")})
        typeCharacter(box, c);
    QCOMPARE(f.received(3), QByteArray("\xE9\x80\x20", 3));
    // No code in the 8-bit set: nothing goes out.
    typeCharacter(box, QStringLiteral("\u65e5"));
    QCOMPARE(f.received(1, 300), QByteArray());
}

void ConnectionTest::failedOpenShowsComError_data()
{
    // `device` empty: the fixture's pseudo-terminal; `held`: another program has it open.
    // `why` is what the label beside Connect says afterwards.
    QTest::addColumn<int>("portIndex");
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<bool>("held");
    QTest::addColumn<QString>("why");
    QTest::newRow("missing device")
        << 2 << QByteArray("/nonexistent/ttyVANTEL") << false << "COM3: no such device";
    QTest::newRow("no port selected") << -1 << QByteArray() << false << "No port selected";
    QTest::newRow("held by another program")
        << 2 << QByteArray() << true << "COM3: held by another program";
}

void ConnectionTest::failedOpenShowsComError()
{
    QFETCH(int, portIndex);
    QFETCH(QByteArray, device);
    QFETCH(bool, held);
    QFETCH(QString, why);
    WindowFixture f;
    if (!device.isEmpty())
        qputenv("VANTEL_COM3", device);
    QSerialPort holder(f.peer().slavePath());
    if (held)
        QVERIFY(holder.open(QIODevice::ReadWrite));
    f.find<QComboBox>(QStringLiteral("cboComm"))->setCurrentIndex(portIndex);
    ModalAnswerer answerer;
    f.click(QStringLiteral("cmdConnect"));
    QTRY_COMPARE(answerer.seen().size(), 1);
    QCOMPARE(answerer.seen().first().text, QStringLiteral("Com Error!"));
    QCOMPARE(answerer.seen().first().title, QStringLiteral("VantelApp"));
    QVERIFY(!answerer.seen().first().hasIcon);
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Connect"));
    QVERIFY(!featureTabs(f.window())->isEnabled());
    QVERIFY(f.find<QGroupBox>(QStringLiteral("fComm"))->isEnabled());
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblDevice"))->text(), why);
    if (portIndex >= 0) {
        const QString path =
            device.isEmpty() ? f.peer().slavePath() : QString::fromLocal8Bit(device);
        QVERIFY2(f.find<QLabel>(QStringLiteral("lblDevice"))->toolTip().contains(path),
                 qPrintable(f.find<QLabel>(QStringLiteral("lblDevice"))->toolTip()));
    }

    // Once the port is free, Connect works and the label names the device again.
    if (held) {
        holder.close();
        QVERIFY(f.connect());
        QCOMPARE(f.find<QLabel>(QStringLiteral("lblDevice"))->text(),
                 QStringLiteral("COM3 = ") + f.peer().slavePath());
    }
}

void ConnectionTest::deviceLabelKeepsThePathsEnd_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("elided");
    QTest::newRow("short path shown whole") << "/dev/ttyUSB0" << false;
    QTest::newRow("long path loses its middle")
        << "/tmp/vantel-run.xNCcrU/a-rather-long-folder-name/another-level-of-folders/vantel-s"
        << true;
}

void ConnectionTest::deviceLabelKeepsThePathsEnd()
{
    QFETCH(QString, device);
    QFETCH(bool, elided);
    WindowFixture f;
    qputenv("VANTEL_COM3", device.toLocal8Bit());
    f.find<QComboBox>(QStringLiteral("cboComm"))->setCurrentIndex(2);
    emit f.find<QComboBox>(QStringLiteral("cboComm"))->activated(2);
    const QLabel *label = f.find<QLabel>(QStringLiteral("lblDevice"));
    const QString text = label->text();
    QVERIFY2(captionfit::captionFits(label), qPrintable(text));
    QCOMPARE(text.contains(QChar(0x2026)), elided);
    QVERIFY2(text.startsWith(QStringLiteral("COM3 = ") + device.left(4)), qPrintable(text));
    QVERIFY2(text.endsWith(device.right(9)), qPrintable(text));
    QCOMPARE(label->toolTip().split(QLatin1Char('\n')).first(), device);
}

void ConnectionTest::lostDeviceClosesOnceAndStaysIdle()
{
    WindowFixture f;
    QVERIFY(f.connect());
    ModalAnswerer answerer;
    f.peer().hangUp();
    QTRY_COMPARE_WITH_TIMEOUT(answerer.seen().size(), 1, 5000);
    QCOMPARE(answerer.seen().first().objectName, QStringLiteral("DeviceLostBox"));
    // What happened, in words: the program at the pseudo-terminal's other end hung up.
    QCOMPARE(answerer.seen().first().text,
             QStringLiteral("The connection to %1 was lost (the other end closed the line). The "
                            "port has been closed.")
                 .arg(f.peer().slavePath()));
    QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(), QStringLiteral("Connect"));
    QVERIFY(!featureTabs(f.window())->isEnabled());
    QVERIFY(f.find<QGroupBox>(QStringLiteral("fComm"))->isEnabled());

    // Idle afterwards: a second of event loop costs next to no CPU and shows no more boxes.
    rusage before{};
    getrusage(RUSAGE_SELF, &before);
    QTest::qWait(1000);
    rusage after{};
    getrusage(RUSAGE_SELF, &after);
    const auto cpuMs = [](const rusage &r) {
        return (r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1000.0 +
               (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1000.0;
    };
    QVERIFY2(cpuMs(after) - cpuMs(before) < 300, "the event loop keeps spinning after the loss");
    QCOMPARE(answerer.seen().size(), 1);
}

QTEST_MAIN(ConnectionTest)
#include "tst_connection.moc"
