#pragma once
// A network serial port as a Line: QTcpSocket, and for rfc2217:// the Telnet codec.
//
// Opening is a small state machine driven by the socket's signals, never by waiting:
//
//   Connecting --connected--> (socket://) Open
//                             (rfc2217://) Greeting: nothing is sent until the server
//                             speaks Telnet (every Telnet server here offers its options
//                             first), so a raw port never gets Telnet bytes on its display
//              --IAC--> Negotiating: offers sent; once the server takes COM-PORT-OPTION,
//                       SET-BAUDRATE, SET-DATASIZE, SET-PARITY and SET-STOPSIZE go out
//              --every answer as asked, BINARY both ways--> Open
//
// Everything from open() to Open must happen within 5 s; a failure however early (a
// network unreachable inside connectToHost) ends the attempt with its reason. A refusal of
// COM-PORT-OPTION or BINARY, or an answer other than what was asked, closes the line: it is
// never used at a wrong speed or 7 bits wide. A server that hangs up before Open is quoted
// (telnet/serverwords.h). While open, a new speed goes out as SET-BAUDRATE and its answer is
// checked the same way; the server may suspend and resume what we send.
//
// On socket:// the line is Open at connect; its first bytes are judged (telnet/serverwords.h)
// before any reaches the reader, so a refusal in words or a Telnet server is a lost line
// with the reason, never replies.

#include <QElapsedTimer>
#include <QTimer>

#include "link/line.h"
#include "ports/portaddress.h"
#include "telnet/telnetcodec.h"

class QTcpSocket;

namespace seriallink
{

class NetworkLine : public Line
{
    Q_OBJECT
public:
    static constexpr int kOpenTimeoutMs = 5000;

    explicit NetworkLine(QObject *parent = nullptr);
    ~NetworkLine() override;

    Opening open(const QString &device, const LineSettings &settings) override;
    void applySettings(const LineSettings &settings) override;
    void close() override;
    void drop() override;
    bool isOpen() const override { return m_phase == Phase::Open; }

    bool write(const QByteArray &bytes) override;
    bool flush(int timeoutMs) override;
    qint64 bytesUnsent() const override;
    bool isHeld() const override { return m_suspended; }
    QByteArray readAll() override;
    qint64 bytesAvailable() const override { return m_received.size(); }
    QString errorString() const override { return m_error; }

private:
    enum class Phase { Closed, Connecting, Greeting, Negotiating, Open };

    void handleConnected();
    void handleReadyRead();
    void takeRaw(const QByteArray &bytes);
    void takeTelnet(const QByteArray &bytes);
    void handleSocketError();
    void handleEvents(const std::vector<telnet::Event> &events);
    // SET-BAUDRATE, and with `all` the data size, parity and stop bits as well.
    void sendSettings(bool all);
    void refuse(const QString &reason);
    void becomeOpen();
    void deliver(const QByteArray &bytes);
    void failOpen(ports::OpenProblem::Kind kind, const QString &detail = {});
    void failWhileOpen(const QString &reason);
    // "the server closed the connection", with the first line it said, if any.
    QString closedWords() const;
    // Ends the connection. An open one stays `stayMs` first, then hands on what the server
    // still holds, waiting for it at most `drainMs`.
    void release(int drainMs, qint64 stayMs = 0);

    QTcpSocket *m_socket = nullptr;
    telnet::TelnetCodec m_codec;
    ports::NetworkAddress m_address;
    LineSettings m_settings;
    Phase m_phase = Phase::Closed;
    bool m_inOpen = false; // open() is still running: a failure is its result, not a signal
    QTimer m_deadline;
    // The SET-* answers still owed, in the order they were asked (events of the same kind).
    std::vector<telnet::Event> m_awaited;
    QByteArray m_received;
    QByteArray m_greeting;    // what the server said before the line was ours (kMaxGreeting)
    bool m_judging = false;   // socket://: the first bytes are not yet known to be the module's
    QTimer m_judgeTimer;      // ... and a start of Telnet commands is held this long at most
    bool m_suspended = false; // the server asked us to hold what we send
    QByteArray m_heldOut;     // ... which waits here meanwhile, as it goes on the wire
    qint64 m_written = 0;     // module bytes written since open
    mutable qint64 m_lastUnsent = 0; // bytesUnsent() while the system could still tell
    QString m_error;
    QElapsedTimer m_clock;
    qint64 m_lineFreeAtMs = 0; // m_clock time when the bytes written so far have left the server
};

} // namespace seriallink
