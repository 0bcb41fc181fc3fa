#pragma once
// One line to the module, whatever carries it: a local serial port (SerialLine) or a
// network serial port (NetworkLine). SerialPortService talks to the module only through
// this, so every promise it makes holds for both.
//
// The promises a line keeps:
//  - open() either opens at once, fails at once, or is Pending and later raises exactly
//    one of opened() or openFailed(); it never blocks the caller on the network.
//  - failed() is raised at most once per open, when the device or server goes away; the
//    line is then quiet until the service drops or closes it.
//  - close() hands what is queued to the device first (briefly), drop() throws it away;
//    after either, nothing is written and no signal comes from this open.

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include "ports/portproblem.h"

namespace seriallink
{

struct LineSettings {
    qint32 baudRate = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

class Line : public QObject
{
    Q_OBJECT
public:
    enum class Opening { Open, Pending, Failed };

    using QObject::QObject;
    ~Line() override;

    // Failed: problem() says why.
    virtual Opening open(const QString &device, const LineSettings &settings) = 0;
    // Settings for an open line; a line that cannot take them raises failed().
    virtual void applySettings(const LineSettings &settings) = 0;
    virtual void close() = 0;
    virtual void drop() = 0;
    virtual bool isOpen() const = 0;

    // Queues bytes; false when they could not all be queued (errorString() says why).
    virtual bool write(const QByteArray &bytes) = 0;
    // Waits until every queued byte has been handed on (or the timeout ends).
    virtual bool flush(int timeoutMs) = 0;
    // Of the bytes written since open, those that have not left the program yet: queued
    // here, or in the system's queue for the device or the connection where the system
    // tells (a serial driver's output queue, a TCP send queue not yet acknowledged).
    virtual qint64 bytesUnsent() const = 0;
    // The far end asked us to hold what we send (a network server's flow control).
    virtual bool isHeld() const { return false; }
    virtual QByteArray readAll() = 0;
    virtual qint64 bytesAvailable() const = 0;
    // Bytes the system holds that the line has not read yet (0 where it cannot tell).
    virtual qint64 bytesInDriver() const { return 0; }
    virtual QString errorString() const = 0;

    const ports::OpenProblem &problem() const { return m_problem; }

signals:
    void opened();
    void openFailed();
    void readyRead();
    void failed(const QString &reason);

protected:
    ports::OpenProblem m_problem;
};

} // namespace seriallink
