#include "settings/inifile.h"

#include <algorithm>

namespace ini
{

namespace
{

// The file is read line by line; a line ends at LF, and a CR right before the LF belongs to
// the line ending, not to the text. A file without any LF but with CRs (as old Macintosh
// editors save) has its lines end at CR. Everything the parser does not understand is
// skipped, never rewritten.
struct Line {
    qsizetype begin = 0; // first byte of the text
    qsizetype end = 0;   // one past the text, before the line ending
    qsizetype next = 0;  // first byte of the following line
};

enum class Kind { Other, Section, Key };

struct Parsed {
    Kind kind = Kind::Other;
    QByteArrayView name;      // section or key name, blanks removed
    qsizetype valueBegin = 0; // raw value without its surrounding blanks (Key only)
    qsizetype valueEnd = 0;
    qsizetype textBegin = 0; // the line's text, after a UTF-8 signature, before its ending
    qsizetype textEnd = 0;
    bool hasText = false; // anything but blanks on the line
};

constexpr QByteArrayView kUtf8Bom = "\xEF\xBB\xBF";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

char asciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i]))
            return false;
    }
    return true;
}

// The byte that ends a line: LF, or CR in a file without any LF.
char lineBreak(QByteArrayView content)
{
    return !content.contains('\n') && content.contains('\r') ? '\r' : '\n';
}

Line lineAt(QByteArrayView content, qsizetype begin, char lineBreak)
{
    Line line;
    line.begin = begin;
    const qsizetype at = content.indexOf(lineBreak, begin);
    if (at < 0) {
        line.end = line.next = content.size();
        return line;
    }
    line.next = at + 1;
    line.end = (lineBreak == '\n' && at > begin && content[at - 1] == '\r') ? at - 1 : at;
    return line;
}

Parsed parse(QByteArrayView content, const Line &line)
{
    Parsed parsed;
    qsizetype begin = line.begin;
    // An editor may have saved the file with a UTF-8 signature; it must not hide the first
    // section header.
    if (begin == 0 && content.startsWith(kUtf8Bom))
        begin = kUtf8Bom.size();
    const QByteArrayView raw = content.sliced(begin, std::max<qsizetype>(line.end - begin, 0));
    const QByteArrayView text = trimmed(raw);
    parsed.textBegin = begin;
    parsed.textEnd = std::max(begin, line.end);
    parsed.hasText = !text.isEmpty();
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close > 0) {
            parsed.kind = Kind::Section;
            parsed.name = trimmed(text.sliced(1, close - 1));
            return parsed;
        }
    }
    const qsizetype equals = raw.indexOf('=');
    if (equals < 0)
        return parsed;
    parsed.kind = Kind::Key;
    parsed.name = trimmed(raw.first(equals));
    qsizetype valueBegin = begin + equals + 1;
    qsizetype valueEnd = line.end;
    while (valueBegin < valueEnd && isBlank(content[valueBegin]))
        ++valueBegin;
    while (valueEnd > valueBegin && isBlank(content[valueEnd - 1]))
        --valueEnd;
    parsed.valueBegin = valueBegin;
    parsed.valueEnd = valueEnd;
    return parsed;
}

// Where a key stands in the file, or where it would go.
struct Location {
    bool sectionFound = false;
    bool keyFound = false;
    Parsed key;                    // the first matching key line (keyFound)
    qsizetype insertAt = 0;        // after the section's last non-blank line (sectionFound)
    bool insertNeedsBreak = false; // that line has no line ending (last line of the file)
};

Location locate(QByteArrayView content, QByteArrayView section, QByteArrayView key)
{
    Location where;
    bool inside = false;
    const char breakByte = lineBreak(content);
    for (qsizetype pos = 0; pos < content.size();) {
        const Line line = lineAt(content, pos, breakByte);
        pos = line.next;
        const Parsed parsed = parse(content, line);
        if (parsed.kind == Kind::Section) {
            if (inside)
                break; // only the first section of that name counts
            inside = sameName(parsed.name, section);
            if (!inside)
                continue;
            where.sectionFound = true;
        } else if (!inside) {
            continue;
        }
        if (parsed.hasText) {
            where.insertAt = line.next;
            where.insertNeedsBreak = line.next == line.end;
        }
        if (parsed.kind == Kind::Key && !where.keyFound && sameName(parsed.name, key)) {
            where.keyFound = true;
            where.key = parsed;
        }
    }
    return where;
}

