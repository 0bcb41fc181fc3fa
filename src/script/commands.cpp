// The commands of the command line and of scripts: each reads its words and adds the steps
// it stands for. Ranges are the frame builders' (protocol/protocol.h): a builder that gives no
// frame means an argument is out of range, and the builder asked about that argument alone
// says which.

#include "script/parser.h"

#include <limits>

#include "encoding/win1252.h"
#include "link/pacingclock.h"
#include "link/transmitter.h"
#include "protocol/bignumber.h"
#include "protocol/messagetext.h"
#include "script/arguments.h"
#include "settings/glyphtable.h"
#include "settings/settingsfile.h"

namespace script
{

const std::vector<Parser::Command> &Parser::commands()
{
    static const std::vector<Command> table = {
        {"clear", "clear", "clear the display, cursor home", &Parser::clear},
        {"home", "home", "cursor to row 0, column 0", &Parser::home},
        {"next-line", "next-line", "cursor to the start of the next row", &Parser::nextLine},
        {"backspace", "backspace", "cursor one left, blanking that cell", &Parser::backspace},
        {"text", "text TEXT", "write text at the cursor (Windows-1252)", &Parser::text},
        {"char", "char SLOT", "write custom character SLOT (0-7)", &Parser::character},
        {"goto", "goto ROW COLUMN", "move the cursor (row 0-3, column 0-19)", &Parser::goTo},
        {"cursor", "cursor hidden|underline|blinking|left|right",
         "cursor style, or move it one left or right", &Parser::cursor},
        {"clear-row", "clear-row ROW", "blank a row (0-3)", &Parser::clearRow},
        {"clear-column", "clear-column COLUMN", "blank a column (0-19)", &Parser::clearColumn},
        {"backlight", "backlight on|off|level LEVEL", "backlight on, off, or level 0-250",
         &Parser::backlight},
        {"glyph", "glyph SLOT ROW1 ... ROW8",
         "set custom character SLOT (0-7) to eight rows of five pixels (0-31, e.g. 0b10001); "
         "the other slots come from the settings file",
         &Parser::glyph},
        {"glyphs", "glyphs FILE", "upload the eight custom characters of a settings file",
         &Parser::glyphs},
        {"load-glyphs", "load-glyphs", "bring the custom characters back from the module's flash",
         &Parser::loadGlyphs},
        {"hbar", "hbar init|left WIDTH|right WIDTH",
         "load the bar glyphs, or draw a bar of WIDTH 1-100 from the left or right", &Parser::hbar},
        {"vbar", "vbar init|COLUMN HEIGHT",
         "load the bar glyphs, or draw a bar in COLUMN 0-19 of HEIGHT 1-32", &Parser::vbar},
        {"bignum", "bignum init|NUMBER",
         "load the big digits, or draw a number of up to four characters", &Parser::bignum},
        {"message", "message ROW NUMBER", "show stored message NUMBER (1-20) on ROW (0-3)",
         &Parser::message},
        {"store-messages", "store-messages FILE",
         "store the twenty messages of a settings file in the module, 200 ms apart",
         &Parser::storeMessages},
        {"save-flash", "save-flash",
         "store the module's settings in its flash and wait for its acknowledgement",
         &Parser::saveFlash},
        {"module-speed", "module-speed 9600|19200", "the module's own line speed",
         &Parser::moduleSpeed},
        {"gpio-mode", "gpio-mode gpio|keypad", "P2 as eight I/O pins or a 4x4 keypad",
         &Parser::gpioMode},
        {"pin-directions", "pin-directions BITS",
         "P2 pin directions, bit n-1 set: pin n is an output (0-255, e.g. 0x81)",
         &Parser::pinDirections},
        {"read-analog", "read-analog INPUT", "print the reading of analog input 1 or 2",
         &Parser::readAnalog},
        {"listen", "listen [--json] [--count N] [--gpio|--keypad] [--reconnect]",
         "print replies as they arrive, until Ctrl+C or N replies;\n"
         "      --reconnect: a lost device is waited for (\"lost: REASON\", \"back\")",
         &Parser::listen},
        {"raw", "raw HEX ...", "send bytes as they stand (FE 32 00 13)", &Parser::raw},
        {"wait", "wait MS", "pause (0-3600000 ms)", &Parser::waitCommand},
        {"play", "play FILE|-", "play a script file, or standard input", &Parser::play},
    };
    return table;
}

QStringList Parser::commandHelp()
{
    QStringList lines;
    for (const Command &command : commands())
        lines << QStringLiteral("  %1\n      %2")
                     .arg(QLatin1String(command.usage), QLatin1String(command.help));
    return lines;
}

bool Parser::clear(Arguments &)
{
    send(*proto::screenCommand(2));
    return true;
}

bool Parser::home(Arguments &)
{
    send(*proto::screenCommand(0));
    return true;
}

bool Parser::nextLine(Arguments &)
{
    send(*proto::screenCommand(1));
    return true;
}

bool Parser::backspace(Arguments &)
{
    send(proto::backSpace());
    return true;
}

bool Parser::text(Arguments &args)
{
    const auto text = args.word(QStringLiteral("TEXT"));
    return text && addText(args, *text);
}

bool Parser::addText(Arguments &args, const QString &text)
{
    if (text.isEmpty())
        return args.fail(QStringLiteral("TEXT is empty"));
    proto::Frame bytes;
    for (char32_t character : text.toUcs4()) {
        const QString shown = QString::fromUcs4(&character, 1);
        const auto code = win1252::encode(character);
        if (!code)
            return args.fail(QStringLiteral("'%1' has no Windows-1252 code").arg(shown));
        if (*code == proto::kPrefix)
            return args.fail(QStringLiteral("'%1' has the code FE, the command prefix, and "
                                            "cannot be written as text")
                                 .arg(shown));
        const auto frame = proto::typedCharacter(*code);
        if (!frame)
            return args.fail(QStringLiteral("control character %1 in TEXT (use next-line, char "
                                            "or raw)")
                                 .arg(QStringLiteral("0x%1").arg(*code, 2, 16, QLatin1Char('0'))));
        bytes.push_back(frame->front());
    }
    for (std::size_t at = 0; at < bytes.size(); at += seriallink::Transmitter::kBufferSize) {
        const auto end =
            bytes.begin() + static_cast<std::ptrdiff_t>(
                                std::min(bytes.size(), at + seriallink::Transmitter::kBufferSize));
        send(proto::Frame(bytes.begin() + static_cast<std::ptrdiff_t>(at), end));
    }
    return true;
}

std::optional<int> Parser::sendNumbered(Arguments &args, const QString &name,
                                        const QString &allowed, const FrameOf &build)
{
    const auto value = args.number(name, allowed);
    if (!value)
        return std::nullopt;
    const auto frame = build(*value);
    if (!args.inRange(frame.has_value(), name, *value, allowed))
        return std::nullopt;
    send(*frame);
    return value;
}

bool Parser::character(Arguments &args)
{
    return sendNumbered(args, QStringLiteral("SLOT"), range(0, proto::kGlyphSlots - 1),
                        proto::customCharacter)
        .has_value();
}

bool Parser::goTo(Arguments &args)
{
    const QString rows = range(0, proto::kRows - 1);
    const QString columns = range(0, proto::kColumns - 1);
    const auto row = args.number(QStringLiteral("ROW"), rows);
    const auto column = args.number(QStringLiteral("COLUMN"), columns);
    if (!row || !column ||
        !args.inRange(proto::setPosition(*row, 0).has_value(), QStringLiteral("ROW"), *row, rows) ||
        !args.inRange(proto::setPosition(0, *column).has_value(), QStringLiteral("COLUMN"), *column,
                      columns))
        return false;
    send(*proto::setPosition(*row, *column));
    return true;
}

bool Parser::cursor(Arguments &args)
{
    const QStringList styles = {QStringLiteral("hidden"), QStringLiteral("underline"),
                                QStringLiteral("blinking"), QStringLiteral("left"),
                                QStringLiteral("right")};
    const auto style = args.choice(QStringLiteral("STYLE"), styles);
    if (!style)
        return false;
    const auto index = static_cast<int>(styles.indexOf(*style));
    send(index < 3 ? *proto::cursorType(index) : *proto::cursorMove(index - 3));
    return true;
}

bool Parser::clearRow(Arguments &args)
{
    return sendNumbered(args, QStringLiteral("ROW"), range(0, proto::kRows - 1),
                        [](int row) { return proto::clearRowOrColumn(0, row); })
        .has_value();
}

bool Parser::clearColumn(Arguments &args)
{
    return sendNumbered(args, QStringLiteral("COLUMN"), range(0, proto::kColumns - 1),
                        [](int column) { return proto::clearRowOrColumn(1, column); })
        .has_value();
}

bool Parser::backlight(Arguments &args)
{
    const auto what =
        args.choice(QStringLiteral("SETTING"),
                    {QStringLiteral("on"), QStringLiteral("off"), QStringLiteral("level")});
    if (!what)
        return false;
    if (*what != QLatin1String("level")) {
        send(*proto::backlight(*what == QLatin1String("on") ? 0 : 1));
        return true;
    }
    return sendNumbered(args, QStringLiteral("LEVEL"), range(0, proto::kMaxBacklightLevel),
                        proto::backlightLevel)
        .has_value();
}

bool Parser::glyphTableFrom(Arguments &args, const QString &path, bool mustExist)
{
    if (const auto known = m_glyphFiles.constFind(path); known != m_glyphFiles.cend()) {
        m_glyphs = *known;
        return true;
    }
    GlyphTable table;
    const files::UserFile &file = readFile(path, SettingsFile::kLargestFile);
    if (file.state == files::UserFile::State::Missing && !mustExist) {
        m_glyphs = table.UCharTable; // no settings file yet: blank glyphs, as the window starts
        return true;
    }
    if (!file.isRead())
        return args.fail(QStringLiteral("cannot read '%1': %2").arg(path, file.reason));
    m_runBytes += file.content.size();
    const SettingsSnapshot settings(file.content);
    // A file named on purpose but without the section would send eight blank characters
    // over the module's own.
    if (mustExist && !settings.hasSection(QStringLiteral("UDC")))
        return args.fail(QStringLiteral("%1 has no [UDC] section: nothing to upload").arg(path));
    // Read as the window reads it, except that a value that is not a byte is refused rather
    // than sent as a blank row by surprise.
    const auto malformed = table.read(settings);
    if (!malformed.empty())
        return args.fail(QStringLiteral("%1: UDC/%2 = '%3' is not a whole number 0 to 255")
                             .arg(path, malformed.front().key, malformed.front().text));
    m_glyphs = table.UCharTable;
    m_glyphFiles.insert(path, table.UCharTable);
    return true;
}

bool Parser::glyph(Arguments &args)
{
    const QString slotRange = range(0, proto::kGlyphSlots - 1);
    const auto slot = args.number(QStringLiteral("SLOT"), slotRange);
    if (!slot || !args.inRange(proto::customCharacter(*slot).has_value(), QStringLiteral("SLOT"),
                               *slot, slotRange))
        return false;
    // Five pixels a row: the leftmost is 16 (0b10000), the rightmost 1.
    const QString pixels = range(0, 31);
    std::array<std::uint8_t, proto::kGlyphRows> rows{};
    for (int row = 0; row < proto::kGlyphRows; ++row) {
        const QString name = QStringLiteral("ROW%1").arg(row + 1);
        const auto value = args.number(name, pixels);
        if (!value || !args.inRange(*value >= 0 && *value <= 31, name, *value, pixels))
            return false;
        rows[static_cast<std::size_t>(row)] = static_cast<std::uint8_t>(*value);
    }
    if (!m_glyphs && !glyphTableFrom(args, m_setup.settingsPath, false))
        return false;
    std::copy(rows.begin(), rows.end(),
              m_glyphs->begin() + static_cast<std::ptrdiff_t>(*slot * proto::kGlyphRows));
    send(proto::setCustomChars(*m_glyphs));
    return true;
}

bool Parser::glyphs(Arguments &args)
{
    const auto file = args.word(QStringLiteral("FILE"));
    if (!file || !args.finish() || !glyphTableFrom(args, pathFor(*file), true))
        return false;
    send(proto::setCustomChars(*m_glyphs));
    return true;
}

bool Parser::loadGlyphs(Arguments &)
{
    send(proto::loadCustomChars());
    return true;
}

bool Parser::hbar(Arguments &args)
{
    const auto what =
        args.choice(QStringLiteral("DIRECTION"),
                    {QStringLiteral("init"), QStringLiteral("left"), QStringLiteral("right")});
    if (!what)
        return false;
    if (*what == QLatin1String("init")) {
        send(*proto::initBarGraph(0));
        return true;
    }
    const int direction = *what == QLatin1String("left") ? 0 : 1;
    return sendNumbered(args, QStringLiteral("WIDTH"), range(1, proto::kMaxBarWidth),
                        [direction](int width) { return proto::horizontalBar(direction, width); })
        .has_value();
}

bool Parser::vbar(Arguments &args)
{
    if (args.peek() == QLatin1String("init")) {
        args.word(QStringLiteral("init"));
        send(*proto::initBarGraph(1));
        return true;
    }
    const QString columns = range(0, proto::kColumns - 1);
    const QString heights = range(1, proto::kMaxBarHeight);
    const auto column = args.number(QStringLiteral("COLUMN"), columns);
    const auto height = args.number(QStringLiteral("HEIGHT"), heights);
    if (!column || !height ||
        !args.inRange(proto::verticalBar(*column, 1).has_value(), QStringLiteral("COLUMN"), *column,
                      columns) ||
        !args.inRange(proto::verticalBar(0, *height).has_value(), QStringLiteral("HEIGHT"), *height,
                      heights))
        return false;
    send(*proto::verticalBar(*column, *height));
    return true;
}

bool Parser::bignum(Arguments &args)
{
    const auto text = args.word(QStringLiteral("NUMBER"));
    if (!text)
        return false;
    if (*text == QLatin1String("init")) {
        send(proto::loadBigNumbers());
        return true;
    }
    const QString allowed = QStringLiteral("up to four characters such as 42, -3.5 or 1E3");
    // A script means the same on every desktop: the decimal separator is the point.
    if (!proto::bignumber::isNumeric(*text, QLatin1Char('.')))
        return args.fail(QStringLiteral("NUMBER '%1' is not a number (allowed: %2)")
                             .arg(shownWord(*text), allowed));
    const auto codes = proto::bignumber::codes(proto::bignumber::rightAligned(text->trimmed()));
    if (!codes)
        return args.fail(
            QStringLiteral("NUMBER '%1' is longer than four characters").arg(shownWord(*text)));
    send(*proto::bigNumber(*codes));
    return true;
}

bool Parser::message(Arguments &args)
{
    const QString rows = range(0, proto::kRows - 1);
    const QString numbers = range(1, proto::kMessageCount);
    const auto row = args.number(QStringLiteral("ROW"), rows);
    const auto number = args.number(QStringLiteral("NUMBER"), numbers);
    if (!row || !number ||
        !args.inRange(proto::showMessage(*row, 1).has_value(), QStringLiteral("ROW"), *row, rows) ||
        !args.inRange(proto::showMessage(0, *number).has_value(), QStringLiteral("NUMBER"), *number,
                      numbers))
        return false;
    send(*proto::showMessage(*row, *number));
    return true;
}

bool Parser::storeMessages(Arguments &args)
{
    const auto file = args.word(QStringLiteral("FILE"));
    if (!file || !args.finish())
        return false;
    const QString path = pathFor(*file);
    auto texts = m_messages.constFind(path);
    if (texts == m_messages.cend()) {
        const files::UserFile &read = readFile(path, SettingsFile::kLargestFile);
        if (!read.isRead())
            return args.fail(QStringLiteral("cannot read '%1': %2").arg(*file, read.reason));
        m_runBytes += read.content.size();
        const SettingsSnapshot settings(read.content);
        // Without the section every one of the module's twenty messages would become blanks.
        if (!settings.hasSection(QStringLiteral("MSG")))
            return args.fail(
                QStringLiteral("%1 has no [MSG] section: nothing to store").arg(*file));
        std::vector<MessageText> messages;
        for (int k = 0; k < proto::kMessageCount; ++k)
            messages.push_back(proto::messageBytes(
                settings.ReadINI(QStringLiteral("MSG"), QStringLiteral("M%1").arg(k + 1))));
        texts = m_messages.insert(path, messages);
    }
    // As the window uploads them: one frame per message, one pacing tick after each.
    for (int k = 0; k < proto::kMessageCount; ++k) {
        send(*proto::storeMessage(k, texts->at(std::size_t(k))));
        wait(seriallink::PacingClock::kIntervalMs);
    }
    return true;
}

bool Parser::saveFlash(Arguments &)
{
    // As the window does it: the store, a tick for the module to write its flash, then the
    // confirmation on the display. The acknowledgement may come at any time after the store.
    send(proto::storeInFlash());
    const int store = static_cast<int>(m_steps.size()) - 1;
    wait(seriallink::PacingClock::kIntervalMs);
    send(*proto::screenCommand(2));
    const QByteArray confirmation(proto::kFlashConfirmationText);
    send(proto::Frame(confirmation.begin(), confirmation.end()));
    await(Step::Awaited::SaveAck, store, false);
    return true;
}

bool Parser::moduleSpeed(Arguments &args)
{
    const auto speed =
        args.choice(QStringLiteral("SPEED"), {QStringLiteral("9600"), QStringLiteral("19200")});
    if (!speed)
        return false;
    send(proto::moduleBaud(*speed == QLatin1String("9600")));
    return true;
}

bool Parser::gpioMode(Arguments &args)
{
    const auto mode =
        args.choice(QStringLiteral("MODE"), {QStringLiteral("gpio"), QStringLiteral("keypad")});
    if (!mode)
        return false;
    m_mode = *mode == QLatin1String("gpio") ? proto::P2Mode::Gpio : proto::P2Mode::Keypad;
    send(proto::p2Mode(m_mode == proto::P2Mode::Gpio));
    return true;
}

bool Parser::pinDirections(Arguments &args)
{
    return sendNumbered(args, QStringLiteral("BITS"), range(0, 255), proto::p2Directions)
        .has_value();
}

bool Parser::readAnalog(Arguments &args)
{
    const auto input = sendNumbered(args, QStringLiteral("INPUT"), range(1, 2),
                                    [](int input) { return proto::readAnalog(input - 1); });
    if (!input)
        return false;
    await(*input == 1 ? Step::Awaited::Analog1 : Step::Awaited::Analog2,
          static_cast<int>(m_steps.size()) - 1, true);
    return true;
}

bool Parser::listen(Arguments &args)
{
    Step step;
    step.kind = Step::Kind::Listen;
    step.mode = m_mode;
    step.origin = m_origin;
    while (!args.atEnd()) {
        const auto option = args.choice(QStringLiteral("OPTION"),
                                        {QStringLiteral("--json"), QStringLiteral("--count"),
                                         QStringLiteral("--gpio"), QStringLiteral("--keypad"),
                                         QStringLiteral("--reconnect")});
        if (!option)
            return false;
        if (*option == QLatin1String("--json")) {
            step.format = Step::Format::Json;
        } else if (*option == QLatin1String("--gpio")) {
            step.mode = proto::P2Mode::Gpio;
        } else if (*option == QLatin1String("--keypad")) {
            step.mode = proto::P2Mode::Keypad;
        } else if (*option == QLatin1String("--reconnect")) {
            step.reconnect = true;
        } else {
            const QString allowed = QStringLiteral("1 to %1").arg(std::numeric_limits<int>::max());
            const auto count = args.number(QStringLiteral("N"), allowed);
            if (!count || !args.inRange(*count >= 1, QStringLiteral("N"), *count, allowed))
                return false;
            step.count = *count;
        }
    }
    m_steps.add(step);
    return true;
}

bool Parser::raw(Arguments &args)
{
    const QStringList words = args.rest();
    if (words.isEmpty())
        return args.fail(QStringLiteral("missing HEX (usage: raw HEX ...)"));
    for (const QString &word : words)
        if (!parseHexWords({word}))
            return args.fail(QStringLiteral("'%1' is not hex bytes (allowed: two hex digits per "
                                            "byte, such as FE 32 00 13 or FE320013)")
                                 .arg(shownWord(word)));
    proto::Frame frame = *parseHexWords(words);
    if (frame.size() > static_cast<std::size_t>(seriallink::Transmitter::kBufferSize))
        return args.fail(QStringLiteral("%1 bytes in one frame (allowed: up to %2; split it over "
                                        "several lines)")
                             .arg(frame.size())
                             .arg(seriallink::Transmitter::kBufferSize));
    send(std::move(frame));
    return true;
}

bool Parser::waitCommand(Arguments &args)
{
    const QString allowed = range(0, kLongestWaitMs);
    const auto ms = args.number(QStringLiteral("MS"), allowed);
    if (!ms || !args.inRange(*ms >= 0 && *ms <= kLongestWaitMs, QStringLiteral("MS"), *ms, allowed))
        return false;
    wait(*ms);
    return true;
}

} // namespace script
