// The serial port service against a real pseudo-terminal: the test plays the module on the
// master side and checks what the line really got.
//
// The pty driver forces 8 data bits and no parity whatever a program asks for, so the line
// settings the service asked for are recorded on their way to the driver: this binary
// interposes tcsetattr() and keeps every request.

#include <QDeadlineTimer>
#include <QSignalSpy>
#include <QTest>

#include "link/serialportservice.h"
#include "ptypeer.h"

#include <dlfcn.h>
#include <sys/resource.h>
#include <termios.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace
{

std::vector<termios> g_requested;

// Lots of room on a slow, busy machine; every wait ends as soon as its event arrives.
constexpr int kEventTimeoutMs = 5000;

qint64 cpuMicroseconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto us = [](const timeval &t) { return qint64{t.tv_sec} * 1000000 + t.tv_usec; };
    return us(usage.ru_utime) + us(usage.ru_stime);
}

QByteArray allByteValues()
{
    QByteArray bytes;
    for (int value = 0; value < 256; ++value)
        bytes += static_cast<char>(value);
    return bytes;
}

// Everything the service delivers until `count` bytes came (or the time is up), read as the
// receive handler reads: whatever waits, each time the event loop has run.
QByteArray readAtLeast(seriallink::SerialPortService &service, int count)
{
    QByteArray received;
    QDeadlineTimer deadline(kEventTimeoutMs);
    while (received.size() < count && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        received += service.input();
    }
    return received;
}

// The service on COM1, which the peer's pseudo-terminal stands for, opened.
bool openOn(seriallink::SerialPortService &service, const PtyPeer &peer)
{
    service.setDeviceResolver([path = peer.slavePath()](int) { return path; });
    return service.setCommPort(1) && service.open();
}

} // namespace

extern "C" int tcsetattr(int fd, int optionalActions, const termios *settings)
{
    using Real = int (*)(int, int, const termios *);
    static const Real real = [] {
        Real function = nullptr;
        void *symbol = dlsym(RTLD_NEXT, "tcsetattr");
        std::memcpy(&function, &symbol, sizeof function);
        return function;
    }();
    if (settings)
        g_requested.push_back(*settings);
    return real(fd, optionalActions, settings);
}

class TestSerialPortService : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void opensComThroughEnvironment_data();
    void opensComThroughEnvironment();
    void rejectsBadSettings_data();
    void rejectsBadSettings();
    void bytesGoOutUnchanged();
    void bytesComeInUnchanged();
    void missingDeviceFails();
    void portNumberZeroRefused();
    void portHeldByAnotherFails();
    void permissionProblemNamesTheGroup();
    void closeDeliversQueuedBytes();
    void peerHangUpLosesDeviceOnce();
};

void TestSerialPortService::cleanup()
{
    qunsetenv("VANTEL_COM3");
    g_requested.clear();
}

void TestSerialPortService::opensComThroughEnvironment_data()
{
    QTest::addColumn<QString>("settings");
    QTest::addColumn<int>("speed");
    QTest::addColumn<int>("dataBits");
    QTest::addColumn<bool>("parity");
    QTest::addColumn<bool>("twoStopBits");

    QTest::newRow("19200,n,8,1") << "19200,n,8,1" << int{B19200} << int{CS8} << false << false;
    QTest::newRow("9600,n,8,1") << "9600,n,8,1" << int{B9600} << int{CS8} << false << false;
    // Shows that the recorded request follows the settings string, not a fixed default.
    QTest::newRow("9600,e,7,2") << "9600,e,7,2" << int{B9600} << int{CS7} << true << true;
}

