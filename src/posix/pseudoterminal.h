#pragma once
// One pseudo-terminal pair, opened the same way for the virtual module, the tests and the
// benchmark: the slave side in raw mode at 9600 bit/s (as a serial port starts), both
// descriptors closed on exec so that programs started meanwhile do not hold them, and the
// master side non-blocking unless asked otherwise.
//
// The owner keeps the slave descriptor open beside whoever opens slavePath(): then the
// master never reads a hang-up while the program on the other side closes and reopens the
// port. Closing both ends is what a pulled cable looks like to that program.

#include <QString>

class PseudoTerminal
{
public:
    enum class Master { NonBlocking, Blocking };

    PseudoTerminal() = default;
    ~PseudoTerminal() { close(); }
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    // False when no pseudo-terminal could be had; errorString() says why.
    bool open(Master mode = Master::NonBlocking);
    void close();

    bool isOpen() const { return m_master >= 0; }
    int master() const { return m_master; }
    int slave() const { return m_slave; }
    const QString &slavePath() const { return m_slavePath; }
    const QString &errorString() const { return m_error; }

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_error;
};
