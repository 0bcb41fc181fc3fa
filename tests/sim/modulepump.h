#pragma once
// The virtual module inside the test process: whatever the window writes to its port
// reaches a ModuleModel, and every reply the model gives goes back to the window through
// the same pseudo-terminal, as the module would answer on the line. A short repeating
// timer moves the bytes, so the pump keeps working inside the window's modal boxes and
// paced waits as well as inside QTRY_* and QSignalSpy::wait.

#include <optional>

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "protocol/replydecoder.h"
#include "ptypeer.h"
#include "sim/modulemodel.h"

class ModulePump : public QObject
{
    Q_OBJECT
public:
    explicit ModulePump(PtyPeer &peer, QObject *parent = nullptr);

    sim::ModuleModel &model() { return m_model; }
    // Moves what the window wrote so far into the model now.
    void pump();
    // A change in the outside world (sim::ModuleModel::setKey and the like): its reply,
    // if it has one, goes to the window.
    void send(const std::optional<proto::Reply> &reply);
    // Every byte the window wrote since the pump started, for failure messages.
    const QByteArray &heard() const { return m_heard; }
    // "FE 32 03 13 ..." of heard(), for QVERIFY2.
    QByteArray heardHex() const;

    // A row of the virtual screen as text (codes 0-7 as their digits).
    QString rowText(int row) const;
    // All four rows so.
    QStringList screen() const;

private:
    PtyPeer &m_peer;
    sim::ModuleModel m_model;
    QByteArray m_heard;
    QTimer m_timer;
};
