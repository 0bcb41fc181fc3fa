#include "screenrenderer.h"

#include <array>

#include "cellcharacters.h"
#include "keymap.h"
#include "protocol/keypad.h"

namespace simtool
{

namespace
{

const QString kReset = QStringLiteral("\x1b[0m");
const QString kBold = QStringLiteral("\x1b[1m");
const QString kDim = QStringLiteral("\x1b[2m");
const QString kReverse = QStringLiteral("\x1b[7m");
const QString kWarn = QStringLiteral("\x1b[33m");

QString colour(int background, int foreground)
{
    return QStringLiteral("\x1b[48;5;%1;38;5;%2m").arg(background).arg(foreground);
}

// Backlight off: a grey panel with dim text, still readable as an unlit panel is. On: a
// green from dark to bright by level.
QString panelColour(const sim::ModuleSettings &settings)
{
    if (!settings.backlightOn)
        return colour(236, 244);
    static constexpr std::array<int, 7> kGreens = {22, 28, 34, 40, 46, 82, 118};
    const int step = settings.backlightLevel * (static_cast<int>(kGreens.size()) - 1) /
                     proto::kMaxBacklightLevel;
    return colour(kGreens[static_cast<std::size_t>(step)], step < 2 ? 120 : 16);
}

QString cursorStyle(sim::CursorType type)
{
    switch (type) {
    case sim::CursorType::Underline:
        return QStringLiteral("\x1b[4m");
    case sim::CursorType::Blinking:
        return QStringLiteral("\x1b[5;7m");
    case sim::CursorType::Hidden:
        break;
    }
    return {};
}

QString displayRow(const sim::ModuleModel &model, int row)
{
    const auto &display = model.display();
    const auto &settings = model.settings();
    const QString panel = panelColour(settings);
    QString line = QStringLiteral("│") + panel;
    for (int column = 0; column < proto::kColumns; ++column) {
        const QString text = cellText(display.cell(row, column), model.glyphs());
        if (row == display.cursorRow() && column == display.cursorColumn() &&
            settings.cursorType != sim::CursorType::Hidden)
            line += cursorStyle(settings.cursorType) + text + kReset + panel;
        else
            line += text;
    }
    return line + kReset + QStringLiteral("│");
}

QString header(const sim::ModuleModel &model, const ViewInfo &view)
{
    const auto &settings = model.settings();
    QString first = kBold + QStringLiteral("vantel-sim") + kReset + QStringLiteral("  ") +
                    view.linkPath + QStringLiteral(" -> ") + view.slavePath;
    if (view.portSpeed > 0)
        first += QStringLiteral("  port %1 bit/s").arg(view.portSpeed);
    if (view.portSpeed > 0 && view.portSpeed != settings.lineSpeed)
        first += kWarn + QStringLiteral(" (module set to %1)").arg(settings.lineSpeed) + kReset;
    const QString second =
        QStringLiteral("backlight %1 level %2  cursor %3 at %4,%5  slots: %6")
            .arg(settings.backlightOn ? QStringLiteral("on") : QStringLiteral("off"))
            .arg(settings.backlightLevel)
            .arg(cursorName(settings.cursorType))
            .arg(model.display().cursorRow())
            .arg(model.display().cursorColumn())
            .arg(glyphSetName(model.glyphSet()));
    return first + QStringLiteral("\x1b[K\r\n") + second + QStringLiteral("\x1b[K\r\n");
}

QStringList displayAndGlyphs(const sim::ModuleModel &model)
{
    const QString border(proto::kColumns, QChar(0x2500)); // ─
    // 22 + 2 + 8 * 5 + 7 * 2 = 78 characters: fits a terminal of 80 columns.
    QStringList slotNumbers;
    for (int slot = 0; slot < proto::kGlyphSlots; ++slot)
        slotNumbers << QStringLiteral("  %1  ").arg(slot);
    QStringList lines{QStringLiteral("┌") + border + QStringLiteral("┐  ") + kDim +
                      slotNumbers.join(QStringLiteral("  ")) + kReset};
    for (int row = 0; row < proto::kRows; ++row) {
        QStringList art;
        for (const auto &glyph : model.glyphs())
            art << dotArt(glyph).at(row);
        lines << displayRow(model, row) + QStringLiteral("  ") + art.join(QStringLiteral("  "));
    }
    lines << QStringLiteral("└") + border + QStringLiteral("┘");
    return lines;
}

QStringList portLines(const sim::ModuleModel &model)
{
    const auto &settings = model.settings();
    const bool keypad = settings.p2Mode == proto::P2Mode::Keypad;
    QStringList lines;
    const QString directions =
        QString::number(settings.p2Directions, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    lines << (QStringLiteral("P2 ") +
              (keypad ? QStringLiteral("keypad") : QStringLiteral("general I/O")) +
              QStringLiteral(", directions 0x") + directions)
                     .leftJustified(34) +
                 QStringLiteral("keypad");
    QString pins = QStringLiteral("pin   ");
    QString keys = QStringLiteral("key   ");
    QString levels = QStringLiteral("level ");
    for (int pin = 0; pin < sim::kInputPins; ++pin) {
        pins += QStringLiteral(" %1").arg(pin + 1);
        keys += QStringLiteral(" ") + QLatin1Char(pinShortcut(pin));
        const bool output = (settings.p2Directions >> pin) & 1;
        levels += output                ? QStringLiteral(" o")
                  : model.inputPin(pin) ? QStringLiteral(" ") + kBold + '1' + kReset
                                        : QStringLiteral(" 0");
    }
    // Every left part is 22 characters wide on the screen, so the keypad lines up.
    const QString pinStyle = keypad ? kDim : QString();
    const std::array<QString, 4> left = {pinStyle + pins + kReset, pinStyle + keys + kReset,
                                         pinStyle + levels + kReset, QString(22, QLatin1Char(' '))};
    const QString keyStyle = keypad ? QString() : kDim;
    std::array<QString, 4> grid;
    for (int key = 1; key <= sim::kKeypadKeys; ++key) {
        const QString label = QStringLiteral("%1 ").arg(key, 2);
        grid[static_cast<std::size_t>(proto::keypad::row(key))] +=
            model.key(key) ? kReverse + label + kReset + keyStyle : label;
    }
    for (std::size_t row = 0; row < grid.size(); ++row)
        lines << left[row] + QString(12, QLatin1Char(' ')) + keyStyle + grid[row] + kReset;
    lines << QStringLiteral("analog 1: %1 (- +)   analog 2: %2 ([ ])")
                 .arg(model.analog(0))
                 .arg(model.analog(1));
    return lines;
}

} // namespace

QString cursorName(sim::CursorType type)
{
    switch (type) {
    case sim::CursorType::Hidden:
        return QStringLiteral("hidden");
    case sim::CursorType::Underline:
        return QStringLiteral("underline");
    case sim::CursorType::Blinking:
        return QStringLiteral("blinking");
    }
    return {};
}

QString glyphSetName(sim::GlyphSet set)
{
    switch (set) {
    case sim::GlyphSet::Custom:
        return QStringLiteral("custom characters");
    case sim::GlyphSet::HorizontalBars:
        return QStringLiteral("horizontal bars");
    case sim::GlyphSet::VerticalBars:
        return QStringLiteral("vertical bars");
    case sim::GlyphSet::BigNumbers:
        return QStringLiteral("big numbers");
    }
    return {};
}

QString renderScreen(const sim::ModuleModel &model, const ViewInfo &view)
{
    QString out = QStringLiteral("\x1b[H") + header(model, view);
    QStringList body = displayAndGlyphs(model) + portLines(model);
    body << kDim + QStringLiteral("── log ") + QString(view.width - 8, QChar(0x2500)) + kReset;
    for (const QString &line : body)
        out += line + QStringLiteral("\x1b[K\r\n");
    const QStringList help = helpLines();
    const int used = 2 + static_cast<int>(body.size() + help.size());
    const int logLines = std::max(0, view.height - used);
    if (view.log) {
        const int first = std::max(0, static_cast<int>(view.log->size()) - logLines);
        for (int i = first; i < static_cast<int>(view.log->size()); ++i)
            out += (*view.log)[static_cast<std::size_t>(i)].left(view.width - 1) +
                   QStringLiteral("\x1b[K\r\n");
    }
    out += QStringLiteral("\x1b[J") + kDim;
    for (const QString &line : help)
        out +=
            (line == help.first() ? QString() : QStringLiteral("\r\n")) + line.left(view.width - 1);
    out += kReset;
    return out;
}

QStringList plainDisplay(const sim::ModuleModel &model)
{
    const QString border =
        QStringLiteral("+") + QString(proto::kColumns, QLatin1Char('-')) + QStringLiteral("+");
    QStringList lines{border};
    for (int row = 0; row < proto::kRows; ++row) {
        QString line = QStringLiteral("|");
        for (int column = 0; column < proto::kColumns; ++column)
            line += cellText(model.display().cell(row, column), model.glyphs());
        lines << line + QStringLiteral("|");
    }
    lines << border;
    return lines;
}

} // namespace simtool
