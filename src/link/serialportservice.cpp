#include "link/serialportservice.h"

#include "link/porterrorwords.h"
#include "link/portresolver.h"

#include <QStringList>

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

SerialPortService::SerialPortService(QObject *parent)
    : QObject(parent), m_resolver([](int n) { return ports::deviceForPort(n); })
{
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPortService::handleReadyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialPortService::handleError);
}

SerialPortService::~SerialPortService()
{
    if (m_port.isOpen()) {
        flush(200);
        m_port.close();
    }
}

bool SerialPortService::setCommPort(int portNumber)
{
    if (portNumber < 1 || m_port.isOpen())
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
    m_baudRate = rate;
    m_parity = parity;
    m_dataBits = static_cast<QSerialPort::DataBits>(bits);
    m_stopBits = stop;
    if (m_port.isOpen()) {
        m_port.setBaudRate(m_baudRate);
        m_port.setParity(m_parity);
        m_port.setDataBits(m_dataBits);
        m_port.setStopBits(m_stopBits);
    }
    return true;
}

bool SerialPortService::open()
{
    if (m_port.isOpen()) {
        m_lastError = QStringLiteral("Port already open");
        return false;
    }
    const QString device = deviceName();
    if (device.isEmpty()) {
        m_lastError = QStringLiteral("No device for COM%1").arg(m_commPort);
        m_openProblem =
            ports::explainOpenFailure(device, QSerialPort::DeviceNotFoundError, m_lastError);
        return false;
    }
    m_port.setPortName(device);
    m_port.setBaudRate(m_baudRate);
    m_port.setParity(m_parity);
    m_port.setDataBits(m_dataBits);
    m_port.setStopBits(m_stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_lastError = m_port.errorString();
        m_openProblem = ports::explainOpenFailure(device, m_port.error(), m_lastError);
        return false;
    }
    m_port.clearError();
    m_lastError.clear();
    m_openProblem = {};
    setState(State::Open);
    return true;
}

void SerialPortService::close()
{
    if (m_port.isOpen()) {
        flush(500);
        m_port.close();
    }
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
    if (m_port.write(bytes) != bytes.size()) {
        loseDevice(ports::lostDeviceWords(m_port.portName()));
        return false;
    }
    return true;
}

bool SerialPortService::flush(int timeoutMs)
{
    if (!m_port.isOpen())
        return false;
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(timeoutMs))
            return false;
    }
    return true;
}

QByteArray SerialPortService::input()
{
    if (!m_port.isOpen())
        return {};
    return m_port.readAll();
}

qint64 SerialPortService::bytesWaiting() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

qint64 SerialPortService::bytesInDriver() const
{
#ifdef Q_OS_UNIX
    int queued = 0;
    if (m_port.isOpen() && ::ioctl(static_cast<int>(m_port.handle()), FIONREAD, &queued) == 0)
        return queued;
#endif
    return 0;
}

void SerialPortService::handleReadyRead()
{
    if (m_state == State::Open)
        emit onComm();
}

void SerialPortService::handleError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        if (m_state == State::Open)
            loseDevice(ports::lostDeviceWords(m_port.portName()));
        break;
    default:
        break;
    }
}

void SerialPortService::loseDevice(const QString &reason)
{
    if (m_state != State::Open)
        return;
    // Lost before anything else: clearing and closing raise errors of their own, which
    // must find the loss already recorded.
    m_state = State::Lost;
    m_lastError = reason;
    // Nothing queued can reach a vanished device; drop it instead of waiting for it.
    m_port.clear();
    m_port.close();
    emit stateChanged(m_state);
    emit deviceLost(reason);
}

void SerialPortService::setState(State state)
{
    if (m_state == state)
        return;
    m_state = state;
    emit stateChanged(state);
}