void TestSerialPortService::opensComThroughEnvironment()
{
    QFETCH(QString, settings);
    QFETCH(int, speed);
    QFETCH(int, dataBits);
    QFETCH(bool, parity);
    QFETCH(bool, twoStopBits);

    PtyPeer peer;
    QVERIFY(peer.isValid());
    qputenv("VANTEL_COM3", peer.slavePath().toLocal8Bit());

    seriallink::SerialPortService service;
    QVERIFY(service.setCommPort(3));
    QCOMPARE(service.deviceName(), peer.slavePath());
    QVERIFY(service.setSettings(settings));
    g_requested.clear();
    QVERIFY2(service.open(), qPrintable(service.lastError()));
    QVERIFY(service.isOpen());
    QCOMPARE(service.state(), seriallink::SerialPortService::State::Open);

    termios line{};
    QVERIFY(peer.lineSettings(line));
    QCOMPARE(int(cfgetospeed(&line)), speed);
    QCOMPARE(int(cfgetispeed(&line)), speed);
    QCOMPARE((line.c_cflag & CSTOPB) != 0, twoStopBits);
    QCOMPARE(line.c_cflag & CRTSCTS, tcflag_t{0});
    QCOMPARE(line.c_iflag & (IXON | IXOFF), tcflag_t{0});

    // The port applies one setting at a time, each time reading back what the driver kept;
    // the pty driver turns every size into 8 bits and drops parity, so the program's wishes
    // show in the history of requests, not in the last one.
    QVERIFY(!g_requested.empty());
    const auto any = [](auto predicate) {
        return std::any_of(g_requested.begin(), g_requested.end(), predicate);
    };
    QVERIFY(any([&](const termios &t) { return int(t.c_cflag & CSIZE) == dataBits; }));
    QVERIFY(!any([&](const termios &t) {
        const int size = int(t.c_cflag & CSIZE);
        return size != dataBits && size != CS8;
    }));
    QVERIFY(any([&](const termios &t) { return ((t.c_cflag & PARENB) != 0) == parity; }));
    if (!parity)
        QVERIFY(!any([](const termios &t) { return (t.c_cflag & PARENB) != 0; }));
    const termios &last = g_requested.back();
    QCOMPARE((last.c_cflag & CSTOPB) != 0, twoStopBits);
    QCOMPARE(int(cfgetospeed(&last)), speed);
    // Raw bytes: no output processing, no input translation, no echo.
    QCOMPARE(last.c_oflag & OPOST, tcflag_t{0});
    QCOMPARE(last.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP), tcflag_t{0});
    QCOMPARE(last.c_lflag & (ICANON | ECHO | ISIG), tcflag_t{0});

    service.close();
    QCOMPARE(service.state(), seriallink::SerialPortService::State::Closed);
}

void TestSerialPortService::rejectsBadSettings_data()
{
    QTest::addColumn<QString>("settings");
    QTest::newRow("empty") << "";
    QTest::newRow("three fields") << "9600,n,8";
    QTest::newRow("five fields") << "9600,n,8,1,x";
    QTest::newRow("rate zero") << "0,n,8,1";
    QTest::newRow("rate text") << "fast,n,8,1";
    QTest::newRow("parity x") << "9600,x,8,1";
    QTest::newRow("nine data bits") << "9600,n,9,1";
    QTest::newRow("four data bits") << "9600,n,4,1";
    QTest::newRow("three stop bits") << "9600,n,8,3";
}

void TestSerialPortService::rejectsBadSettings()
{
    QFETCH(QString, settings);
    seriallink::SerialPortService service;
    QVERIFY(service.setSettings(QStringLiteral("19200,n,8,1")));
    QVERIFY(!service.setSettings(settings));
    QCOMPARE(service.settings(), QStringLiteral("19200,n,8,1"));

    // The refused string changed nothing: the port still opens at 19200.
    PtyPeer peer;
    QVERIFY(peer.isValid());
    QVERIFY2(openOn(service, peer), qPrintable(service.lastError()));
    termios line{};
    QVERIFY(peer.lineSettings(line));
    QCOMPARE(cfgetospeed(&line), speed_t{B19200});
}

void TestSerialPortService::bytesGoOutUnchanged()
{
    PtyPeer peer;
    QVERIFY(peer.isValid());
    seriallink::SerialPortService service;
    service.setDeviceResolver([&](int) { return peer.slavePath(); });
    QVERIFY(service.setCommPort(1));
    QVERIFY(service.setSettings(QStringLiteral("19200,n,8,1")));
    QVERIFY2(service.open(), qPrintable(service.lastError()));

    const QByteArray values = allByteValues();
    for (char c : values)
        QVERIFY(service.output(static_cast<std::uint8_t>(c)));
    QCOMPARE(peer.waitForBytes(256, kEventTimeoutMs), values);

    // Line ends in particular: no CR to CR LF, no LF to CR LF.
    const QByteArray lineEnds("\r\n\n\r\x0A", 5);
    QVERIFY(service.output(lineEnds));
    QCOMPARE(peer.waitForBytes(5, kEventTimeoutMs), lineEnds);
}

