#include "telnet/telnetcodec.h"

namespace telnet
{

namespace
{

constexpr char kCr = '\r';

bool wanted(std::uint8_t option, bool remoteSide)
{
    if (option == kComPortOption)
        return !remoteSide;
    return option == kBinary || option == kSuppressGoAhead;
}

void appendCommand(QByteArray &out, std::uint8_t verb, std::uint8_t option)
{
    out.append(char(kIac)).append(char(verb)).append(char(option));
}

// IAC SB 44 <code> <payload, FF doubled> IAC SE
QByteArray comPortCommand(std::uint8_t code, QByteArrayView payload)
{
    QByteArray out;
    out.append(char(kIac)).append(char(kSb)).append(char(kComPortOption)).append(char(code));
    for (char byte : payload) {
        out.append(byte);
        if (std::uint8_t(byte) == kIac)
            out.append(byte);
    }
    out.append(char(kIac)).append(char(kSe));
    return out;
}

} // namespace

QByteArray TelnetCodec::start()
{
    QByteArray out;
    for (std::uint8_t option : {kComPortOption, kBinary, kSuppressGoAhead}) {
        if (m_local[option] == Side::No) {
            m_local[option] = Side::WantYes;
            appendCommand(out, kWill, option);
        }
        if (option != kComPortOption && m_remote[option] == Side::No) {
            m_remote[option] = Side::WantYes;
            appendCommand(out, kDo, option);
        }
    }
    return out;
}

TelnetCodec::Received TelnetCodec::receive(QByteArrayView bytes)
{
    Received out;
    receive(bytes, out);
    return out;
}

void TelnetCodec::receive(QByteArrayView bytes, Received &out)
{
    for (char c : bytes) {
        const auto b = std::uint8_t(c);
        switch (m_parse) {
        case Parse::Data:
            if (b == kIac)
                m_parse = Parse::Command;
            else
                addData(c, out);
            break;
        case Parse::SubCommand:
            if (b == kIac) {
                if (m_sub.size() < kMaxSubnegotiation)
                    m_sub.append(c);
                else
                    m_subTooLong = true;
                m_parse = Parse::Sub;
                break;
            }
            if (b == kSe) {
                if (!m_subTooLong)
                    subnegotiation(out);
                m_parse = Parse::Data;
                break;
            }
            // Anything but IAC or SE after IAC ends the subnegotiation without its SE (RFC 855
            // leaves it undefined): drop what was read and take the byte as the command.
            [[fallthrough]];
        case Parse::Command:
            if (b == kIac) {
                addData(c, out);
                m_parse = Parse::Data;
            } else if (b >= kWill && b <= kDont) {
                m_verb = b;
                m_parse = Parse::Option;
            } else if (b == kSb) {
                m_sub.clear();
                m_subTooLong = false;
                m_parse = Parse::Sub;
            } else {
                m_parse = Parse::Data; // NOP, GA, AYT, BRK, a stray SE, ...: nothing to do
            }
            break;
        case Parse::Option:
            negotiate(m_verb, b, out);
            m_parse = Parse::Data;
            break;
        case Parse::Sub:
            if (b == kIac)
                m_parse = Parse::SubCommand;
            else if (m_sub.size() < kMaxSubnegotiation)
                m_sub.append(c);
            else
                m_subTooLong = true;
            break;
        }
    }
}

void TelnetCodec::addData(char byte, Received &out)
{
    if (m_remote[kBinary] == Side::Yes) {
        m_afterCr = false;
        out.data.append(byte);
        return;
    }
    if (m_afterCr && byte == '\0') {
        m_afterCr = false;
        return;
    }
    m_afterCr = byte == kCr;
    out.data.append(byte);
}

void TelnetCodec::negotiate(std::uint8_t verb, std::uint8_t option, Received &out)
{
    const bool remoteSide = verb == kWill || verb == kWont;
    Side &side = remoteSide ? m_remote[option] : m_local[option];
    const bool enable = verb == kWill || verb == kDo;
    const std::uint8_t agree = remoteSide ? kDo : kWill;
    const std::uint8_t refuse = remoteSide ? kDont : kWont;
    const bool comPort = !remoteSide && option == kComPortOption;

    if (enable) {
        if (!wanted(option, remoteSide)) {
            // Refused every time it is offered; a side that is off stays off, so this
            // never starts a loop with a server that follows RFC 854.
            appendCommand(out.reply, refuse, option);
            return;
        }
        if (side == Side::Yes)
            return;
        if (side == Side::No)
            appendCommand(out.reply, agree, option);
        side = Side::Yes;
        if (comPort)
            out.events.push_back({Event::Kind::ComPortAccepted});
        return;
    }
    if (side == Side::No) {
        // WONT 44 speaks of a side we never asked for; said while our offer waits, it can
        // only mean no to that offer.
        if (option == kComPortOption && m_local[kComPortOption] == Side::WantYes) {
            m_local[kComPortOption] = Side::No;
            out.events.push_back({Event::Kind::ComPortRefused});
        }
        return;
    }
    if (side == Side::Yes)
        appendCommand(out.reply, refuse, option);
    side = Side::No;
    if (comPort)
        out.events.push_back({Event::Kind::ComPortRefused});
    if (option == kBinary)
        out.events.push_back({Event::Kind::BinaryRefused});
}

void TelnetCodec::subnegotiation(Received &out) const
{
    if (m_sub.size() < 2 || std::uint8_t(m_sub[0]) != kComPortOption)
        return;
    const auto code = std::uint8_t(m_sub[1]);
    const QByteArrayView payload = QByteArrayView(m_sub).sliced(2);
    if (code == kServerAnswer + kSetBaudRate && payload.size() == 4) {
        std::uint32_t value = 0;
        for (char byte : payload)
            value = value << 8 | std::uint8_t(byte);
        out.events.push_back({Event::Kind::BaudRate, value});
        return;
    }
    switch (code - kServerAnswer) {
    case kSignature:
        if (payload.isEmpty())
            out.events.push_back({Event::Kind::SignatureWanted});
        return;
    case kFlowControlSuspend:
        out.events.push_back({Event::Kind::Suspend});
        return;
    case kFlowControlResume:
        out.events.push_back({Event::Kind::Resume});
        return;
    default:
        break;
    }
    if (payload.size() != 1)
        return;
    const auto value = std::uint8_t(payload[0]);
    switch (code - kServerAnswer) {
    case kSetDataSize:
        out.events.push_back({Event::Kind::DataSize, value});
        break;
    case kSetParity:
        out.events.push_back({Event::Kind::Parity, value});
        break;
    case kSetStopSize:
        out.events.push_back({Event::Kind::StopSize, value});
        break;
    default:
        break; // NOTIFY-LINESTATE, NOTIFY-MODEMSTATE, flow control, ...
    }
}

QByteArray TelnetCodec::encode(QByteArrayView data) const
{
    const bool binary = m_local[kBinary] == Side::Yes;
    QByteArray out;
    out.reserve(data.size() + data.size() / 8 + 2);
    for (char byte : data) {
        out.append(byte);
        if (std::uint8_t(byte) == kIac)
            out.append(byte);
        else if (byte == kCr && !binary)
            out.append('\0');
    }
    return out;
}

QByteArray TelnetCodec::setBaudRate(std::uint32_t bitsPerSecond)
{
    const char speed[4] = {char(bitsPerSecond >> 24), char(bitsPerSecond >> 16),
                           char(bitsPerSecond >> 8), char(bitsPerSecond)};
    return comPortCommand(kSetBaudRate, QByteArrayView(speed, 4));
}

QByteArray TelnetCodec::setDataSize(std::uint8_t bits)
{
    const char value = char(bits);
    return comPortCommand(kSetDataSize, QByteArrayView(&value, 1));
}

QByteArray TelnetCodec::setParity(std::uint8_t parity)
{
    const char value = char(parity);
    return comPortCommand(kSetParity, QByteArrayView(&value, 1));
}

QByteArray TelnetCodec::setStopSize(std::uint8_t stopBits)
{
    const char value = char(stopBits);
    return comPortCommand(kSetStopSize, QByteArrayView(&value, 1));
}

QByteArray TelnetCodec::signature(QByteArrayView text)
{
    return comPortCommand(kSignature, text);
}

} // namespace telnet
