#pragma once
// A network serial port as a Line: QTcpSocket, and for rfc2217:// the Telnet codec.
//
// Opening is a small state machine driven by the socket's signals, never by waiting:
//
//   Resolving/Connecting --connected--> (socket://) Open
//                                       (rfc2217://) Negotiating: offers sent; once the
//                                       server takes COM-PORT-OPTION, SET-BAUDRATE,
//                                       SET-DATASIZE, SET-PARITY and SET-STOPSIZE go out
//                                       --every answer as asked--> Open
//
// Everything from open() to Open must happen within 5 s. A refusal of COM-PORT-OPTION or
// an answer other than what was asked closes the line: it is never used at a wrong speed.
// While open, a new speed goes out as SET-BAUDRATE and its answer is checked the same way.

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
    QByteArray readAll() override;
    qint64 bytesAvailable() const override { return m_received.size(); }
    QString errorString() const override { return m_error; }

private:
    enum class Phase { Closed, Connecting, Negotiating, Open };

    void handleConnected();
    void handleReadyRead();
    void handleSocketError();
    void handleEvents(const std::vector<telnet::Event> &events);
    // SET-BAUDRATE, and with `all` the data size, parity and stop bits as well.
    void sendSettings(bool all);
    void becomeOpen();
    void failOpen(ports::OpenProblem::Kind kind, const QString &detail = {});
    void failWhileOpen(const QString &reason);
    // Ends the connection. An open one stays `stayMs` first, then hands on what the server
    // still holds, waiting for it at most `drainMs`.
    void release(int drainMs, qint64 stayMs = 0);

    QTcpSocket *m_socket = nullptr;
    telnet::TelnetCodec m_codec;
    ports::NetworkAddress m_address;
    LineSettings m_settings;
    Phase m_phase = Phase::Closed;
    QTimer m_deadline;
    // The SET-* answers still owed, in the order they were asked (events of the same kind).
    std::vector<telnet::Event> m_awaited;
    QByteArray m_received;
    QString m_error;
    QElapsedTimer m_clock;
    qint64 m_lineFreeAtMs = 0; // m_clock time when the bytes written so far have left the server
};

} // namespace seriallink
