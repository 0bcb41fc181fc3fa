#pragma once
// Replies from the serial port, whole: the port's bytes cut into three-byte replies
// (ReplyFramer), with one rule added for a line joined mid-stream or a byte lost on it:
// the start of a reply that waited longer than a reply takes to arrive is dropped and
// reported, so the next reply is read from its first byte again.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>

#include "link/replydecoder.h"

class SerialPortService;

namespace script
{

class ReplyFeed : public QObject
{
    Q_OBJECT
public:
    // At 9600 bit/s a reply's three bytes take 3 ms; one that is still incomplete this
    // much later never will be.
    static constexpr int kStaleMs = 50;

    explicit ReplyFeed(SerialPortService &port, QObject *parent = nullptr);

    // The bytes as they arrive, in any split; for tests and for ports read elsewhere.
    void feed(const QByteArray &bytes);

signals:
    void reply(const Reply &reply);
    void dropped(const QByteArray &bytes);

private:
    SerialPortService &m_port;
    ReplyFramer m_framer;
    QByteArray m_partial; // the bytes the framer holds
    QElapsedTimer m_lastBytes;
};

} // namespace script
