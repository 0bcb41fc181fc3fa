#include "decoderbench.h"

#include "protocol/replydecoder.h"

#include <QByteArray>
#include <QRandomGenerator>

#include <chrono>
#include <vector>

DecoderRun decodeAlone(int replies, unsigned seed)
{
    QRandomGenerator random(seed);
    QByteArray stream((qsizetype(replies) * 3 + 3) / 4 * 4, Qt::Uninitialized);
    random.fillRange(reinterpret_cast<quint32 *>(stream.data()), stream.size() / 4);
    stream.truncate(qsizetype(replies) * 3);
    std::vector<qsizetype> splits;
    for (qsizetype at = 0; at < stream.size();) {
        splits.push_back(at);
        at += 1 + qsizetype(random.bounded(4096));
    }
    splits.push_back(stream.size());

    proto::ReplyFramer framer;
    qsizetype framed = 0;
    bool exact = true;
    unsigned checksum = 0;
    const auto began = std::chrono::steady_clock::now();
    for (std::size_t s = 0; s + 1 < splits.size(); ++s) {
        const qsizetype from = std::min(splits[s], stream.size());
        const qsizetype to = std::min(splits[s + 1], stream.size());
        const proto::P2Mode mode = s % 2 == 0 ? proto::P2Mode::Gpio : proto::P2Mode::Keypad;
        for (const proto::Reply &reply :
             framer.feed(QByteArrayView(stream).sliced(from, to - from))) {
            const char *source = stream.constData() + framed * 3;
            exact = exact && reply.b0 == std::uint8_t(source[0]) &&
                    reply.b1 == std::uint8_t(source[1]) && reply.b2 == std::uint8_t(source[2]);
            const proto::DecodedReply decoded = proto::decodeReply(reply, mode);
            checksum += unsigned(decoded.kind) + unsigned(decoded.analogValue) +
                        unsigned(decoded.inputs[0]) + unsigned(decoded.keys[15]);
            ++framed;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    DecoderRun run;
    // The checksum keeps the decoding from being optimised away.
    run.exact = exact && framed == replies && framer.pending() == 0 && checksum != 0xFFFFFFFFu;
    run.repliesPerSecond = replies / seconds;
    return run;
}
