#include "lcddserver.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTcpServer>
#include <QTest>

#include <pwd.h>
#include <unistd.h>

#ifndef VANTEL_DRIVER_DIR
#error "VANTEL_DRIVER_DIR names the folder holding vantel.so"
#endif

namespace
{

constexpr const char *kLcdd = "/usr/sbin/LCDd";

quint16 freePort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 0;
    return server.serverPort();
}

} // namespace

LcddServer::LcddServer(const QStringList &section) : m_section(section)
{
    m_process.setProcessChannelMode(QProcess::MergedChannels);
}

LcddServer::~LcddServer()
{
    stop();
}

bool LcddServer::isInstalled()
{
    return QFile::exists(QString::fromLatin1(kLcdd));
}

bool LcddServer::start()
{
    m_port = freePort();
    const QString config = m_dir.filePath(QStringLiteral("LCDd.conf"));
    QFile file(config);
    if (m_port == 0 || !file.open(QIODevice::WriteOnly))
        return false;
    QStringList lines = {
        QStringLiteral("[server]"),
        QStringLiteral("DriverPath=%1/").arg(QStringLiteral(VANTEL_DRIVER_DIR)),
        QStringLiteral("Driver=vantel"),
        QStringLiteral("Bind=127.0.0.1"),
        QStringLiteral("Port=%1").arg(m_port),
        QStringLiteral("ReportToSyslog=no"),
        QStringLiteral("ReportLevel=4"),
        QStringLiteral("Foreground=yes"),
        QStringLiteral("ServerScreen=no"),
        QStringLiteral("Heartbeat=off"),
        // Started as root LCDd becomes User (nobody unless told), who could not open the
        // module's device again after it went away.
        QStringLiteral("User=%1").arg(QString::fromLocal8Bit(getpwuid(getuid())->pw_name)),
        QStringLiteral("[vantel]"),
    };
    if (!m_section.join(QLatin1Char('\n')).contains(QLatin1String("Device=")))
        lines << QStringLiteral("Device=%1").arg(devicePath());
    lines += m_section;
    file.write(lines.join(QLatin1Char('\n')).toUtf8() + '\n');
    file.close();
    m_process.start(QString::fromLatin1(kLcdd),
                    {QStringLiteral("-f"), QStringLiteral("-c"), config});
    if (!m_process.waitForStarted(5000))
        return false;
    const QDeadlineTimer deadline(8000);
    while (!deadline.hasExpired() && m_process.state() == QProcess::Running) {
        QTcpSocket probe;
        probe.connectToHost(QHostAddress::LocalHost, m_port);
        if (probe.waitForConnected(200))
            return true;
        QTest::qWait(50);
    }
    return false;
}

void LcddServer::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000)) {
        m_process.kill();
        m_process.waitForFinished(2000);
    }
    output();
}

QByteArray LcddServer::output()
{
    m_output += m_process.readAll();
    return m_output;
}

bool LineClient::connectTo(quint16 port)
{
    m_socket.connectToHost(QHostAddress::LocalHost, port);
    return m_socket.waitForConnected(3000);
}

QByteArray LineClient::waitForLine(const QByteArray &prefix, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (m_socket.canReadLine()) {
            const QByteArray line = m_socket.readLine().trimmed();
            if (line.startsWith(prefix))
                return line;
        }
        if (deadline.hasExpired() || m_socket.state() != QAbstractSocket::ConnectedState)
            return {};
        QTest::qWait(10);
    }
}

QByteArray LineClient::command(const QByteArray &line, int timeoutMs)
{
    m_socket.write(line + '\n');
    const QDeadlineTimer deadline(timeoutMs);
    for (;;) {
        while (m_socket.canReadLine()) {
            const QByteArray answer = m_socket.readLine().trimmed();
            if (!answer.startsWith("listen ") && !answer.startsWith("ignore "))
                return answer;
        }
        if (deadline.hasExpired() || m_socket.state() != QAbstractSocket::ConnectedState)
            return {};
        QTest::qWait(10);
    }
}
