#include "terminal/keyboard.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <unistd.h>

namespace simtool
{

namespace
{

constexpr char kEscape = 0x1B;

} // namespace

Keyboard::Keyboard(bool rawTerminal, QObject *parent) : QObject(parent)
{
    if (rawTerminal && ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &m_saved) == 0) {
        termios keys = m_saved;
        keys.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        keys.c_cc[VMIN] = 1;
        keys.c_cc[VTIME] = 0;
        m_restore = ::tcsetattr(STDIN_FILENO, TCSANOW, &keys) == 0;
    }
    // Run in the background of a shell, reading the terminal would stop the program; with
    // SIGTTIN ignored the read fails instead and the keys are simply not watched.
    std::signal(SIGTTIN, SIG_IGN);
    m_notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Keyboard::readInput);
}

Keyboard::~Keyboard()
{
    if (m_restore)
        ::tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
}

void Keyboard::readInput()
{
    char buffer[64];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
        return;
    if (n <= 0) {
        m_notifier->setEnabled(false);
        return;
    }
    for (ssize_t i = 0; i < n; ++i)
        take(buffer[i]);
}

void Keyboard::take(char byte)
{
    switch (m_escape) {
    case Escape::None:
        if (byte == kEscape)
            m_escape = Escape::Started;
        else
            emit pressed(byte);
        return;
    case Escape::Started:
        // ESC [ ... and ESC O x carry parameters; ESC with anything else is one key.
        m_escape = byte == '[' || byte == 'O' ? Escape::Sequence : Escape::None;
        return;
    case Escape::Sequence:
        if (byte >= 0x40 && byte <= 0x7E)
            m_escape = Escape::None; // the final byte ends the sequence
        return;
    }
}

} // namespace simtool
