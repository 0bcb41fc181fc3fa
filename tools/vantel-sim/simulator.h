#pragma once
// Ties the virtual module together: bytes from the port go into the model, which cuts them
// into frames; each frame is logged in words and its reply written back; keys change the
// outside world (keypad, pins, analog inputs) and send the reply the utility reads. The
// screen is redrawn shortly after changes, once however many bytes arrive.
//
// With the screen off (plain mode for scripts) every log line goes to standard output
// as it happens, without terminal control sequences.

#include <deque>

#include <QObject>
#include <QTimer>

#include "ptyport.h"
#include "sim/modulemodel.h"

namespace simtool
{

class Simulator : public QObject
{
    Q_OBJECT

public:
    Simulator(PtyPort *port, bool screen, QObject *parent = nullptr);
    ~Simulator() override;

    // Starting values, set before anyone listens: no reply goes out.
    void presetAnalog(int input, int value) { m_model.setAnalog(input, value); }
    void start();

    void receive(const QByteArray &bytes);
    void press(char key);
    void redraw();

signals:
    void quitRequested();

private:
    void log(const QString &line);
    void send(const std::optional<Reply> &reply);
    void scheduleDraw();
    void draw();

    PtyPort *m_port;
    bool m_screen;
    bool m_started = false;
    sim::ModuleModel m_model;
    std::deque<QString> m_log;
    QTimer m_drawTimer;
};

} // namespace simtool
