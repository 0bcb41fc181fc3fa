#include "ser2netserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

namespace
{

// Whether a TCP port listens on any local address (or none is asked for: 0). Looked up in
// the kernel's tables rather than by connecting: a connection would make ser2net open the
// device.
bool listening(quint16 port)
{
    if (port == 0)
        return true;
    const QByteArray suffix =
        QByteArray(":") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
    for (const char *path : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        QFile table(QString::fromLatin1(path));
        if (!table.open(QIODevice::ReadOnly))
            continue;
        const QList<QByteArray> lines = table.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() > 3 && fields[1].endsWith(suffix) && fields[3] == "0A")
                return true;
        }
    }
    return false;
}

} // namespace

bool Ser2NetServer::installed()
{
    return !QStandardPaths::findExecutable(QStringLiteral("ser2net")).isEmpty();
}

quint16 Ser2NetServer::freePort()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost, 0);
    return probe.serverPort();
}

Ser2NetServer::Ser2NetServer(const QString &device)
{
    m_rfc2217Port = freePort();
    m_rawPort = freePort();
    while (m_rawPort == m_rfc2217Port)
        m_rawPort = freePort();
    QFile config(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    if (config.open(QIODevice::WriteOnly)) {
        config.write(QStringLiteral("connection: &rfc2217\n"
                                    "  accepter: telnet(rfc2217),tcp,127.0.0.1,%1\n"
                                    "  connector: serialdev,%3,9600n81,local\n"
                                    "connection: &raw\n"
                                    "  accepter: tcp,127.0.0.1,%2\n"
                                    "  connector: serialdev,%3,9600n81,local\n")
                         .arg(m_rfc2217Port)
                         .arg(m_rawPort)
                         .arg(device)
                         .toUtf8());
    }
    // It says "Unable to start mdns" on every start here: nothing a test reader needs.
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

Ser2NetServer::Ser2NetServer(const QByteArray &config, quint16 rfc2217Port)
    : m_rfc2217Port(rfc2217Port)
{
    QFile file(m_dir.filePath(QStringLiteral("ser2net.yaml")));
    if (file.open(QIODevice::WriteOnly))
        file.write(config);
    m_process.setStandardOutputFile(QProcess::nullDevice());
    m_process.setStandardErrorFile(QProcess::nullDevice());
}

Ser2NetServer::~Ser2NetServer()
{
    kill();
}

bool Ser2NetServer::start()
{
    kill();
    m_process.start(QStringLiteral("ser2net"),
                    {QStringLiteral("-n"), QStringLiteral("-d"), QStringLiteral("-c"),
                     m_dir.filePath(QStringLiteral("ser2net.yaml"))});
    if (!m_process.waitForStarted())
        return false;
    QElapsedTimer clock;
    clock.start();
    while (!(listening(m_rfc2217Port) && listening(m_rawPort))) {
        if (clock.elapsed() > 5000 || m_process.state() != QProcess::Running)
            return false;
        QTest::qWait(20);
    }
    return true;
}

void Ser2NetServer::kill()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished();
}

QString Ser2NetServer::rfc2217Url() const
{
    return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_rfc2217Port);
}

QString Ser2NetServer::socketUrl() const
{
    return QStringLiteral("socket://127.0.0.1:%1").arg(m_rawPort);
}

UnhelpfulTelnetServer::UnhelpfulTelnetServer(Kind kind, QObject *parent)
    : QObject(parent), m_kind(kind)
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *client = m_server.nextPendingConnection()) {
            m_client = client;
            connect(client, &QTcpSocket::readyRead, this, [this, client] { answer(client); });
            client->write(m_kind == Kind::Demanding
                              ? QByteArray("\xFF\xFB\x03\xFF\xFB\x2C\xFF\xFA\x2C\x64\xFF\xF0", 12)
                              : QByteArray("\xFF\xFB\x03", 3));
        }
    });
}

void UnhelpfulTelnetServer::send(const QByteArray &bytes)
{
    if (m_client)
        m_client->write(bytes);
}

void UnhelpfulTelnetServer::answer(QTcpSocket *client)
{
    // Whole commands arrive in one read on loopback; enough for this server.
    const QByteArray in = client->readAll();
    m_received += in;
    QByteArray out;
    for (qsizetype i = 0; i + 2 < in.size(); ++i) {
        const auto verb = quint8(in[i + 1]);
        if (quint8(in[i]) != 0xFF)
            continue;
        if (verb == 0xFB || verb == 0xFD) { // WILL / DO
            const char option = in[i + 2];
            const bool will = verb == 0xFB;
            // Our side of COM-PORT-OPTION stays off.
            const bool take =
                m_kind != Kind::RefusesOptions && (option == 3 || (option == 44 && will) ||
                                                   (option == 0 && m_kind != Kind::RefusesBinary));
            char reply = take ? (will ? '\xFD' : '\xFB') : (will ? '\xFE' : '\xFC');
            if (m_kind == Kind::WontComPort && option == 44 && will)
                reply = '\xFC';
            out.append('\xFF').append(reply).append(option);
            i += 2;
        } else if (verb == 0xFA && i + 3 < in.size() && in[i + 2] == 44) {
            const auto code = quint8(in[i + 3]);
            if (code == 1 && m_kind == Kind::WrongSpeed)
                out.append(QByteArray("\xFF\xFA\x2C\x65\x00\x00\x25\x80\xFF\xF0", 10));
            else if (code == 1 && i + 7 < in.size())
                out.append("\xFF\xFA\x2C\x65", 4).append(in.mid(i + 4, 4)).append("\xFF\xF0", 2);
            else if (code >= 2 && code <= 4 && i + 4 < in.size())
                out.append("\xFF\xFA\x2C", 3)
                    .append(char(code + 100))
                    .append(code == 3 && m_kind == Kind::EvenParity ? '\x03' : in[i + 4])
                    .append("\xFF\xF0", 2);
            i += 3;
        }
    }
    client->write(out);
}
