// Feeds arbitrary files and names to the settings-file rules. Beyond not crashing, an update
// must make lookup return the value just written and must leave every other key's value as
// it was.
//
// Input layout: three length bytes (section, key, value, each taken modulo 32), the section,
// the key, the value, a second section and key of 8 bytes each, then the file content.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "settings/inifile.h"

namespace
{

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

QByteArray withoutBlanksAround(const QByteArray &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.sliced(begin, end - begin);
}

// What a lookup should give for a value that was just written.
QByteArray expectedRead(QByteArrayView written)
{
    QByteArray value = written.toByteArray();
    value.replace('\r', ' ').replace('\n', ' ');
    value = withoutBlanksAround(value);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.sliced(1, value.size() - 2);
    return value.first(std::min(value.size(), ini::kMaxValueLength));
}

QByteArray lower(QByteArrayView name)
{
    QByteArray result = name.toByteArray();
    for (char &c : result) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return result;
}

QByteArray trimmedLower(QByteArrayView name)
{
    return withoutBlanksAround(lower(name));
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
    if (before && before->size() > ini::kMaxValueLength)
        std::abort();
    const QByteArray updated = ini::update(content, section, key, value);
    if (!ini::isValidSection(section) || !ini::isValidKey(key)) {
        if (updated != content)
            std::abort();
        return 0;
    }
    const auto after = ini::lookup(updated, section, key);
    if (!after || *after != expectedRead(value))
        std::abort();

    const bool sameKey = trimmedLower(section) == trimmedLower(otherSection) &&
                         trimmedLower(key) == trimmedLower(otherKey);
    if (!sameKey && ini::lookup(content, otherSection, otherKey) !=
                        ini::lookup(updated, otherSection, otherKey))
        std::abort();
    return 0;
}
