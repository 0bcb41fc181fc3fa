#pragma once
// Keys from standard input, one character at a time. On a terminal the input goes to
// non-canonical mode without echo (Ctrl+C still raises SIGINT) until the object is gone;
// the escape sequences of arrow and function keys are swallowed whole, so that their
// letters do not press keypad keys. Input that ends (a closed pipe) is simply no longer
// watched.

#include <QObject>

#include <termios.h>

class QSocketNotifier;

namespace simtool
{

class Keyboard : public QObject
{
    Q_OBJECT

public:
    explicit Keyboard(bool rawTerminal, QObject *parent = nullptr);
    ~Keyboard() override;

signals:
    void pressed(char key);

private:
    void readInput();
    void take(char byte);

    enum class Escape { None, Started, Sequence };
    Escape m_escape = Escape::None;
    bool m_restore = false;
    termios m_saved{};
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace simtool
