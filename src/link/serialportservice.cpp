#include "link/serialportservice.h"

#include "link/networkline.h"
#include "link/serialline.h"
#include "link/systemports.h"
#include "ports/portaddress.h"

#include <QSerialPort>
#include <QStringList>

#include <algorithm>

namespace seriallink
{

SerialPortService::SerialPortService(QObject *parent)
    : QObject(parent), m_resolver([](int n) { return deviceForPort(n); })
{
    m_sendWatch.setInterval(50);
    connect(&m_sendWatch, &QTimer::timeout, this, &SerialPortService::watchSending);
}

SerialPortService::~SerialPortService()
{
    // The line flushes and closes itself; none of its signals may reach a half-destroyed
    // service.
    if (m_line)
        m_line->disconnect(this);
}

bool SerialPortService::setCommPort(int portNumber)
{
    if (portNumber < 1 || m_state == State::Open || m_state == State::Connecting)
        return false;
    m_commPort = portNumber;
    return true;
}

QString SerialPortService::deviceName() const
{
    return m_commPort < 1 ? QString() : m_resolver(m_commPort);
}

void SerialPortService::setDeviceResolver(DeviceResolver resolver)
{
    m_resolver = std::move(resolver);
}

bool SerialPortService::setSettings(const QString &settings)
{
    const QStringList parts = settings.split(QLatin1Char(','));
    if (parts.size() != 4)
        return false;
    bool ok = false;
    const qint32 rate = parts[0].trimmed().toInt(&ok);
    if (!ok || rate <= 0)
        return false;

    QSerialPort::Parity parity;
    const QString p = parts[1].trimmed().toLower();
    if (p == QLatin1String("n"))
        parity = QSerialPort::NoParity;
    else if (p == QLatin1String("e"))
        parity = QSerialPort::EvenParity;
    else if (p == QLatin1String("o"))
        parity = QSerialPort::OddParity;
    else if (p == QLatin1String("m"))
        parity = QSerialPort::MarkParity;
    else if (p == QLatin1String("s"))
        parity = QSerialPort::SpaceParity;
    else
        return false;

    const int bits = parts[2].trimmed().toInt(&ok);
    if (!ok || bits < 5 || bits > 8)
        return false;
    const QString s = parts[3].trimmed();
    QSerialPort::StopBits stop;
    if (s == QLatin1String("1"))
        stop = QSerialPort::OneStop;
    else if (s == QLatin1String("2"))
        stop = QSerialPort::TwoStop;
    else if (s == QLatin1String("1.5"))
        stop = QSerialPort::OneAndHalfStop;
    else
        return false;

    m_settings = settings;
    m_lineSettings = {rate, parity, static_cast<QSerialPort::DataBits>(bits), stop};
    if (m_line && (m_state == State::Open || m_state == State::Connecting))
        m_line->applySettings(m_lineSettings);
    return true;
}

void SerialPortService::useLineFor(const QString &device)
{
    const bool network = ports::isNetworkName(device);
    if (m_line && (qobject_cast<NetworkLine *>(m_line.get()) != nullptr) == network)
        return;
    if (m_line) {
        m_line->disconnect(this);
        m_line.release()->deleteLater(); // this may run inside one of its signals
    }
    if (network)
        m_line = std::make_unique<NetworkLine>();
    else
        m_line = std::make_unique<SerialLine>();
    connect(m_line.get(), &Line::readyRead, this, &SerialPortService::handleReadyRead);
    connect(m_line.get(), &Line::failed, this, &SerialPortService::loseDevice);
    connect(m_line.get(), &Line::opened, this, &SerialPortService::handleOpened);
    connect(m_line.get(), &Line::openFailed, this, &SerialPortService::handleOpenFailed);
}

bool SerialPortService::open()
{
    if (m_state == State::Open || m_state == State::Connecting) {
        m_lastError = QStringLiteral("Port already open");
        return false;
    }
    const QString device = deviceName();
    if (device.isEmpty()) {
        m_lastError = QStringLiteral("No device for COM%1").arg(m_commPort);
        m_openProblem = ports::explainOpenFailure(device, ports::OpenError::NotFound, m_lastError);
        return false;
    }
    useLineFor(device);
    const Line::Opening opening = m_line->open(device, m_lineSettings);
    if (opening == Line::Opening::Failed) {
        m_openProblem = m_line->problem();
        m_lastError = m_openProblem.detail;
        return false;
    }
    m_lastError.clear();
    m_openProblem = {};
    m_output = 0;
    m_sentSeen = 0;
    setState(opening == Line::Opening::Open ? State::Open : State::Connecting);
    return true;
}

void SerialPortService::handleOpened()
{
    if (m_state == State::Connecting)
        setState(State::Open);
}

void SerialPortService::handleOpenFailed()
{
    if (m_state != State::Connecting)
        return;
    m_openProblem = m_line->problem();
    m_lastError = m_openProblem.summary();
    setState(State::Closed);
    emit openFailed();
}

void SerialPortService::close()
{
    if (m_line)
        m_line->close();
    setState(State::Closed);
}

bool SerialPortService::output(std::uint8_t byte)
{
    const char c = static_cast<char>(byte);
    return output(QByteArray(&c, 1));
}

bool SerialPortService::output(const QByteArray &bytes)
{
    if (m_state != State::Open)
        return false;
    if (!m_line->write(bytes)) {
        loseDevice(m_line->errorString());
        return false;
    }
    m_output += bytes.size();
    if (!m_sendWatch.isActive()) {
        m_sentAtProgress = bytesSent();
        m_sinceProgress.start();
        m_sendWatch.start();
    }
    return true;
}

qint64 SerialPortService::bytesUnsent() const
{
    if (m_state != State::Open)
        return m_output - m_sentSeen;
    const qint64 unsent = std::min(m_line->bytesUnsent(), m_output);
    m_sentSeen = std::max(m_sentSeen, m_output - unsent);
    return unsent;
}

qint64 SerialPortService::bytesSent() const
{
    return m_output - bytesUnsent();
}

void SerialPortService::watchSending()
{
    if (m_state != State::Open || bytesUnsent() == 0) {
        m_sendWatch.stop();
        return;
    }
    // Held by the server's own flow control: waiting is what it asked for.
    if (const qint64 sent = bytesSent(); sent > m_sentAtProgress || m_line->isHeld()) {
        m_sentAtProgress = sent;
        m_sinceProgress.start();
        return;
    }
    if (m_sinceProgress.elapsed() >= kStallMs)
        loseDevice(QStringLiteral("the line took no bytes for %1 s").arg(kStallMs / 1000));
}

bool SerialPortService::flush(int timeoutMs)
{
    return m_line && m_line->isOpen() && m_line->flush(timeoutMs);
}

QByteArray SerialPortService::input()
{
    return m_line && m_line->isOpen() ? m_line->readAll() : QByteArray();
}

qint64 SerialPortService::bytesWaiting() const
{
    return m_line && m_line->isOpen() ? m_line->bytesAvailable() : 0;
}

qint64 SerialPortService::bytesInDriver() const
{
    return m_line ? m_line->bytesInDriver() : 0;
}

void SerialPortService::handleReadyRead()
{
    if (m_state == State::Open)
        emit onComm();
}

void SerialPortService::loseDevice(const QString &reason)
{
    if (m_state != State::Open)
        return;
    // Lost before anything else: clearing and closing raise errors of their own, which
    // must find the loss already recorded.
    m_state = State::Lost;
    m_lastError = reason;
    m_sendWatch.stop();
    m_line->drop();
    emit stateChanged(m_state);
    emit deviceLost(reason);
}

void SerialPortService::setState(State state)
{
    if (state != State::Open)
        m_sendWatch.stop();
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}

} // namespace seriallink
