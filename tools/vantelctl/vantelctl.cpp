#include "vantelctl.h"

#include "invocation.h"
#include "link/reconnector.h"
#include "link/replyreader.h"
#include "link/serialportservice.h"
#include "link/systemports.h"
#include "ports/comname.h"
#include "ports/portmap.h"
#include "script/parser.h"
#include "script/runner.h"
#include "settings/numeric.h"
#include "settings/settingsfile.h"

#include <QDir>

#include <algorithm>

namespace vantelctl
{

namespace
{

const QString kSettings9600 = QStringLiteral("9600,n,8,1");
const QString kSettings19200 = QStringLiteral("19200,n,8,1");

struct PortChoice {
    int comPort = 0;    // 1.. for COMn
    QString devicePath; // or a device as it stands
    QString shownAs;    // "COM3", "/dev/ttyUSB0"
    QString problem;    // why there is no port
};

// --port, or the settings file's CommPort read as the window reads it at start-up: missing
// is COM1, anything that is not one of COM1 to COM20 selects no port.
PortChoice choosePort(const QString &given, const SettingsFile &settings)
{
    PortChoice choice;
    if (!given.isEmpty()) {
        if (const ports::ComName name = ports::readComName(given);
            name.kind == ports::ComName::Kind::Port) {
            choice.comPort = name.number;
            choice.shownAs = QStringLiteral("COM%1").arg(name.number);
        } else {
            choice.devicePath = given;
            choice.shownAs = given;
        }
        return choice;
    }
    const QString text = settings.ReadINI(QStringLiteral("Settings"), QStringLiteral("CommPort"));
    const auto index = text.isEmpty() ? std::optional<qint16>(0) : toInt16RoundHalfEven(text, -1.0);
    if (!index || *index < 0 || *index >= ports::kWindowPorts) {
        choice.problem = QStringLiteral("%1 names no port (CommPort=%2); use --port COMn or "
                                        "--port PATH")
                             .arg(settings.path(), text);
        return choice;
    }
    choice.comPort = *index + 1;
    choice.shownAs = QStringLiteral("COM%1").arg(choice.comPort);
    return choice;
}

QString lineSettings(const std::optional<int> &speed, const SettingsFile &settings)
{
    if (speed)
        return *speed == 9600 ? kSettings9600 : kSettings19200;
    // Read as the window reads it: no value at all, as on a first run, is 19200.
    const QString saved = settings.ReadINI(QStringLiteral("Settings"), QStringLiteral("Setting"));
    return saved.left(4) == QLatin1String("9600") ? kSettings9600 : kSettings19200;
}

} // namespace

Vantelctl::Vantelctl(World world, QObject *parent) : QObject(parent), m_world(std::move(world))
{
    m_lineWatch.setInterval(50);
    connect(&m_lineWatch, &QTimer::timeout, this, &Vantelctl::watchLine);
}

Vantelctl::~Vantelctl() = default;

std::optional<int> Vantelctl::start(const QStringList &arguments)
{
    const auto parsed = parseInvocation(arguments);
    if (const auto *problem = std::get_if<QString>(&parsed)) {
        m_world.err(QStringLiteral("vantelctl: ") + *problem);
        return script::UsageError;
    }
    const Invocation &invocation = std::get<Invocation>(parsed);
    if (invocation.help) {
        m_world.out(usageText());
        return script::Success;
    }
    if (invocation.version) {
        m_world.out(QStringLiteral("vantelctl ") + m_world.version);
        return script::Success;
    }
    script::Parser parser({m_world.settingsPath, m_world.readStandardInput});
    for (const QStringList &command : invocation.commands) {
        if (!parser.addCommand(command)) {
            m_world.err(QStringLiteral("vantelctl: ") + parser.error());
            return script::UsageError;
        }
    }
    if (invocation.dryRun) {
        // Line by line as it is made: a dry run of millions of steps is not held whole.
        script::dryRun(parser.steps(), invocation.format,
                       [this](const QString &lines) { m_world.out(lines); });
        return script::Success;
    }
    return openAndRun(invocation, parser.steps());
}

std::optional<int> Vantelctl::openAndRun(const Invocation &invocation, script::Steps steps)
{
    const SettingsFile settings(m_world.settingsPath);
    // A settings file that cannot be read (a FIFO, a device, a folder) is as a missing one,
    // as in the window; said when the run would have used it.
    if (invocation.port.isEmpty() || !invocation.speed) {
        if (const SettingsSnapshot saved = settings.read(); !saved.isReadable())
            m_world.err(
                QStringLiteral("vantelctl: %1; the defaults are used").arg(saved.problem()));
    }
    const PortChoice port = choosePort(invocation.port, settings);
    if (!port.problem.isEmpty()) {
        m_world.err(QStringLiteral("vantelctl: ") + port.problem);
        return script::Failure;
    }
    m_port = std::make_unique<seriallink::SerialPortService>();
    if (port.comPort == 0) {
        m_port->setDeviceResolver([path = port.devicePath](int) { return path; });
        m_port->setCommPort(1);
    } else {
        m_port->setCommPort(port.comPort);
    }
    m_port->setSettings(lineSettings(invocation.speed, settings));
    m_shownAs = port.shownAs;
    m_comPort = port.comPort;
    if (!m_port->open()) {
        reportOpenProblem();
        return script::Failure;
    }
    if (m_port->state() == seriallink::SerialPortService::State::Open) {
        run(std::move(steps));
        return std::nullopt;
    }
    // A network port answers later; the steps wait for it.
    m_waitingSteps = std::move(steps);
    connect(m_port.get(), &seriallink::SerialPortService::openFailed, this, [this] {
        if (m_runner)
            return; // the reconnector's attempt: it tries again
        reportOpenProblem();
        emit finished(script::Failure);
    });
    connect(m_port.get(), &seriallink::SerialPortService::stateChanged, this,
            [this](seriallink::SerialPortService::State state) {
                if (state == seriallink::SerialPortService::State::Open && !m_runner)
                    run(std::exchange(m_waitingSteps, {}));
            });
    return std::nullopt;
}

void Vantelctl::reportOpenProblem()
{
    const ports::OpenProblem &problem = m_port->lastOpenProblem();
    QString line = QStringLiteral("vantelctl: cannot open %1").arg(m_shownAs);
    if (!problem.device.isEmpty() && problem.device != m_shownAs)
        line += QStringLiteral(" (%1)").arg(problem.device);
    line += QStringLiteral(": ") + problem.advice();
    // What stood in the way (a map that cannot be read, a name refused), or how to name one.
    const QString why = problem.kind == ports::OpenProblem::Kind::NoDevice && m_comPort > 0
                            ? seriallink::resolveDevice(m_comPort).problem
                            : QString();
    if (!why.isEmpty())
        line += QStringLiteral(" (%1)").arg(why);
    else if (problem.kind == ports::OpenProblem::Kind::NoDevice)
        line += QStringLiteral(" (set VANTEL_COM%1 to a device, name one in the port map "
                               "%2, or use --port PATH)")
                    .arg(m_comPort)
                    .arg(QDir::toNativeSeparators(ports::portMapPath()));
    m_world.err(line);
}

void Vantelctl::run(script::Steps steps)
{
    m_bytesToSend = 0;
    for (std::size_t i = 0; i < steps.size(); ++i)
        if (steps.kind(i) == script::Step::Kind::Send)
            m_bytesToSend += qint64(steps[i].frame.size());
    m_runner = std::make_unique<script::ScriptRunner>([this](const proto::Frame &frame) {
        return send(QByteArray(reinterpret_cast<const char *>(frame.data()),
                               static_cast<qsizetype>(frame.size())));
    });
    m_replies = std::make_unique<seriallink::ReplyReader>(*m_port);
    connect(m_replies.get(), &seriallink::ReplyReader::repliesRead, m_runner.get(),
            [this](const seriallink::ReplyBatch &batch) {
                for (const proto::Reply &reply : batch.replies)
                    m_runner->takeReply(reply);
            });
    connect(m_replies.get(), &seriallink::ReplyReader::bytesDropped, m_runner.get(),
            [this](const QByteArray &bytes) { m_runner->takeDropped(bytes); });
    const auto lost = [this](const QString &reason) {
        if (m_draining)
            finish(script::Failure, lostWords(reason));
        else
            m_runner->fail(lostWords(reason));
    };
    bool reconnects = false;
    for (std::size_t i = 0; i < steps.size() && !reconnects; ++i)
        reconnects = steps.kind(i) == script::Step::Kind::Listen && steps[i].reconnect;
    if (reconnects) {
        // Only the listen waits: a loss during any other step ends the run as ever.
        m_reconnector = std::make_unique<seriallink::Reconnector>(*m_port);
        connect(m_reconnector.get(), &seriallink::Reconnector::lineLost, this,
                [this, lost](const QString &reason) {
                    if (m_draining || !m_runner->takeLineLost(reason))
                        lost(reason);
                });
        connect(m_reconnector.get(), &seriallink::Reconnector::lineBack, m_runner.get(),
                [this] { m_runner->takeLineBack(); });
    } else {
        connect(m_port.get(), &seriallink::SerialPortService::deviceLost, this, lost);
    }
    connect(m_runner.get(), &script::ScriptRunner::told, this,
            [this](const QString &line) { m_world.err(line); });
    connect(m_runner.get(), &script::ScriptRunner::printed, this, [this](const QString &line) {
        if (!m_world.out(line))
            m_runner->stop();
    });
    connect(m_runner.get(), &script::ScriptRunner::finished, this, &Vantelctl::end,
            Qt::QueuedConnection);
    m_runner->start(std::move(steps));
}

bool Vantelctl::send(const QByteArray &bytes)
{
    if (!m_port->output(bytes))
        return false;
    if (m_port->bytesUnsent() > kPaceBytes && !m_lineWatch.isActive()) {
        m_runner->setHeld(true);
        m_lineWatch.start();
    }
    return true;
}

void Vantelctl::watchLine()
{
    if (m_port->state() != seriallink::SerialPortService::State::Open)
        return; // deviceLost tells
    const qint64 unsent = m_port->bytesUnsent();
    if (!m_draining) {
        if (unsent <= kPaceBytes / 2) {
            m_lineWatch.stop();
            m_runner->setHeld(false);
        }
        return;
    }
    // Done when nothing waits twice in a row: a server that refuses us hangs up at once,
    // and its hang-up must find us still here.
    m_drainedTicks = unsent == 0 ? m_drainedTicks + 1 : 0;
    if (m_drainedTicks >= 2)
        finish(script::Success, {});
}

QString Vantelctl::lostWords(const QString &reason) const
{
    const QString words = QStringLiteral("%1 was lost: %2").arg(m_shownAs, reason);
    return m_port->bytesSent() < m_bytesToSend ? words + QStringLiteral(" (%1)").arg(sentWords())
                                               : words;
}

QString Vantelctl::sentWords() const
{
    return QStringLiteral("%1 of %2 bytes went out").arg(m_port->bytesSent()).arg(m_bytesToSend);
}

void Vantelctl::stop()
{
    if (m_draining) {
        finish(script::Failure, QStringLiteral("interrupted (%1)").arg(sentWords()));
    } else if (m_runner) {
        m_runner->stop();
    } else if (m_port && m_port->state() == seriallink::SerialPortService::State::Connecting) {
        m_port->close();
        m_world.err(QStringLiteral("vantelctl: interrupted"));
        emit finished(script::Failure);
    }
}

void Vantelctl::end(int status, const QString &problem)
{
    // A success is one only once every byte has left: the last ones go out first.
    if (status == script::Success &&
        m_port->state() == seriallink::SerialPortService::State::Open) {
        m_draining = true;
        m_drainedTicks = 0;
        m_lineWatch.start();
        return;
    }
    finish(status, problem);
}

void Vantelctl::finish(int status, const QString &problem)
{
    m_lineWatch.stop();
    m_draining = false;
    if (!problem.isEmpty())
        m_world.err(QStringLiteral("vantelctl: ") + problem);
    // No attempt to reopen the port follows.
    if (m_reconnector)
        m_reconnector->setEnabled(false);
    m_port->close();
    emit finished(status);
}

} // namespace vantelctl
