#!/usr/bin/env python3
"""Writes tools/vantel-sim/dotfontdata.cpp: the 5x7 dots of every character code the
virtual module's window draws from its own character set (20-7E as ASCII, 80-FE as
Windows-1252, the utility's 8-bit character set).

The dots come from the 5x7 font of the X.Org misc-fixed family, which Debian ships in the
package xfonts-base as /usr/share/fonts/X11/misc/5x7.pcf.gz. That font is in the public
domain ("Public domain font.  Share and enjoy.", its COPYRIGHT property). The table is
committed, so building needs neither the package nor this script; run it again only to
regenerate the table:

    python3 scripts/make-dot-font.py [font.pcf.gz] > tools/vantel-sim/dotfontdata.cpp
"""
import gzip
import struct
import sys
import unicodedata

PROPERTIES, ACCELERATORS, METRICS, BITMAPS, ENCODINGS = 1, 2, 4, 8, 32
CELL_WIDTH, CELL_HEIGHT = 5, 7
COLUMN_LIMIT = 100  # as the repository's .clang-format


class Pcf:
    """Just enough of the PCF format (the X server's compiled font) to read bitmaps."""

    def __init__(self, data):
        if data[:4] != b'\x01fcp':
            raise ValueError('not a PCF font')
        count, = struct.unpack_from('<i', data, 4)
        self.data = data
        self.tables = {}
        for i in range(count):
            kind, fmt, size, offset = struct.unpack_from('<iiii', data, 8 + 16 * i)
            self.tables[kind] = (fmt, offset)

    def table(self, kind):
        fmt, offset = self.tables[kind]
        stored, = struct.unpack_from('<i', self.data, offset)
        order = '>' if stored & 4 else '<'
        return stored, order, offset + 4

    def properties(self):
        fmt, e, p = self.table(PROPERTIES)
        count, = struct.unpack_from(e + 'i', self.data, p)
        entries = [struct.unpack_from(e + 'ibi', self.data, p + 4 + 9 * i) for i in range(count)]
        p += 4 + 9 * count
        p += (4 - (9 * count) % 4) % 4
        size, = struct.unpack_from(e + 'i', self.data, p)
        strings = self.data[p + 4:p + 4 + size]

        def text(at):
            return strings[at:strings.index(b'\0', at)].decode('latin-1')

        return {text(name): (text(value) if is_string else value)
                for name, is_string, value in entries}

    def ascent(self):
        fmt, e, p = self.table(ACCELERATORS)
        # no_overlap .. padding: 8 bytes, then font ascent and descent
        return struct.unpack_from(e + 'i', self.data, p + 8)[0]

    def metrics(self):
        fmt, e, p = self.table(METRICS)
        if fmt & 0x100:  # compressed: five unsigned bytes, each biased by 0x80
            count, = struct.unpack_from(e + 'h', self.data, p)
            return [tuple(b - 0x80 for b in self.data[p + 2 + 5 * i:p + 7 + 5 * i])
                    for i in range(count)]
        count, = struct.unpack_from(e + 'i', self.data, p)
        return [struct.unpack_from(e + 'hhhhh', self.data, p + 4 + 12 * i) for i in range(count)]

    def bitmaps(self):
        fmt, e, p = self.table(BITMAPS)
        count, = struct.unpack_from(e + 'i', self.data, p)
        offsets = struct.unpack_from(e + '%di' % count, self.data, p + 4)
        sizes = struct.unpack_from(e + '4i', self.data, p + 4 + 4 * count)
        pad = 1 << (fmt & 3)
        start = p + 4 + 4 * count + 16
        blob = self.data[start:start + sizes[fmt & 3]]
        msb_first = bool(fmt & 8)
        if (fmt >> 4) & 3:
            raise ValueError('only byte scan units are read')
        return offsets, blob, pad, msb_first

    def encodings(self):
        fmt, e, p = self.table(ENCODINGS)
        min2, max2, min1, max1, default = struct.unpack_from(e + '5h', self.data, p)
        count = (max2 - min2 + 1) * (max1 - min1 + 1)
        indices = struct.unpack_from(e + '%dH' % count, self.data, p + 10)
        glyphs = {}
        for i, index in enumerate(indices):
            if index != 0xFFFF:
                code = ((i // (max2 - min2 + 1) + min1) << 8) | (i % (max2 - min2 + 1) + min2)
                glyphs[code] = index
        return glyphs


def cell_rows(font, index, metrics, bitmaps, ascent):
    """The glyph in its 5x7 cell: seven rows, bit 4 the leftmost dot."""
    left, right, width, glyph_ascent, glyph_descent = metrics[index][:5]
    offsets, blob, pad, msb_first = bitmaps
    stride = ((right - left + 7) // 8 + pad - 1) // pad * pad
    rows = [0] * CELL_HEIGHT
    for y in range(glyph_ascent + glyph_descent):
        row = ascent - glyph_ascent + y
        for x in range(right - left):
            byte = blob[offsets[index] + y * stride + x // 8]
            bit = (byte >> (7 - x % 8)) & 1 if msb_first else (byte >> (x % 8)) & 1
            column = left + x
            if not bit:
                continue
            if not (0 <= row < CELL_HEIGHT and 0 <= column < CELL_WIDTH):
                raise ValueError('glyph %d leaves the 5x7 cell' % index)
            rows[row] |= 1 << (CELL_WIDTH - 1 - column)
    return rows


def main():
    path = sys.argv[1] if len(sys.argv) > 1 else '/usr/share/fonts/X11/misc/5x7.pcf.gz'
    font = Pcf(gzip.open(path).read())
    properties = font.properties()
    if properties.get('CHARSET_REGISTRY') != 'ISO10646':
        raise SystemExit('expected a Unicode (ISO10646) font')
    if 'public domain' not in properties.get('COPYRIGHT', '').lower():
        raise SystemExit('the font does not say it is in the public domain')
    metrics, bitmaps, glyphs = font.metrics(), font.bitmaps(), font.encodings()
    ascent = font.ascent()

    out = sys.stdout
    out.write('// Generated by scripts/make-dot-font.py from the 5x7 font of the X.Org misc-fixed\n'
              '// family, %s,\n'
              '// as Debian\'s package xfonts-base ships it. The font is in the public domain:\n'
              '// "%s" Do not edit; run the script again.\n\n'
              % (properties.get('FONT', path), properties['COPYRIGHT']))
    out.write('#include "dotfont.h"\n\nnamespace simtool\n{\n\n')
    entries = []
    for code in range(0x20, 0xFF):
        if code == 0x7F:
            continue
        try:
            character = bytes([code]).decode('cp1252')
        except UnicodeDecodeError:
            continue  # 81, 8D, 8F, 90, 9D: no character
        if ord(character) not in glyphs:
            continue
        rows = cell_rows(font, glyphs[ord(character)], metrics, bitmaps, ascent)
        name = unicodedata.name(character, 'U+%04X' % ord(character)).lower()
        name = name.replace('quotation mark', 'quote')
        entry = '    {0x%02X, {%s}}, // ' % (code, ', '.join('0x%02X' % r for r in rows))
        entries.append(entry + name[:COLUMN_LIMIT - len(entry)])
    out.write('namespace\n{\n\nconstexpr DotFontCharacter kCharacters[] = {\n')
    out.write('\n'.join(entries))
    out.write('\n};\n\n} // namespace\n\n'
              'const std::span<const DotFontCharacter> kDotFontCharacters(kCharacters);\n\n'
              '} // namespace simtool\n')


if __name__ == '__main__':
    main()
