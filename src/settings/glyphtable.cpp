#include "settings/glyphtable.h"

#include "settings/settingsfile.h"

#include <QDebug>

namespace
{

const QString kSection = QStringLiteral("UDC");

} // namespace

QString GlyphTable::key(int slot, int row)
{
    return QStringLiteral("UCHAR%1R%2").arg(slot + 1).arg(row);
}

std::optional<std::uint8_t> GlyphTable::parseValue(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    // Leading zeros are still a whole number ("017" is 17); the running value stops short of
    // overflowing however many digits a hand-edited file holds.
    int value = 0;
    for (QChar c : trimmed) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
        value = value * 10 + (c.unicode() - '0');
        if (value > 255)
            return std::nullopt;
    }
    return static_cast<std::uint8_t>(value);
}

std::vector<GlyphTable::Malformed> GlyphTable::read(const SettingsFile &settings)
{
    return read(settings.read());
}

std::vector<GlyphTable::Malformed> GlyphTable::read(const SettingsSnapshot &settings)
{
    std::vector<Malformed> malformed;
    for (int s = 0; s < proto::kGlyphSlots; ++s) {
        for (int r = 1; r <= proto::kGlyphRows; ++r) {
            const QString text = settings.ReadINI(kSection, key(s, r));
            const auto value =
                text.trimmed().isEmpty() ? std::optional<std::uint8_t>(0) : parseValue(text);
            if (!value)
                malformed.push_back({key(s, r), text});
            UCharTable[static_cast<std::size_t>(s * proto::kGlyphRows + r - 1)] = value.value_or(0);
        }
    }
    return malformed;
}

int GlyphTable::load(const SettingsFile &settings)
{
    const std::vector<Malformed> malformed = read(settings);
    for (const Malformed &value : malformed)
        qWarning().noquote() << QStringLiteral("%1: [%2] %3=%4 is not a whole number 0-255; the "
                                               "row stays blank")
                                    .arg(settings.path(), kSection, value.key, value.text);
    return static_cast<int>(malformed.size());
}

GlyphTable::Rows GlyphTable::slot(int slot) const
{
    Rows rows{};
    if (slot < 0 || slot >= proto::kGlyphSlots)
        return rows;
    for (int r = 0; r < proto::kGlyphRows; ++r)
        rows[static_cast<std::size_t>(r)] =
            UCharTable[static_cast<std::size_t>(slot * proto::kGlyphRows + r)];
    return rows;
}

void GlyphTable::saveSlot(int slot, const Rows &rows, const SettingsFile &settings)
{
    if (slot < 0 || slot >= proto::kGlyphSlots)
        return;
    for (int r = 0; r < proto::kGlyphRows; ++r)
        UCharTable[static_cast<std::size_t>(slot * proto::kGlyphRows + r)] =
            rows[static_cast<std::size_t>(r)];
    for (int r = 0; r < proto::kGlyphRows; ++r)
        settings.WriteINI(kSection, key(slot, r + 1),
                          QString::number(rows[static_cast<std::size_t>(r)]));
}
