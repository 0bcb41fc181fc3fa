#pragma once
// vantelctl from its arguments to its exit status; main() only supplies the world around
// it (streams, environment, signals) and runs the event loop.
//
// 1. The options and every command are checked first (invocation.h, parser.h); any error
//    is a usage error: one line, status 2, no port opened.
// 2. --dry-run prints what would be sent and ends.
// 3. Otherwise the port opens (--port, or the settings file's port and speed, as the window
//    picks them), the steps play (runner.h), and the port is closed once every byte has
//    left the program. Writing keeps pace with the line: the run waits while more than
//    kPaceBytes wait to go out. A port that cannot be opened, a device that vanishes or
//    takes no bytes (bytes left undelivered: how many of how many went out), or a module
//    that does not answer in time ends the run with one line and status 1. A listen with
//    --reconnect waits out a loss instead: the reconnector opens the same port again once
//    a second.

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "script/steps.h"

namespace seriallink
{
class Reconnector;
class ReplyReader;
class SerialPortService;
} // namespace seriallink

namespace script
{
class ScriptRunner;
} // namespace script

namespace vantelctl
{

struct Invocation;

struct World {
    QString version;
    QString settingsPath;
    std::function<QByteArray()> readStandardInput;
    // Standard output and error, a line at a time; false when the line could not be written
    // (the reader went away), which ends a listen.
    std::function<bool(const QString &)> out;
    std::function<void(const QString &)> err;
};

class Vantelctl : public QObject
{
    Q_OBJECT
public:
    explicit Vantelctl(World world, QObject *parent = nullptr);
    ~Vantelctl() override;

    // The exit status when the program is done already (help, usage error, dry run, a port
    // that would not open), or nothing while the run goes on: finished() then tells.
    std::optional<int> start(const QStringList &arguments);
    // Ctrl+C or SIGTERM: ends a listen as success, anything else as interrupted.
    void stop();

signals:
    void finished(int status);

private:
    static constexpr qint64 kPaceBytes = 4096;

    std::optional<int> openAndRun(const Invocation &invocation, script::Steps steps);
    void run(script::Steps steps);
    void reportOpenProblem();
    bool send(const QByteArray &bytes);
    void watchLine();
    // "COM3 was lost: REASON", and how much had gone out when some had not.
    QString lostWords(const QString &reason) const;
    QString sentWords() const; // "43008 of 204800 bytes went out"
    void end(int status, const QString &problem);
    void finish(int status, const QString &problem);

    World m_world;
    std::unique_ptr<seriallink::SerialPortService> m_port;
    std::unique_ptr<seriallink::ReplyReader> m_replies;
    std::unique_ptr<seriallink::Reconnector> m_reconnector; // for a listen with --reconnect
    std::unique_ptr<script::ScriptRunner> m_runner;
    QString m_shownAs; // the port as the user named it
    int m_comPort = 0;
    script::Steps m_waitingSteps; // while a network port is Connecting
    QTimer m_lineWatch;           // while the run is held for the line, or the last bytes go out
    bool m_draining = false;
    int m_drainedTicks = 0;   // watches in a row that found nothing waiting
    qint64 m_bytesToSend = 0; // by all the steps
};

} // namespace vantelctl
