#include "keymap.h"

#include <cctype>

namespace simtool
{

std::optional<KeyAction> actionForKey(char key)
{
    using Kind = KeyAction::Kind;
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
    if (c >= '0' && c <= '9')
        return KeyAction{Kind::ToggleKey, c - '0', 0};
    if (c >= 'a' && c <= 'f')
        return KeyAction{Kind::ToggleKey, 10 + c - 'a', 0};
    if (c >= 'g' && c <= 'n')
        return KeyAction{Kind::TogglePin, c - 'g', 0};
    switch (c) {
    case ' ':
        return KeyAction{Kind::ReleaseKeys, 0, 0};
    case '-':
        return KeyAction{Kind::AdjustAnalog, 0, -kAnalogStep};
    case '+':
    case '=':
        return KeyAction{Kind::AdjustAnalog, 0, kAnalogStep};
    case '[':
        return KeyAction{Kind::AdjustAnalog, 1, -kAnalogStep};
    case ']':
        return KeyAction{Kind::AdjustAnalog, 1, kAnalogStep};
    case 's':
        return KeyAction{Kind::SendStatus, 0, 0};
    case 'r':
        return KeyAction{Kind::PowerCycle, 0, 0};
    case 'p':
        return KeyAction{Kind::PrintScreen, 0, 0};
    case '?':
        return KeyAction{Kind::Help, 0, 0};
    case 'q':
        return KeyAction{Kind::Quit, 0, 0};
    default:
        return std::nullopt;
    }
}

char keypadShortcut(int key)
{
    return "0123456789abcdef"[key & 0xF];
}

char pinShortcut(int pin)
{
    return static_cast<char>('g' + (pin & 7));
}

int keypadRow(int key)
{
    static constexpr int kRowOfKey[] = {0, 2, 3, 1};
    return kRowOfKey[key % 4];
}

int keypadColumn(int key)
{
    return key / 4;
}

QStringList helpLines()
{
    return {QStringLiteral("keypad 0-9 a-f (space: all up)   pins g-n = 1-8   analog 1: - +   "
                           "analog 2: [ ]"),
            QStringLiteral("s: send status   r: power cycle   p: print screen   ?: help   "
                           "q: quit")};
}

} // namespace simtool
