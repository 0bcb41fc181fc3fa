// The serial link under faults: the port held by another program, and a peer that sends
// garbage. The window must say "Com Error!" in the first case and stay whole and usable
// in the second.
#include "app/frmmain.h"
#include "framecheck.h"
#include "windowfixture.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTabWidget>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace
{

// Run as a separate program (this executable with --hold-port): opens the device one way
// or the other, says "held", and keeps it until its standard input closes.
int holdPort(const QByteArray &how, const QString &device)
{
    if (how == "serial") {
        QSerialPort port(device);
        if (!port.open(QIODevice::ReadWrite)) {
            std::printf("failed %s\n", qPrintable(port.errorString()));
            return 1;
        }
        std::printf("held\n");
        std::fflush(stdout);
        char c = 0;
        while (::read(STDIN_FILENO, &c, 1) > 0) {
        }
        return 0;
    }
    const int fd = ::open(device.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (fd < 0 || ::ioctl(fd, TIOCEXCL) != 0) {
        std::printf("failed\n");
        return 1;
    }
    std::printf("held\n");
    std::fflush(stdout);
    char c = 0;
    while (::read(STDIN_FILENO, &c, 1) > 0) {
    }
    ::close(fd);
    return 0;
}

} // namespace

class LinkFaultsTest : public QObject
{
    Q_OBJECT
private slots:
    void portHeldByAnotherProgram_data();
    void portHeldByAnotherProgram();
    void randomBytesFromPeer_data();
    void randomBytesFromPeer();
};

void LinkFaultsTest::portHeldByAnotherProgram_data()
{
    QTest::addColumn<QByteArray>("how");
    QTest::newRow("another serial program (lock file)") << QByteArray("serial");
    QTest::newRow("exclusive open (TIOCEXCL)") << QByteArray("exclusive");
}

void LinkFaultsTest::portHeldByAnotherProgram()
{
    QFETCH(QByteArray, how);
    WindowFixture f;
    QProcess holder;
    holder.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--hold-port"), QString::fromLatin1(how), f.peer().slavePath()});
    QVERIFY(holder.waitForStarted());
    const auto release = qScopeGuard([&] {
        holder.closeWriteChannel();
        if (!holder.waitForFinished(5000))
            holder.kill();
    });
    QByteArray said;
    QDeadlineTimer deadline(10000);
    while (!said.contains('\n') && !deadline.hasExpired() && holder.state() == QProcess::Running) {
        holder.waitForReadyRead(100);
        said += holder.readAllStandardOutput();
    }
    QCOMPARE(said, QByteArray("held\n"));
    if (how == "exclusive") {
        const int fd = ::open(f.peer().slavePath().toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        if (fd >= 0) {
            ::close(fd);
            QSKIP("exclusive mode does not bind this user (root)");
        }
    }

    {
        ModalAnswerer answerer;
        QVERIFY(!f.connect());
        QTRY_COMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().first().text, QStringLiteral("Com Error!"));
        QCOMPARE(f.find<QPushButton>(QStringLiteral("cmdConnect"))->text(),
                 QStringLiteral("Connect"));
        QVERIFY(!featureTabs(f.window())->isEnabled());
    }

    // Once the other program lets go, the same port connects and carries bytes.
    holder.closeWriteChannel();
    QVERIFY(holder.waitForFinished(5000));
    QVERIFY(f.connect());
    f.click(QStringLiteral("cmdCommand(2)"));
    QCOMPARE(f.received(1), QByteArray("\x0D", 1)); // Clear LCD
}

void LinkFaultsTest::randomBytesFromPeer_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<int>("largestWrite"); // the peer writes 1..largestWrite bytes at a time
    QTest::newRow("one write") << 7u << 10000;
    QTest::newRow("small random writes") << 8u << 16;
    QTest::newRow("writes up to 512 bytes") << 9u << 512;
}

void LinkFaultsTest::randomBytesFromPeer()
{
    QFETCH(quint32, seed);
    QFETCH(int, largestWrite);
    WindowFixture f;
    QVERIFY(f.connect(true));
    // Random replies may include the flash acknowledgement; its box is answered.
    ModalAnswerer answerer;

    QRandomGenerator random(seed);
    QByteArray garbage(10000, Qt::Uninitialized);
    for (char &c : garbage)
        c = char(random.bounded(256));
    for (qsizetype at = 0; at < garbage.size();) {
        const qsizetype size =
            std::min<qsizetype>(1 + random.bounded(largestWrite), garbage.size() - at);
        QVERIFY(f.peer().send(garbage.mid(at, size)));
        at += size;
        QCoreApplication::processEvents();
    }

    // 10,000 bytes are 3,333 replies and one byte over: the monitor ends on the last whole one.
    const QString lastWhole = framecheck::caption(garbage.mid(9996, 3));
    QTRY_COMPARE_WITH_TIMEOUT(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(), lastWhole,
                              10000);
    QVERIFY(f.window().isConnected());

    // Still usable: a click goes out, and the byte left over starts the next reply that
    // follows promptly (after a pause it would be given up).
    f.click(QStringLiteral("cmdCommand(2)"));
    QCOMPARE(f.received(1), QByteArray("\x0D", 1)); // Clear LCD
    QVERIFY(f.peer().send(QByteArray("\x01\x02", 2)));
    const QByteArray completed = garbage.right(1) + QByteArray("\x01\x02", 2);
    QTRY_COMPARE_WITH_TIMEOUT(f.find<HexMonitor>(QStringLiteral("lblRxData"))->text(),
                              framecheck::caption(completed), 5000);
}

int main(int argc, char *argv[])
{
    if (argc == 4 && QByteArray(argv[1]) == "--hold-port")
        return holdPort(QByteArray(argv[2]), QString::fromLocal8Bit(argv[3]));
    QApplication app(argc, argv);
    LinkFaultsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_linkfaults.moc"
