#pragma once
// The LCDd driver's byte economy, read at the module's end of a pseudo-terminal: Debian's
// LCDd with vantel.so and one client of ours showing four rows of text. Bytes for a frame
// that changes nothing, for one changed character, for a whole new screen; and LCDd's CPU
// while the client sits idle; and how fast LCDd answers a client while the module reads
// nothing.

#include <vector>

#include "benchrow.h"

std::vector<Row> lcddRows(bool quick);
