#pragma once
// Replies through the framer and decoder alone, without a port or a window: a stream of
// random replies handed over in random splits, every reply checked against the bytes it
// came from.

struct DecoderRun {
    bool exact = false; // as many replies as sent, each the three bytes it came from
    double repliesPerSecond = 0;
};

DecoderRun decodeAlone(int replies, unsigned seed);
