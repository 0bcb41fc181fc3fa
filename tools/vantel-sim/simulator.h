#pragma once
// Ties the virtual module together: bytes from the port go into the model, which cuts
// them into frames; each frame is logged in words and its reply written back. The outside
// world (keypad, pins, analog inputs) changes through the keys of the key map or the
// window's controls, and the reply the utility reads goes out.
//
// The front ends (terminal screen, window, plain log) only listen: logged() gives every
// log line as it happens, changed() tells that something the module shows may differ;
// each front end decides how soon it redraws.

#include <QObject>

#include "keymap.h"
#include "ptyport.h"
#include "sim/modulemodel.h"

namespace simtool
{

class Simulator : public QObject
{
    Q_OBJECT

public:
    explicit Simulator(PtyPort *port, QObject *parent = nullptr);

    const sim::ModuleModel &model() const { return m_model; }
    const PtyPort &port() const { return *m_port; }

    // Starting values, set before anyone listens: no reply goes out.
    void presetAnalog(int input, int value) { m_model.setAnalog(input, value); }
    // Logs the key help; call once the front end listens.
    void start();

    void receive(const QByteArray &bytes);
    // A key of the key map (keymap.h).
    void press(char key);
    void act(const KeyAction &action);
    // The outside world, one change at a time; each sends the reply the module would.
    void setKey(int key, bool held);
    void setPin(int pin, bool high);
    void setAnalog(int input, int value);

signals:
    void logged(const QString &line);
    void changed();
    void quitRequested();

private:
    void log(const QString &line) { emit logged(line); }
    void send(const std::optional<proto::Reply> &reply);
    void releaseKeys();

    PtyPort *m_port;
    sim::ModuleModel m_model;
};

} // namespace simtool
