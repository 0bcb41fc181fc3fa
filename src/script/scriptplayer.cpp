#include "script/scriptplayer.h"

#include "link/pacingclock.h"
#include "link/replyreader.h"
#include "link/serialportservice.h"
#include "link/transmitter.h"
#include "script/parser.h"

namespace script
{

ScriptPlayer::ScriptPlayer(seriallink::SerialPortService &port, seriallink::Transmitter &tx,
                           seriallink::ReplyReader &replies, seriallink::PacingClock &pacing,
                           QString settingsPath, QObject *parent)
    : QObject(parent), m_port(port), m_tx(tx), m_pacing(pacing),
      m_settingsPath(std::move(settingsPath)),
      m_runner([this](const proto::Frame &frame) { return send(frame); })
{
    connect(&m_runner, &ScriptRunner::stepStarted, this, &ScriptPlayer::progress);
    connect(&m_runner, &ScriptRunner::printed, this, &ScriptPlayer::printed);
    connect(&m_runner, &ScriptRunner::finished, this, &ScriptPlayer::runnerFinished);
    connect(&replies, &seriallink::ReplyReader::repliesRead, this,
            [this](const seriallink::ReplyBatch &batch) {
                for (const proto::Reply &reply : batch.replies)
                    m_runner.takeReply(reply);
            });
    connect(&replies, &seriallink::ReplyReader::bytesDropped, this,
            [this](const QByteArray &bytes) { m_runner.takeDropped(bytes); });
    connect(&port, &seriallink::SerialPortService::stateChanged, this,
            &ScriptPlayer::updateCanPlay);
    connect(&pacing, &seriallink::PacingClock::sequenceRunningChanged, this,
            &ScriptPlayer::updateCanPlay);
    // A box of the window holds a script as it holds the message upload.
    connect(&pacing, &seriallink::PacingClock::heldChanged, &m_runner, &ScriptRunner::setHeld);
    m_canPlay = canPlay();
}

bool ScriptPlayer::canPlay() const
{
    return m_port.isOpen() && !m_pacing.sequenceRunning();
}

void ScriptPlayer::updateCanPlay()
{
    if (std::exchange(m_canPlay, canPlay()) != m_canPlay)
        emit canPlayChanged(m_canPlay);
}

QString ScriptPlayer::play(const QString &path)
{
    if (!m_port.isOpen())
        return QStringLiteral("the port is not open: Connect first");
    Parser parser(ParserSetup{m_settingsPath, {}});
    if (!parser.addCommand({QStringLiteral("play"), path}))
        return parser.error();
    const bool claimed = m_pacing.claim([this](bool completed) {
        if (!completed)
            // The one cause that ended it ("Disconnect was pressed", "the device went away").
            m_runner.fail(m_pacing.abortReason().isEmpty()
                              ? QStringLiteral("the paced commands were ended")
                              : m_pacing.abortReason());
    });
    if (!claimed)
        return QStringLiteral("a paced command is running (the message upload, the save to "
                              "flash or another script): play the script when it has ended");
    m_runner.setHeld(m_pacing.held());
    m_runner.start(parser.steps());
    return {};
}

void ScriptPlayer::cancel()
{
    m_runner.stop();
}

bool ScriptPlayer::send(const proto::Frame &frame)
{
    if (!m_port.isOpen())
        return false;
    m_tx.sendFrame(frame);
    return m_port.isOpen();
}

void ScriptPlayer::runnerFinished(int status, const QString &problem)
{
    m_pacing.endClaim();
    emit finished(status == Success, problem);
}

} // namespace script