void TestSerialPortService::bytesComeInUnchanged()
{
    PtyPeer peer;
    QVERIFY(peer.isValid());
    seriallink::SerialPortService service;
    QVERIFY2(openOn(service, peer), qPrintable(service.lastError()));

    const QByteArray values = allByteValues();
    QVERIFY(peer.send(values));
    QCOMPARE(readAtLeast(service, 256), values);
}

void TestSerialPortService::missingDeviceFails()
{
    seriallink::SerialPortService service;
    service.setDeviceResolver([](int) { return QStringLiteral("/dev/vantel-no-such-port"); });
    QVERIFY(service.setCommPort(5));
    QVERIFY(!service.open());
    QVERIFY(!service.lastError().isEmpty());
    QCOMPARE(service.lastOpenProblem().summary(), QStringLiteral("no such device"));
    QCOMPARE(service.state(), seriallink::SerialPortService::State::Closed);
    QVERIFY(!service.output(std::uint8_t{0x41}));
    QCOMPARE(service.input(), QByteArray());

    // A COM number the system has no device for at all.
    seriallink::SerialPortService unmapped;
    unmapped.setDeviceResolver([](int) { return QString(); });
    QVERIFY(unmapped.setCommPort(19));
    QVERIFY(!unmapped.open());
    QVERIFY(!unmapped.lastError().isEmpty());
    QCOMPARE(unmapped.lastOpenProblem().kind, ports::OpenProblem::Kind::NoDevice);
    QVERIFY(!unmapped.isOpen());
}

void TestSerialPortService::portNumberZeroRefused()
{
    PtyPeer peer;
    QVERIFY(peer.isValid());
    seriallink::SerialPortService service;
    service.setDeviceResolver([&](int) { return peer.slavePath(); });

    // Never given a number: nothing to open, even though the resolver would answer.
    QVERIFY(!service.open());
    QVERIFY(!service.isOpen());

    QVERIFY(!service.setCommPort(0));
    QVERIFY(!service.setCommPort(-1));
    QCOMPARE(service.commPort(), 0);
    QVERIFY(!service.open());

    // A refused number keeps the one set before.
    QVERIFY(service.setCommPort(4));
    QVERIFY(!service.setCommPort(0));
    QCOMPARE(service.commPort(), 4);

    // The number cannot change under an open port.
    QVERIFY2(service.open(), qPrintable(service.lastError()));
    QVERIFY(!service.setCommPort(6));
    QCOMPARE(service.commPort(), 4);
    QVERIFY(!service.open());
    QVERIFY(service.isOpen());
}

// Even root, for whom the exclusive-use flag does not count, finds the port busy: the lock
// file decides.
void TestSerialPortService::portHeldByAnotherFails()
{
    PtyPeer peer;
    QVERIFY(peer.isValid());
    seriallink::SerialPortService first;
    QVERIFY2(openOn(first, peer), qPrintable(first.lastError()));

    seriallink::SerialPortService second;
    QVERIFY(!openOn(second, peer));
    QVERIFY(!second.lastError().isEmpty());
    QCOMPARE(second.lastOpenProblem().summary(), QStringLiteral("held by another program"));
    QCOMPARE(second.state(), seriallink::SerialPortService::State::Closed);

    // The failed attempt left the holder working.
    QVERIFY(first.output(QByteArray("ok")));
    QCOMPARE(peer.waitForBytes(2, kEventTimeoutMs), QByteArray("ok"));

    // A plain QSerialPort holding the port is just as busy.
    first.close();
    QSerialPort other(peer.slavePath());
    QVERIFY(other.open(QIODevice::ReadWrite));
    QVERIFY(!second.open());
    QCOMPARE(second.lastOpenProblem().kind, ports::OpenProblem::Kind::Held);
    other.close();

    // Once released, the port opens, and the old problem is gone.
    QVERIFY2(second.open(), qPrintable(second.lastError()));
    QCOMPARE(second.lastOpenProblem().kind, ports::OpenProblem::Kind::Other);
    QVERIFY(second.lastOpenProblem().device.isEmpty());
}

