#pragma once
// The serial port as the rest of the program sees it: a port number, a line settings
// string, open/close, byte writes, reading what waits, and one notification on the
// window's thread when enough bytes wait. Built on QSerialPort.
//
// A device that vanishes while open (adapter pulled, peer closed) shows up as a
// ResourceError, a stream of ReadErrors or a failed write. All of them close the port once
// and raise deviceLost once; nothing is retried, so the CPU stays idle afterwards.

#include <cstdint>

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <functional>

#include "link/portproblem.h"

class SerialPortService : public QObject
{
    Q_OBJECT
public:
    enum class CommEvent { None = 0, Receive = 2 };
    enum class State { Closed, Open, Lost };

    using DeviceResolver = std::function<QString(int)>;

    explicit SerialPortService(QObject *parent = nullptr);
    ~SerialPortService() override;

    // Port number n stands for COMn. Fails for numbers below 1 or while the port is open.
    bool setCommPort(int portNumber);
    int commPort() const { return m_commPort; }
    // The device COMn stands for right now (empty when there is none).
    QString deviceName() const;
    void setDeviceResolver(DeviceResolver resolver);

    // "9600,n,8,1" or "19200,n,8,1" (any rate, parity n/e/o/m/s, data bits 5-8, stop 1/2).
    bool setSettings(const QString &settings);
    QString settings() const { return m_settings; }

    // Received data is always delivered as bytes; the call exists to mirror the start-up
    // step that asks for it.
    void setInputModeBinary() { m_binaryInput = true; }
    bool binaryInput() const { return m_binaryInput; }
    void setReceiveThreshold(int bytes) { m_receiveThreshold = bytes < 1 ? 1 : bytes; }
    int receiveThreshold() const { return m_receiveThreshold; }

    bool open();
    // Flushes what is queued (briefly) before closing.
    void close();
    bool isOpen() const { return m_state == State::Open; }
    State state() const { return m_state; }
    QString lastError() const { return m_lastError; }
    // Why the last open() failed, in words a user can act on.
    const ports::OpenProblem &lastOpenProblem() const { return m_openProblem; }

    bool output(std::uint8_t byte);
    bool output(const QByteArray &bytes);
    // Waits until every queued byte has been handed to the device (or the timeout ends).
    bool flush(int timeoutMs = 1000);

    QByteArray input();
    qint64 bytesWaiting() const;
    CommEvent commEvent() const { return m_commEvent; }

signals:
    void onComm();
    void deviceLost(const QString &reason);

private:
    void handleReadyRead();
    void handleError(QSerialPort::SerialPortError error);
    void loseDevice(const QString &reason);

    QSerialPort m_port;
    DeviceResolver m_resolver;
    int m_commPort = 0;
    QString m_settings = QStringLiteral("9600,n,8,1");
    qint32 m_baudRate = 9600;
    QSerialPort::Parity m_parity = QSerialPort::NoParity;
    QSerialPort::DataBits m_dataBits = QSerialPort::Data8;
    QSerialPort::StopBits m_stopBits = QSerialPort::OneStop;
    bool m_binaryInput = false;
    int m_receiveThreshold = 1;
    State m_state = State::Closed;
    CommEvent m_commEvent = CommEvent::None;
    QString m_lastError;
    ports::OpenProblem m_openProblem;
};
