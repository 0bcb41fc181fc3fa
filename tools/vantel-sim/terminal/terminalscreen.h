#pragma once
// The virtual module drawn in the terminal (screenrenderer.h): the whole picture is drawn
// again shortly after changes, once however many bytes arrive, on the terminal's
// alternate screen, which is left as it was found when the object goes.

#include <deque>

#include <QObject>
#include <QTimer>

namespace simtool
{

class Simulator;

class TerminalScreen : public QObject
{
    Q_OBJECT

public:
    explicit TerminalScreen(const Simulator *simulator, QObject *parent = nullptr);
    ~TerminalScreen() override;

    // After a resize: clears and draws at once.
    void redraw();

private:
    void addLine(const QString &line);
    void scheduleDraw();
    void draw();

    const Simulator *m_simulator;
    std::deque<QString> m_log;
    QTimer m_drawTimer;
};

} // namespace simtool
