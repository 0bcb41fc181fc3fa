#pragma once
// The serial port as the rest of the program sees it: a port number, a line settings
// string, open/close, byte writes, reading what waits, and the notification onComm on the
// window's thread whenever bytes arrive (ReplyReader, the one reader, takes them at once;
// README's "Developing" section draws both ways through the link). Received data is always
// bytes, never text.
//
// The device COMn stands for is a local serial device (SerialLine) or a network address,
// rfc2217://HOST:PORT or socket://HOST:PORT (NetworkLine, see ports/portaddress.h); the rest of
// the program does not tell them apart. A local port opens at once; a network port fails
// at once (no route at all) or is Connecting first and then becomes Open, or goes back to
// Closed with openFailed().
//
// A device that vanishes while open (adapter pulled, peer closed, server gone) closes the
// port once and raises deviceLost once; nothing is retried, so the CPU stays idle afterwards.
// So does a line that takes none of the bytes waiting for it for kStallMs (a server whose
// reader stopped): while bytes wait, the port looks every 50 ms how many still do, and
// counts what has left (bytesSent), so a loss can say how much of it got out.

#include <cstdint>

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>
#include <memory>

#include "link/line.h"
#include "ports/portproblem.h"

namespace seriallink
{

class SerialPortService : public QObject
{
    Q_OBJECT
public:
    // Connecting: a network port is being reached; nothing can be sent yet.
    // Lost: the device vanished while open; the port is closed, and stays Lost until the
    // next open() or close(), so the loss is reported once.
    enum class State { Closed, Connecting, Open, Lost };

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

    // True when the port is Open, or Connecting (then openFailed() or Open follows).
    bool open();
    // Flushes what is queued (briefly) before closing; ends an attempt to connect.
    void close();
    bool isOpen() const { return m_state == State::Open; }
    State state() const { return m_state; }
    QString lastError() const { return m_lastError; }
    // Why the last open() failed (at once or with openFailed()), in words a user can act on.
    const ports::OpenProblem &lastOpenProblem() const { return m_openProblem; }

    bool output(std::uint8_t byte);
    bool output(const QByteArray &bytes);
    // Waits until every queued byte has been handed to the device (or the timeout ends).
    bool flush(int timeoutMs = 1000);

    static constexpr int kStallMs = 5000;
    // Bytes output() took since the last open, of them those that have left the program
    // (the line's own queue and the system's are empty of them: line.h), and the rest.
    // After a loss bytesSent() is what was seen to leave before it.
    qint64 bytesOutput() const { return m_output; }
    qint64 bytesSent() const;
    qint64 bytesUnsent() const;

    QByteArray input();
    // Bytes read from the device and not yet taken by input().
    qint64 bytesWaiting() const;
    // Bytes the driver holds that the port has not read yet (0 where it cannot tell): they
    // came while the event loop was busy, and onComm follows once it runs.
    qint64 bytesInDriver() const;

signals:
    void onComm();
    void stateChanged(SerialPortService::State state);
    void deviceLost(const QString &reason);
    // A Connecting port could not be opened; the state is Closed again.
    void openFailed();

private:
    void useLineFor(const QString &device);
    void handleReadyRead();
    void handleOpened();
    void handleOpenFailed();
    void loseDevice(const QString &reason);
    void setState(State state);
    void watchSending();

    std::unique_ptr<Line> m_line;
    DeviceResolver m_resolver;
    int m_commPort = 0;
    QString m_settings = QStringLiteral("9600,n,8,1");
    LineSettings m_lineSettings;
    State m_state = State::Closed;
    QString m_lastError;
    ports::OpenProblem m_openProblem;
    qint64 m_output = 0;
    mutable qint64 m_sentSeen = 0;
    QTimer m_sendWatch;          // runs while bytes wait to leave
    qint64 m_sentAtProgress = 0; // bytesSent() when last it grew
    QElapsedTimer m_sinceProgress;
};

} // namespace seriallink
