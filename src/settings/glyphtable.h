#pragma once
// The eight user-defined characters the program keeps: 64 bytes, eight slots of eight rows,
// slot-major (slot s row r at 8*s + r-1). Each byte is one row of a 5x8 glyph, bit 4 the
// leftmost pixel. The table lives in section UDC of the settings file under the keys
// UCHAR1R1 .. UCHAR8R8 (slot number 1..8, row 1..8).

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include <QString>

#include "protocol/protocol.h"

class SettingsFile;
class SettingsSnapshot;

class GlyphTable
{
public:
    using Rows = std::array<std::uint8_t, proto::kGlyphRows>;

    std::array<std::uint8_t, proto::kGlyphTableSize> UCharTable{};

    // "UCHAR3R5" for slot 2 (shown as "3"), row 5.
    static QString key(int slot, int row);
    // A stored value: a decimal whole number 0..255 (surrounding blanks and leading zeros
    // allowed), nothing else: no sign, no fraction, no hexadecimal.
    static std::optional<std::uint8_t> parseValue(const QString &text);

    struct Malformed {
        QString key;
        QString text;
    };
    // Reads all 64 keys in slot then row order, from one read of the file. A missing or
    // empty key is a blank row; a value that is not a whole number 0..255 also becomes a
    // blank row (0), and comes back in the list, in the order read.
    std::vector<Malformed> read(const SettingsFile &settings);
    std::vector<Malformed> read(const SettingsSnapshot &settings);
    // Start-up: read(), each malformed value reported once on the diagnostic output so a
    // damaged file can be found. Returns their number.
    int load(const SettingsFile &settings);

    Rows slot(int slot) const;
    // Puts the rows into the slot, then writes all eight keys of the slot in row order.
    void saveSlot(int slot, const Rows &rows, const SettingsFile &settings);
};