// New lines follow the file's own convention; a file without any line break gets the
// platform's.
QByteArrayView lineEnding(QByteArrayView content)
{
    if (lineBreak(content) == '\r')
        return "\r";
    const qsizetype lf = content.indexOf('\n');
    if (lf > 0 && content[lf - 1] == '\r')
        return "\r\n";
    if (lf >= 0)
        return "\n";
#ifdef Q_OS_WIN
    return "\r\n";
#else
    return "\n";
#endif
}

// A value read back: one enclosing pair of double or single quotes taken off.
QByteArrayView unquoted(QByteArrayView value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.sliced(1, value.size() - 2);
    return value;
}

bool hasLineBreak(QByteArrayView text)
{
    return text.contains('\n') || text.contains('\r');
}

} // namespace

bool isValidSection(QByteArrayView section)
{
    const QByteArrayView name = trimmed(section);
    return !name.isEmpty() && !hasLineBreak(name) && !name.contains(']');
}

bool isValidKey(QByteArrayView key)
{
    const QByteArrayView name = trimmed(key);
    return !name.isEmpty() && !hasLineBreak(name) && !name.contains('=') && !name.startsWith('[');
}

std::optional<QByteArray> lookup(QByteArrayView content, QByteArrayView section, QByteArrayView key)
{
    const Location where = locate(content, trimmed(section), trimmed(key));
    if (!where.keyFound)
        return std::nullopt;
    const QByteArrayView value =
        unquoted(content.sliced(where.key.valueBegin, where.key.valueEnd - where.key.valueBegin));
    return value.first(std::min(value.size(), kMaxValueLength)).toByteArray();
}

bool hasSection(QByteArrayView content, QByteArrayView section)
{
    return locate(content, trimmed(section), {}).sectionFound;
}

QByteArray update(QByteArrayView content, QByteArrayView section, QByteArrayView key,
                  QByteArrayView value)
{
    if (!isValidSection(section) || !isValidKey(key))
        return content.toByteArray();
    const QByteArrayView sectionName = trimmed(section);
    const QByteArrayView keyName = trimmed(key);
    // A line break inside the value would end its line early and turn the rest into lines
    // of their own.
    QByteArray safeValue = value.toByteArray();
    safeValue.replace('\r', ' ').replace('\n', ' ');

    const Location where = locate(content, sectionName, keyName);
    QByteArray result;
    result.reserve(content.size() + sectionName.size() + keyName.size() + safeValue.size() + 8);
    if (where.keyFound) {
        const Parsed &line = where.key;
        // A line that already reads back as the new value keeps its own look.
        const QByteArrayView old = content.sliced(line.valueBegin, line.valueEnd - line.valueBegin);
        if (unquoted(old) == unquoted(trimmed(safeValue)))
            return content.toByteArray();
        // Otherwise the whole line is written anew, without blanks around "=", the key spelled
        // as the file has it; the line ending stays.
        result.append(content.first(line.textBegin));
        result.append(line.name).append('=').append(safeValue);
        result.append(content.sliced(line.textEnd));
        return result;
    }

    const QByteArrayView eol = lineEnding(content);
    QByteArray keyLine = keyName.toByteArray();
    keyLine.append('=').append(safeValue).append(eol);
    if (where.sectionFound) {
        result.append(content.first(where.insertAt));
        if (where.insertNeedsBreak)
            result.append(eol);
        result.append(keyLine);
        result.append(content.sliced(where.insertAt));
        return result;
    }

    result.append(content);
    if (!content.isEmpty() && !content.endsWith(lineBreak(content)))
        result.append(eol);
    result.append('[').append(sectionName).append(']').append(eol);
    result.append(keyLine);
    return result;
}

} // namespace ini
