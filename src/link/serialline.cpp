#include "link/serialline.h"

#include "ports/porterrorwords.h"

#ifdef Q_OS_UNIX
#include <sys/ioctl.h>
#endif

namespace seriallink
{

namespace
{

ports::OpenError openError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return ports::OpenError::NotFound;
    case QSerialPort::PermissionError:
    case QSerialPort::OpenError:
        return ports::OpenError::Refused;
    default:
        return ports::OpenError::Other;
    }
}

} // namespace

SerialLine::SerialLine(QObject *parent) : Line(parent)
{
    connect(&m_port, &QSerialPort::readyRead, this, &Line::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &SerialLine::handleError);
}

SerialLine::~SerialLine()
{
    if (m_port.isOpen()) {
        flush(200);
        m_port.close();
    }
}

Line::Opening SerialLine::open(const QString &device, const LineSettings &settings)
{
    m_port.setPortName(device);
    m_port.setBaudRate(settings.baudRate);
    m_port.setParity(settings.parity);
    m_port.setDataBits(settings.dataBits);
    m_port.setStopBits(settings.stopBits);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    if (!m_port.open(QIODevice::ReadWrite)) {
        m_problem =
            ports::explainOpenFailure(device, openError(m_port.error()), m_port.errorString());
        return Opening::Failed;
    }
    m_port.clearError();
    m_problem = {};
    return Opening::Open;
}

void SerialLine::applySettings(const LineSettings &settings)
{
    if (!m_port.isOpen())
        return;
    m_port.setBaudRate(settings.baudRate);
    m_port.setParity(settings.parity);
    m_port.setDataBits(settings.dataBits);
    m_port.setStopBits(settings.stopBits);
}

void SerialLine::close()
{
    if (m_port.isOpen()) {
        flush(500);
        m_port.close();
    }
}

void SerialLine::drop()
{
    // Nothing queued can reach a vanished device; drop it instead of waiting for it.
    m_port.clear();
    m_port.close();
}

QString SerialLine::errorString() const
{
    return ports::lostDeviceWords(m_port.portName());
}

bool SerialLine::write(const QByteArray &bytes)
{
    return m_port.write(bytes) == bytes.size();
}

bool SerialLine::flush(int timeoutMs)
{
    if (!m_port.isOpen())
        return false;
    while (m_port.bytesToWrite() > 0) {
        if (!m_port.waitForBytesWritten(timeoutMs))
            return false;
    }
    return true;
}

QByteArray SerialLine::readAll()
{
    return m_port.isOpen() ? m_port.readAll() : QByteArray();
}

qint64 SerialLine::bytesAvailable() const
{
    return m_port.isOpen() ? m_port.bytesAvailable() : 0;
}

qint64 SerialLine::bytesUnsent() const
{
    if (!m_port.isOpen())
        return 0;
    qint64 unsent = m_port.bytesToWrite();
#ifdef TIOCOUTQ
    int queued = 0;
    if (::ioctl(static_cast<int>(m_port.handle()), TIOCOUTQ, &queued) == 0)
        unsent += queued;
#endif
    return unsent;
}

qint64 SerialLine::bytesInDriver() const
{
#ifdef Q_OS_UNIX
    int queued = 0;
    if (m_port.isOpen() && ::ioctl(static_cast<int>(m_port.handle()), FIONREAD, &queued) == 0)
        return queued;
#endif
    return 0;
}

void SerialLine::handleError(QSerialPort::SerialPortError error)
{
    switch (error) {
    case QSerialPort::ResourceError:
    case QSerialPort::ReadError:
    case QSerialPort::WriteError:
        emit failed(errorString());
        break;
    default:
        break;
    }
}

} // namespace seriallink
