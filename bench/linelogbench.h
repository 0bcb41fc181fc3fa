#pragma once
// The line log's cost, measured in the window bench's connected window: what it adds to a
// click's time to the wire, and the event loop's longest stall under a reply flood at line
// rate while the log's window is open and follows the newest rows.

#include <vector>

#include "benchrow.h"

class WindowBench;

// Leaves the log's window closed.
std::vector<Row> lineLogRows(WindowBench &bench, bool quick);
