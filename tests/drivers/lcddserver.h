#pragma once
// Debian's LCDd run by a test, with this build's driver: a config in a temporary folder
// whose DriverPath is the build folder, the driver's section naming the module's device,
// and a free TCP port on 127.0.0.1. Clients of the test connect with LineClient.

#include <QByteArray>
#include <QProcess>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>

class LcddServer
{
public:
    // `section` holds the [vantel] lines; Device is devicePath() unless they name one.
    explicit LcddServer(const QStringList &section);
    ~LcddServer();

    static bool isInstalled();
    // Starts LCDd and waits until it takes connections; false (with output()) if not.
    bool start();
    void stop();
    quint16 port() const { return m_port; }
    qint64 pid() const { return m_process.processId(); }
    QString folder() const { return m_dir.path(); }
    // The device the driver opens: the test links it to the module's pseudo-terminal, as
    // /dev/serial/by-id links name an adapter.
    QString devicePath() const { return m_dir.filePath(QStringLiteral("module")); }
    // Everything LCDd printed so far.
    QByteArray output();

private:
    QTemporaryDir m_dir;
    QStringList m_section;
    QProcess m_process;
    QByteArray m_output;
    quint16 m_port = 0;
};

// A client speaking LCDproc's line protocol. Waits poll the event loop, so the module
// model's pump keeps running meanwhile.
class LineClient
{
public:
    bool connectTo(quint16 port);
    // Sends the line and returns the first answer line that is not a listen/ignore notice.
    QByteArray command(const QByteArray &line, int timeoutMs = 3000);
    // The first line starting with `prefix` within the time, or empty.
    QByteArray waitForLine(const QByteArray &prefix, int timeoutMs = 3000);

private:
    QTcpSocket m_socket;
};
