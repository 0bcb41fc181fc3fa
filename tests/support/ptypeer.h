#pragma once
// A pseudo-terminal that plays the module in tests: the test holds the master side, the
// program under test opens slavePath() like any serial device.

#include <QByteArray>
#include <QString>

#include <termios.h>

#include "posix/pseudoterminal.h"

class PtyPeer
{
public:
    PtyPeer();
    ~PtyPeer();
    PtyPeer(const PtyPeer &) = delete;
    PtyPeer &operator=(const PtyPeer &) = delete;

    bool isValid() const { return m_pty.isOpen(); }
    const QString &slavePath() const { return m_pty.slavePath(); }

    // Bytes to the program, as if the module sent them.
    bool send(const QByteArray &bytes);
    // Everything the program wrote so far and not yet taken.
    QByteArray takeReceived();
    // Processes Qt events until at least `count` bytes arrived in total since the last
    // take (or the timeout ends); returns what arrived and keeps nothing.
    QByteArray waitForBytes(int count, int timeoutMs = 3000);
    // The line settings the program gave the port (read through the master side).
    bool lineSettings(termios &settings) const;
    // The other end vanishes: closes the master side (and the slave kept open for it).
    void hangUp();

private:
    void drain();

    PseudoTerminal m_pty;
    QByteArray m_received;
};
