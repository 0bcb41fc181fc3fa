#pragma once
// The initialisation-file rules, as pure functions on the file's bytes (Windows-1252).
//
// Lookup: section and key names compare without regard to ASCII letter case and without
// the blanks around them; the value is the text after the first "=" of the key's line, with
// leading and trailing blanks removed and one enclosing pair of double or single quotes
// taken off; the first matching section and, in it, the first matching key count. Lines
// end at LF (a CR before it belongs to the ending), or at CR in a file without any LF. Values
// are cut to 254 characters, the size of the platform's read buffer. A section header is a
// line starting with "[", its name reaching to the first "]"; a key line is any other line
// with a "=". Lines before the first section belong to none. A UTF-8 signature at the start
// of the file is passed over. lookup gives nothing for a missing section or key, and an
// empty value for a key that is present but empty.
//
// Update: an existing key's line is rewritten where it stands as "key=value", without blanks
// around "=", the key spelled as the file spells it, with the line's own ending; a line that
// already reads back as the new value is left as it is. A new key goes at the end of its
// section (after its last non-blank line); a new section goes at the end of the file.
// Every other byte stays as it was: unknown lines, their order, the file's own line endings.
// New lines use the file's line ending (the platform's for a file without one). A CR or LF in
// the value becomes a blank, so a value can never add lines to the file. Names that could not
// be read back (empty, with a line break, a key with "=" or starting with "[", a section with
// "]") are refused: update then returns the content unchanged.

#include <optional>

#include <QByteArray>
#include <QByteArrayView>

namespace ini
{

constexpr qsizetype kMaxValueLength = 254;

bool isValidSection(QByteArrayView section);
bool isValidKey(QByteArrayView key);

std::optional<QByteArray> lookup(QByteArrayView content, QByteArrayView section,
                                 QByteArrayView key);
// Whether the content has a header for the section, however empty the section is.
bool hasSection(QByteArrayView content, QByteArrayView section);

QByteArray update(QByteArrayView content, QByteArrayView section, QByteArrayView key,
                  QByteArrayView value);

} // namespace ini