// Root may open anything, so the refusal itself cannot be staged here; what the user is told
// to do about it can.
void TestSerialPortService::permissionProblemNamesTheGroup()
{
    ports::OpenProblem problem;
    problem.kind = ports::OpenProblem::Kind::NoPermission;
    problem.device = QStringLiteral("/dev/ttyUSB0");
    QCOMPARE(problem.advice(), QStringLiteral("no permission"));
    problem.group = QStringLiteral("dialout");
    QVERIFY(problem.advice().startsWith(QStringLiteral("no permission")));
    QVERIFY(problem.advice().contains(QStringLiteral("'dialout'")));
    QVERIFY(problem.advice().contains(QStringLiteral("log in again")));
}

void TestSerialPortService::closeDeliversQueuedBytes()
{
    PtyPeer peer;
    QVERIFY(peer.isValid());
    QByteArray frame;
    for (int i = 0; i < 66; ++i)
        frame += static_cast<char>(0xC0 ^ i);

    seriallink::SerialPortService service;
    QVERIFY2(openOn(service, peer), qPrintable(service.lastError()));
    for (char c : frame)
        QVERIFY(service.output(static_cast<std::uint8_t>(c)));
    service.close();
    QVERIFY(!service.isOpen());
    QCOMPARE(peer.waitForBytes(66, kEventTimeoutMs), frame);

    // Reopens after a close, and the destructor delivers what is queued too.
    {
        seriallink::SerialPortService again;
        QVERIFY2(openOn(again, peer), qPrintable(again.lastError()));
        QVERIFY(again.output(frame));
    }
    QCOMPARE(peer.waitForBytes(66, kEventTimeoutMs), frame);
}

// The module's end vanishes while the port is open (a pulled adapter looks the same): one
// report, the port closed, and an idle process afterwards, not one that spins on errors.
void TestSerialPortService::peerHangUpLosesDeviceOnce()
{
    PtyPeer peer;
    QVERIFY(peer.isValid());
    seriallink::SerialPortService service;
    QVERIFY2(openOn(service, peer), qPrintable(service.lastError()));
    QSignalSpy lost(&service, &seriallink::SerialPortService::deviceLost);
    QSignalSpy notices(&service, &seriallink::SerialPortService::onComm);

    peer.hangUp();
    QVERIFY(lost.wait(kEventTimeoutMs));
    QCOMPARE(service.state(), seriallink::SerialPortService::State::Lost);
    QVERIFY(!service.isOpen());
    QCOMPARE(service.bytesWaiting(), qint64{0});
    QVERIFY(!service.lastError().isEmpty());

    const qint64 cpuBefore = cpuMicroseconds();
    QTest::qWait(1000);
    const qint64 cpuUsedMs = (cpuMicroseconds() - cpuBefore) / 1000;
    QVERIFY2(cpuUsedMs < 150, qPrintable(QStringLiteral("%1 ms CPU in 1 s idle").arg(cpuUsedMs)));
    QCOMPARE(lost.size(), 1);
    QCOMPARE(notices.size(), 0);

    // Nothing more goes out, and nothing reopens behind the user's back.
    QVERIFY(!service.output(std::uint8_t{0x41}));
    QVERIFY(!service.output(QByteArray("more")));
    QCOMPARE(service.state(), seriallink::SerialPortService::State::Lost);
    QCOMPARE(lost.size(), 1);

    // A deliberate close afterwards settles the state without a second report.
    service.close();
    QCOMPARE(service.state(), seriallink::SerialPortService::State::Closed);
    QCOMPARE(lost.size(), 1);

    // The adapter plugged in again: the next open works as before.
    PtyPeer replacement;
    QVERIFY(replacement.isValid());
    service.setDeviceResolver([&](int) { return replacement.slavePath(); });
    QVERIFY2(service.open(), qPrintable(service.lastError()));
    QVERIFY(service.output(QByteArray("\xFE\x06", 2)));
    QCOMPARE(replacement.waitForBytes(2, kEventTimeoutMs), QByteArray("\xFE\x06", 2));
}

QTEST_GUILESS_MAIN(TestSerialPortService)
#include "tst_serialportservice.moc"
