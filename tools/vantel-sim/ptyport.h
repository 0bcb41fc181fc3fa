#pragma once
// The virtual module's end of the serial line: the master side of a pseudo-terminal. The
// utility opens the slave side, or the stable link that points at it, like a serial port.
//
// The program keeps a descriptor of the slave open itself (posix/pseudoterminal.h), so the
// master never reads a hang-up while the utility closes and reopens the port. The link is
// made by renaming a
// fresh symlink over the old one, and removed at the end only while it still points at
// this program's slave (a second instance may have taken it over).
//
// Holding the slave open has one cost: replies written while the utility is not
// connected would wait in the slave's queue and reach it, stale, when it connects. A real
// line with nobody listening loses them, so replies left unread for half a second after
// the last write are dropped.

#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include "posix/pseudoterminal.h"

class QSocketNotifier;

namespace simtool
{

class PtyPort : public QObject
{
    Q_OBJECT

public:
    explicit PtyPort(QObject *parent = nullptr);
    ~PtyPort() override;

    // Opens the pseudo-terminal and points linkPath at it; on failure errorString() says why.
    bool open(const QString &linkPath);
    void close();
    const QString &slavePath() const { return m_pty.slavePath(); }
    const QString &linkPath() const { return m_linkPath; }
    const QString &errorString() const { return m_error; }

    bool write(const QByteArray &bytes);
    // The speed the utility gave the port, in bit/s (0 when unknown).
    int portSpeed() const;

signals:
    void received(const QByteArray &bytes);
    void unreadDropped(int count);

private:
    void readMaster();
    bool makeLink(const QString &linkPath);
    void dropUnread();

    PseudoTerminal m_pty;
    QString m_linkPath;
    QString m_error;
    QSocketNotifier *m_notifier = nullptr;
    QTimer m_unreadCheck;
    QElapsedTimer m_sinceWrite;
};

} // namespace simtool
