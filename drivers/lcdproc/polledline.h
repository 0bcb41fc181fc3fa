#pragma once
// The module's line as LCDd's loop needs it: nothing here ever waits. LCDd calls the driver
// from the one loop that also answers its clients, so a module that does not read, or a
// network server that is slow to answer, must never hold that loop up.
//
//   open()   a local device is open or refused at once; a network one is Opening, and
//            poll() moves it on until it is Open or refused (openProblem() says why)
//   write()  queues the bytes behind what still waits and sends what the line takes now;
//            the rest goes out in later poll()s. The driver writes only when idle(), so
//            what waits is never more than one frame
//   poll()   sends on what waits and moves an opening line on
//   read()   appends whatever arrived
//
// A line that fails (the device hung up, the server closed the connection) is Closed at
// once, with errorString() saying why. Two lines stand behind this: TermiosLine for a device
// path and SocketLine for rfc2217:// and socket:// addresses.

#include <chrono>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "ports/portproblem.h"

namespace lcdd
{

class PolledLine
{
public:
    using Clock = std::chrono::steady_clock;
    enum class State { Closed, Opening, Open };

    PolledLine() = default;
    virtual ~PolledLine();
    PolledLine(const PolledLine &) = delete;
    PolledLine &operator=(const PolledLine &) = delete;

    virtual void open(Clock::time_point now) = 0;
    virtual void poll(Clock::time_point now);
    virtual void close();
    // Waits at most `timeout` for what still waits to leave: for LCDd's goodbye picture.
    void drain(std::chrono::milliseconds timeout);
    // Drains, then closes. A server is told first that nothing more comes and given the
    // time to hand everything on: closing a connection with the server's news unread
    // resets it, and a reset server may drop what it had not passed to the device yet.
    void closeGently(std::chrono::milliseconds timeout);

    State state() const { return m_state; }
    bool isOpen() const { return m_state == State::Open; }
    bool idle() const { return m_waiting.empty(); }

    // False when the line is not open or failed.
    virtual bool write(std::span<const std::uint8_t> bytes);
    virtual bool read(std::vector<std::uint8_t> &into);

    // Why the last open did not succeed.
    const ports::OpenProblem &openProblem() const { return m_problem; }
    // Why the open line failed.
    const std::string &errorString() const { return m_error; }

protected:
    // An opened descriptor, non-blocking; a socket is written with send() so that a server
    // gone away gives an error rather than SIGPIPE, which would end LCDd.
    void adopt(int fd, bool socket);
    void queue(const std::uint8_t *bytes, std::size_t size);
    // Sends what waits as far as the line takes it now; false when the line failed.
    bool sendWaiting();
    // Reads what arrived without waiting; false when the line failed.
    bool receive(std::vector<std::uint8_t> &into);
    void fail(const std::string &why);
    void refuse(const ports::OpenProblem &problem);
    int descriptor() const { return m_fd; }

    State m_state = State::Closed;
    std::string m_hangUpWords = "the device hung up"; // what end of file means on this line

private:
    int m_fd = -1;
    bool m_socket = false;
    std::vector<std::uint8_t> m_waiting;
    std::size_t m_sent = 0; // of m_waiting
    ports::OpenProblem m_problem;
    std::string m_error;
};

// The system's words for errno, after `what`.
std::string systemError(const char *what);

} // namespace lcdd
