#pragma once
// The steps of a parse (step.h), kept compactly: a script of millions of lines becomes
// millions of steps, and each whole Step (a frame of its own, its line as text) would cost
// some hundred bytes. Here a step is 16 bytes, its frame lies in one shared run of bytes,
// and its line (number and text, 8 bytes and the text) is kept once for all the steps it
// made, its script's name once for all the lines in a row from that script. A step is
// handed out whole, as step.h describes it.
//
// Steps are added by the parser only; frames fit the transmit buffer (Transmitter::
// kBufferSize), far below what a step can hold.

#include <cstdint>
#include <deque>

#include <QByteArray>
#include <QString>

#include "script/step.h"

namespace script
{

class Steps
{
public:
    std::size_t size() const { return m_steps.size(); }
    bool empty() const { return m_steps.empty(); }
    Step operator[](std::size_t index) const;
    Step::Kind kind(std::size_t index) const;

    void add(const Step &step);

private:
    struct Packed {
        std::uint32_t frameAt = 0; // Send: its frame's first byte in m_bytes; Await: `since`
        std::uint32_t line = 0;    // in m_lines
        std::int32_t value = 0;    // Wait, Await: ms; Listen: count
        std::uint16_t frameSize = 0;
        std::uint8_t kind = 0;
        std::uint8_t flags = 0; // awaited (two bits), format, mode, print, reconnect
    };
    struct Line {
        std::uint32_t number = 0;
        std::uint32_t textAt = 0; // in m_text, UTF-8, up to the next line's
    };
    struct SourceRun {
        std::uint32_t firstLine = 0; // in m_lines
        QString source;
    };
    std::uint32_t lineOf(const Origin &origin);
    QByteArrayView textOf(std::size_t line) const;

    // Blocks rather than one array: no copy of everything, and no twice the room, as they
    // grow.
    std::deque<Packed> m_steps;
    std::deque<Line> m_lines;
    std::deque<std::uint8_t> m_bytes;
    QByteArray m_text;
    std::deque<SourceRun> m_sources;
};

} // namespace script
