#include "windowbench.h"

#include "app/frmmain.h"
#include "config/lcdsettingspage.h"
#include "io/inputsoutputspage.h"
#include "protocol/messagetext.h"
#include "protocol/protocol.h"
#include "ser2netserver.h"
#include "stallprobe.h"
#include "widgets/controls.h"
#include "widgets/twips.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <sys/resource.h>

namespace
{

constexpr int kPort = 3;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

QString messageText(int k)
{
    return QStringLiteral("Upload message %1").arg(k + 1, 2, 10, QLatin1Char('0'));
}

} // namespace

WindowBench::WindowBench(bool throughSer2Net) : m_throughSer2Net(throughSer2Net) {}

WindowBench::~WindowBench()
{
    m_fixture.reset();
    m_server.reset();
    m_line.reset();
}

frmMain &WindowBench::window()
{
    return m_fixture->window();
}

bool WindowBench::start(QString &error)
{
    m_line = std::make_unique<PtyLine>();
    if (!m_line->isValid()) {
        error = QStringLiteral("no pseudo-terminal");
        return false;
    }
    QByteArray ini = "[MSG]\r\n";
    for (int k = 0; k < proto::kMessageCount; ++k)
        ini += QStringLiteral("M%1=%2\r\n").arg(k + 1).arg(messageText(k)).toLatin1();
    QString device = m_line->slavePath();
    if (m_throughSer2Net) {
        if (!Ser2NetServer::installed()) {
            error = QStringLiteral("ser2net is not installed");
            return false;
        }
        m_server = std::make_unique<Ser2NetServer>(m_line->slavePath());
        if (!m_server->start()) {
            error = QStringLiteral("ser2net did not start");
            return false;
        }
        device = m_server->rfc2217Url();
    }
    m_fixture = std::make_unique<WindowFixture>(ini, kPort, device);
    if (m_fixture->iniContent() != ini) {
        error = QStringLiteral("cannot write %1").arg(m_fixture->iniPath());
        return false;
    }
    if (!QTest::qWaitForWindowExposed(&window())) {
        error = QStringLiteral("the window was never exposed");
        return false;
    }

    // Counts what the window takes from the port in whole replies, after the window has
    // drawn each read (this connection comes after the window's own).
    QObject::connect(&window().replyReader(), &seriallink::ReplyReader::repliesRead, &window(),
                     [this](const seriallink::ReplyBatch &batch) {
                         m_consumed += qsizetype(batch.replies.size()) * 3;
                         if (m_consumeTarget >= 0 && m_consumed >= m_consumeTarget) {
                             m_consumedAt = Clock::now();
                             m_consumeTarget = -1;
                         }
                     });

    m_fixture->connect(true);
    // A network port connects in the background.
    if (!waitUntil(
            [this] {
                return window().port().state() != seriallink::SerialPortService::State::Connecting;
            },
            7000) ||
        !window().isConnected()) {
        error = QStringLiteral("Connect failed: %1").arg(window().port().lastError());
        return false;
    }
    return true;
}

void WindowBench::click(const QString &objectName)
{
    if (!m_fixture->findWidget(objectName))
        qFatal("no control named %s", qPrintable(objectName));
    m_fixture->click(objectName);
}

void WindowBench::wakeMainThread()
{
    QMetaObject::invokeMethod(
        qApp, [] {}, Qt::QueuedConnection);
}

