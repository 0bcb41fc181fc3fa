#pragma once
// Plays a script file against the connected module from the window: every frame goes
// through the transmitter (so the monitors and the line log see it), the script's own
// waits are timed by the runner (runner.h), and the steps that await a reply (save-flash,
// read-analog) hear the window's reply reader.
//
// One paced sequence at a time, as with the message upload: for as long as a script plays
// it claims the pacing clock's one sequence slot, so the upload and the save to flash
// cannot start (their buttons are disabled), and a script cannot start while one of them
// runs. Whatever ends a paced sequence ends the script at once (Disconnect, a lost device,
// the window closing): nothing more is sent.
//
// A script is checked whole before its first byte goes out; one with an error is refused
// with the file, the line and what is wrong.

#include <QObject>
#include <QString>

#include "script/runner.h"

namespace seriallink
{
class PacingClock;
class ReplyReader;
class SerialPortService;
class Transmitter;
} // namespace seriallink

namespace script
{

class ScriptPlayer : public QObject
{
    Q_OBJECT
public:
    // `settingsPath`: the settings file whose glyph table a script's `glyph` starts from.
    ScriptPlayer(seriallink::SerialPortService &port, seriallink::Transmitter &tx,
                 seriallink::ReplyReader &replies, seriallink::PacingClock &pacing,
                 QString settingsPath, QObject *parent = nullptr);

    // Connected, and no paced command or script running.
    bool canPlay() const;
    bool playing() const { return m_runner.running(); }

    // Checks the script whole and starts it: empty when it started, otherwise why not.
    QString play(const QString &path);
    // Ends the script at once (a listen ends as done, anything else as cancelled).
    void cancel();

signals:
    void canPlayChanged(bool canPlay);
    // Before each step: `index` of `count`.
    void progress(int index, int count);
    // A reading the script asked for, or a reply heard while it listens.
    void printed(const QString &line);
    // `completed`: every step done; otherwise `problem` says why it stopped.
    void finished(bool completed, const QString &problem);

private:
    bool send(const proto::Frame &frame);
    void runnerFinished(int status, const QString &problem);
    void updateCanPlay();

    seriallink::SerialPortService &m_port;
    seriallink::Transmitter &m_tx;
    seriallink::PacingClock &m_pacing;
    QString m_settingsPath;
    ScriptRunner m_runner;
    bool m_canPlay = false;
};

} // namespace script
