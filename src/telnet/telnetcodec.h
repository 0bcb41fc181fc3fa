#pragma once
// The Telnet conversation of a network serial port (RFC 854/855 with the COM-PORT-OPTION of
// RFC 2217), as a pure class: bytes from the server go in, the module's bytes, the answers
// owed to the server and what the server told us come out; the module's bytes for the
// server go in and come out escaped. No socket, no event loop: any split of the stream
// gives the same result as the whole.
//
// Commands on the wire (IAC = FF):
//
//   IAC IAC                    one data byte FF
//   IAC WILL|WONT|DO|DONT opt  option negotiation (FB FC FD FE)
//   IAC SB opt ... IAC SE      subnegotiation (FA ... F0); FF inside it is doubled too
//   IAC <any other byte>       NOP, GA, AYT, BRK and the like: swallowed
//
// Options this side takes, both ways: BINARY (0) and SUPPRESS-GO-AHEAD (3); and
// COM-PORT-OPTION (44) on our side only: the server's WILL 44 would make it the client, and
// is answered DONT. Everything else (ECHO, LINEMODE, ...) is refused once per offer. Each
// option keeps one state per side, so an answer is never answered again (RFC 1143). A
// refusal of BINARY either way, and WONT or DONT to our COM-PORT-OPTION, are events: the
// port cannot be used.
//
// COM-PORT-OPTION subnegotiations the client sends, and the server's answers (code + 100):
//
//   SB 44 0   <text> SE                             SIGNATURE      answer 100 <text>
//   SB 44 1   <speed, 4 bytes, network order> SE    SET-BAUDRATE   answer 101 <speed>
//   SB 44 2   <data bits 5-8> SE                    SET-DATASIZE   answer 102
//   SB 44 3   <1 none, 2 odd, 3 even, 4 mark, 5 space> SET-PARITY  answer 103
//   SB 44 4   <1 one, 2 two, 3 one and a half> SE   SET-STOPSIZE   answer 104
//
// and what the server says unasked: SB 44 100 SE (an empty signature) asks for ours;
// SB 44 108 SE and SB 44 109 SE (FLOWCONTROL-SUSPEND and -RESUME) stop and start what we
// send. NOTIFY-LINESTATE (106), NOTIFY-MODEMSTATE (107), the server's own signature and
// every other subnegotiation are swallowed: none of it ever reaches the reply framing.
//
// Without BINARY agreed a bare CR travels as CR NUL (RFC 854): the codec adds and removes
// the NUL on the side where BINARY is off, so the module's bytes arrive as they were sent.

#include <array>
#include <cstdint>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

namespace telnet
{

constexpr std::uint8_t kIac = 0xFF;
constexpr std::uint8_t kDont = 0xFE;
constexpr std::uint8_t kDo = 0xFD;
constexpr std::uint8_t kWont = 0xFC;
constexpr std::uint8_t kWill = 0xFB;
constexpr std::uint8_t kSb = 0xFA;
constexpr std::uint8_t kSe = 0xF0;

constexpr std::uint8_t kBinary = 0;
constexpr std::uint8_t kSuppressGoAhead = 3;
constexpr std::uint8_t kComPortOption = 44;

constexpr std::uint8_t kSignature = 0;
constexpr std::uint8_t kSetBaudRate = 1;
constexpr std::uint8_t kSetDataSize = 2;
constexpr std::uint8_t kSetParity = 3;
constexpr std::uint8_t kSetStopSize = 4;
constexpr std::uint8_t kFlowControlSuspend = 8;
constexpr std::uint8_t kFlowControlResume = 9;
constexpr std::uint8_t kServerAnswer = 100; // added to the client's command code

constexpr std::uint8_t kParityNone = 1;
constexpr std::uint8_t kStopOne = 1;

// Something the server said that the port acts on.
struct Event {
    enum class Kind {
        ComPortAccepted, // the server takes COM-PORT-OPTION: line settings may go out
        ComPortRefused,  // it will not: the line cannot be set
        BinaryRefused,   // it will not pass 8-bit data one way or the other
        BaudRate,        // answers to SET-*: the value the line now has
        DataSize,
        Parity,
        StopSize,
        SignatureWanted, // the server asks who we are (answer with signature())
        Suspend,         // hold what goes to the server ...
        Resume,          // ... until it says so
    };
    Kind kind;
    std::uint32_t value = 0;
    bool operator==(const Event &) const = default;
};

class TelnetCodec
{
public:
    struct Received {
        QByteArray data;           // the module's bytes
        QByteArray reply;          // to send back to the server, as it stands
        std::vector<Event> events; // in the order the server said them
    };

    // The offers that open the conversation: WILL COM-PORT-OPTION, WILL/DO BINARY,
    // WILL/DO SUPPRESS-GO-AHEAD. Send them once, right after connecting.
    QByteArray start();

    // Bytes from the server, split anywhere.
    void receive(QByteArrayView bytes, Received &out);
    Received receive(QByteArrayView bytes);

    // The module's bytes for the server: FF doubled (and CR NUL while BINARY is off).
    QByteArray encode(QByteArrayView data) const;

    // SET-* subnegotiations (see the table above), ready to send.
    static QByteArray setBaudRate(std::uint32_t bitsPerSecond);
    static QByteArray setDataSize(std::uint8_t bits);
    static QByteArray setParity(std::uint8_t parity);
    static QByteArray setStopSize(std::uint8_t stopBits);
    static QByteArray signature(QByteArrayView text);

    // Whether an option is agreed on this side (WILL) and on the server's (DO).
    bool localEnabled(std::uint8_t option) const { return m_local[option] == Side::Yes; }
    bool remoteEnabled(std::uint8_t option) const { return m_remote[option] == Side::Yes; }

    // The longest subnegotiation kept; the rest of a longer one is read and dropped.
    static constexpr int kMaxSubnegotiation = 64;

private:
    enum class Side : std::uint8_t { No, Yes, WantYes };
    enum class Parse : std::uint8_t { Data, Command, Option, Sub, SubCommand };

    void negotiate(std::uint8_t verb, std::uint8_t option, Received &out);
    void subnegotiation(Received &out) const;
    void addData(char byte, Received &out);

    std::array<Side, 256> m_local{};
    std::array<Side, 256> m_remote{};
    Parse m_parse = Parse::Data;
    std::uint8_t m_verb = 0;
    bool m_afterCr = false; // the last data byte was CR and BINARY is off toward us
    QByteArray m_sub;       // option code and payload of the subnegotiation being read
    bool m_subTooLong = false;
};

} // namespace telnet