bool WindowBench::waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer deadline;
    deadline.setSingleShot(true);
    deadline.start(timeoutMs);
    while (!done()) {
        if (elapsed.elapsed() >= timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

std::vector<double> WindowBench::clickLatency(const QString &button, int frameBytes, int repeats,
                                              bool endsPacedSequence)
{
    std::vector<double> samples;
    for (int i = 0; i < repeats; ++i) {
        m_line->clearReceived();
        std::atomic<bool> arrived = false;
        m_line->notifyAt(frameBytes, [&] {
            arrived = true;
            if (endsPacedSequence) {
                QMetaObject::invokeMethod(
                    &window(), [this] { window().pacing().abort(); }, Qt::QueuedConnection);
            }
            wakeMainThread();
        });
        const Clock::time_point clicked = Clock::now();
        click(button);
        if (!waitUntil([&] { return arrived.load(); }, 3000))
            return {};
        // The far end must hold exactly the frame: nothing lost, nothing extra.
        if (m_line->receivedSize() != frameBytes)
            return {};
        samples.push_back(ms(m_line->arrival(frameBytes - 1) - clicked));
        if (endsPacedSequence &&
            !waitUntil([&] { return !window().pacing().sequenceRunning(); }, 3000))
            return {};
    }
    return samples;
}

WindowBench::Upload WindowBench::upload(bool clickOthersMeanwhile)
{
    Upload result;
    m_line->clearReceived();
    LcdSettingsPage &page = *window().findChild<LcdSettingsPage *>();

    Clock::time_point endedAt;
    const auto connection = QObject::connect(
        &window().pacing(), &seriallink::PacingClock::sequenceRunningChanged, [&](bool running) {
            if (!running)
                endedAt = Clock::now();
        });
    // Other commands while the upload runs: screen home on "Text Display", the glyph table
    // on "Custom Characters", then back to the upload's page.
    QTimer others;
    others.setInterval(45);
    QObject::connect(&others, &QTimer::timeout, [&] {
        if (!window().pacing().sequenceRunning())
            return;
        click(result.otherClicks % 2 == 0 ? QStringLiteral("cmdCommand(0)")
                                          : QStringLiteral("cmdSendBitmap"));
        ++result.otherClicks;
        featureTabs(window())->setCurrentWidget(&page);
    });
    if (clickOthersMeanwhile)
        others.start();

    StallProbe probe;
    probe.start();
    const Clock::time_point clicked = Clock::now();
    click(QStringLiteral("cmdSetMsg"));
    // The upload goes on after the click: the window's own event loop runs it, and the
    // timer above clicks in between.
    const bool ended = waitUntil([&] { return !window().pacing().sequenceRunning(); }, 10000);
    probe.stop();
    others.stop();
    result.longestStallMs = probe.longestMs();
    result.busyInStallMs = probe.busyInLongestMs();
    QObject::disconnect(connection);
    if (!ended)
        return result;
    result.totalMs = ms(endedAt - clicked);

    // Every frame that should have arrived, in the order sent.
    qsizetype expected = proto::kMessageCount * (2 + proto::kMessageLength);
    const int bitmaps = result.otherClicks / 2;
    expected += (result.otherClicks - bitmaps) * 1 + bitmaps * (2 + proto::kGlyphTableSize);
    if (!waitUntil([&] { return m_line->receivedSize() >= expected; }, 3000))
        return result;
    const QByteArray bytes = m_line->received();

    // Walk the stream: message frames, home bytes and glyph tables, nothing else.
    std::vector<Clock::time_point> starts;
    int homes = 0;
    int tables = 0;
    qsizetype i = 0;
    bool inOrder = true;
    while (i < bytes.size()) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        const auto next = i + 1 < bytes.size() ? static_cast<std::uint8_t>(bytes[i + 1]) : 0;
        if (b == proto::kCursorHome) {
            ++homes;
            i += 1;
        } else if (b == proto::kPrefix && next == proto::kSetCustomChars) {
            ++tables;
            i += 2 + proto::kGlyphTableSize;
        } else if (b == proto::kPrefix && next >= proto::kStoreMessageFirst &&
                   next <= proto::kStoreMessageLast) {
            const int k = int(starts.size());
            const auto frame = proto::storeMessage(
                k, proto::messageBytes(
                       control<QLineEdit>(page, QStringLiteral("txtMsg(%1)").arg(k))->text()));
            const QByteArray wanted(reinterpret_cast<const char *>(frame->data()),
                                    qsizetype(frame->size()));
            inOrder = inOrder && bytes.mid(i, wanted.size()) == wanted;
            starts.push_back(m_line->arrival(i));
            i += wanted.size();
        } else {
            result.otherFramesWhole = false;
            break;
        }
    }
    result.complete =
        inOrder && starts.size() == std::size_t(proto::kMessageCount) && i == bytes.size();
    result.otherFramesWhole =
        result.otherFramesWhole && homes == result.otherClicks - bitmaps && tables == bitmaps;
    for (std::size_t k = 1; k < starts.size(); ++k)
        result.gaps.push_back(ms(starts[k] - starts[k - 1]));
    return result;
}

WindowBench::Flood WindowBench::flood(int replies, int pacedUs)
{
    Flood result;
    featureTabs(window())->setCurrentWidget(window().findChild<InputsOutputsPage *>());
    QCoreApplication::processEvents();

    // Readings and pin states that change with every reply, so every batch redraws; the
    // last three are recognisable in the window afterwards.
    QByteArray stream;
    stream.reserve(qsizetype(replies) * 3);
    for (int i = 0; i < replies - 3; ++i) {
        const auto hi = char((i >> 8) & 0xFF);
        const auto lo = char(i & 0xFF);
        const char b0 = char(proto::kReplyAnalog1 + i % 4); // FA, FB, FC, FD
        stream.append(b0).append(hi).append(lo);
    }
    stream.append("\xFA\x12\x34\xFB\x56\x78\xFC\x00\xA5", 9);

    StallProbe probe;
    m_consumed = 0;
    m_consumeTarget = stream.size();
    probe.start();
    if (pacedUs > 0)
        m_line->startWriting(stream, 3, std::chrono::microseconds(pacedUs));
    else
        m_line->startWriting(stream, 4096, {});
    const Clock::time_point began = m_line->writeStarted();
    const int timeoutMs = pacedUs > 0 ? replies * pacedUs / 1000 + 10000 : 120000;
    const bool done = waitUntil([&] { return m_consumeTarget < 0; }, timeoutMs);
    probe.stop();
    m_line->waitWritten();
    if (!done)
        return result;

    const InputsOutputsPage &io = *window().findChild<InputsOutputsPage *>();
    result.exact =
        m_consumed == stream.size() &&
        control<HexMonitor>(window(), QStringLiteral("lblRxData"))->text() ==
            QStringLiteral("FC 00 A5 ") &&
        control<QLabel>(io, QStringLiteral("lblAnVal(0)"))->text() == QStringLiteral("4660") &&
        control<QLabel>(io, QStringLiteral("lblAnVal(1)"))->text() == QStringLiteral("22136");
    if (io.p2Mode() == proto::P2Mode::Gpio) {
        for (int pin = 0; pin < 8; ++pin) {
            const bool high = (0xA5 >> pin) & 1;
            const QColor wanted = controls::fromBgr(high ? InputsOutputsPage::kBitSetColour
                                                         : InputsOutputsPage::kBitClearColour);
            result.exact = result.exact &&
                           controls::fill(control(io, twips::element("Shape1", pin))) == wanted;
        }
    }
    result.repliesPerSecond = replies / std::chrono::duration<double>(m_consumedAt - began).count();
    result.longestStallMs = probe.longestMs();
    result.busyInStallMs = probe.busyInLongestMs();
    return result;
}

WindowBench::Flood WindowBench::quiet(int ms)
{
    Flood result;
    StallProbe probe;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    probe.start();
    loop.exec();
    probe.stop();
    result.exact = true;
    result.longestStallMs = probe.longestMs();
    result.busyInStallMs = probe.busyInLongestMs();
    return result;
}

double WindowBench::idleCpuPercent(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    const double before = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    loop.exec();
    return 100.0 * (cpuSeconds() - before) / (double(wall.nsecsElapsed()) / 1e9);
}

bool WindowBench::vanish(int ms, double &whileBoxOpen, double &afterAnswer)
{
    bool sawBox = false;
    bool answered = false;
    double cpuBefore = 0;
    QElapsedTimer wall;
    // The loss opens a modal box, which stays until it is answered; watch for it from a timer.
    QTimer watch;
    watch.setInterval(20);
    QObject::connect(&watch, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || box->objectName() != QStringLiteral("DeviceLostBox"))
            return;
        watch.stop();
        sawBox = true;
        cpuBefore = cpuSeconds();
        wall.start();
        QTimer::singleShot(ms, box, [&, box] {
            whileBoxOpen = 100.0 * (cpuSeconds() - cpuBefore) / (double(wall.nsecsElapsed()) / 1e9);
            answered = true;
            box->button(QMessageBox::Ok)->click();
        });
    });
    watch.start();
    m_line->hangUp();
    if (!waitUntil([&] { return answered; }, ms + 10000))
        return false;
    afterAnswer = idleCpuPercent(ms);
    return sawBox && !window().isConnected();
}
