#pragma once
// Draws the virtual module in a terminal with ANSI escape sequences: a header with the
// port, the display in its backlight colour with the cursor, the eight glyph slots as dot
// art, the P2 pins and keypad, the analog values, the latest log lines and the key help.
// Also the plain-text picture of the display that the print key logs.

#include <deque>

#include <QString>
#include <QStringList>

#include "sim/modulemodel.h"

namespace simtool
{

struct ViewInfo {
    QString slavePath;
    QString linkPath;
    int portSpeed = 0;
    int width = 80;
    int height = 24;
    const std::deque<QString> *log = nullptr;
};

// Words for the module's states, as both front ends show them.
QString cursorName(sim::CursorType type);
QString glyphSetName(sim::GlyphSet set);
// The whole terminal picture, starting at the home position; every line clears its rest.
QString renderScreen(const sim::ModuleModel &model, const ViewInfo &view);
// The display as five plain lines: borders and the four rows.
QStringList plainDisplay(const sim::ModuleModel &model);

} // namespace simtool
