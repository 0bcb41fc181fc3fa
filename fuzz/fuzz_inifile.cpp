// Feeds arbitrary files and names to the settings-file rules. Beyond not crashing, the checks
// hold whatever the rules for blanks, quotes and letter case are:
// - a refused name changes nothing;
// - an update never loses a line, and adds at most a section header and a key line;
// - a plain value (no line break, no blank at either end, not wrapped in quotes, short
//   enough to read back whole) reads back exactly as written;
// - writing back a plain value that was read changes nothing;
// - every other key reads as before, unless it is the same key under another spelling, in
//   which case it reads the new value.
//
// Input layout: three length bytes (section, key, value, each taken modulo 32), the section,
// the key, the value, a second section and key of 8 bytes each, then the file content.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "settings/inifile.h"

namespace
{

bool isPlain(QByteArrayView value)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f'; };
    if (value.contains('\r') || value.contains('\n') || value.size() > ini::kMaxValueLength)
        return false;
    if (!value.isEmpty() && (blank(value.front()) || blank(value.back())))
        return false;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    return !quoted;
}

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3 + 16)
        return 0;
    const QByteArrayView input(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype sectionLength = std::uint8_t(input[0]) % 32;
    const qsizetype keyLength = std::uint8_t(input[1]) % 32;
    const qsizetype valueLength = std::uint8_t(input[2]) % 32;
    if (input.size() < 3 + sectionLength + keyLength + valueLength + 16)
        return 0;
    qsizetype pos = 3;
    const auto take = [&](qsizetype n) {
        const QByteArrayView part = input.sliced(pos, n);
        pos += n;
        return part;
    };
    const QByteArrayView section = take(sectionLength);
    const QByteArrayView key = take(keyLength);
    const QByteArrayView value = take(valueLength);
    const QByteArrayView otherSection = take(8);
    const QByteArrayView otherKey = take(8);
    const QByteArrayView content = input.sliced(pos);

    const auto before = ini::lookup(content, section, key);
    check(!before || before->size() <= ini::kMaxValueLength);
    const QByteArray updated = ini::update(content, section, key, value);
    if (!ini::isValidSection(section) || !ini::isValidKey(key)) {
        check(updated == content);
        return 0;
    }

    const qsizetype linesBefore = content.count('\n');
    const qsizetype linesAfter = QByteArrayView(updated).count('\n');
    check(linesAfter >= linesBefore && linesAfter <= linesBefore + 3);

    const auto read = ini::lookup(updated, section, key);
    check(read.has_value());
    if (isPlain(value))
        check(*read == value);
    if (isPlain(*read) && read->size() < ini::kMaxValueLength)
        check(ini::update(updated, section, key, *read) == updated);

    const auto otherAfter = ini::lookup(updated, otherSection, otherKey);
    check(otherAfter == ini::lookup(content, otherSection, otherKey) || otherAfter == read);
    return 0;
}
