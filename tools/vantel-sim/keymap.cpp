#include "keymap.h"

#include <cctype>

namespace simtool
{

std::optional<KeyAction> actionForKey(char key)
{
    using Kind = KeyAction::Kind;
    const char c = static_cast<char>(std::tolower(static_cast<unsigned char>(key)));
    if (c >= '1' && c <= '9')
        return KeyAction{Kind::ToggleKey, c - '0', 0};
    if (c >= 'a' && c <= 'g')
        return KeyAction{Kind::ToggleKey, 10 + c - 'a', 0};
    if (c >= 'h' && c <= 'o')
        return KeyAction{Kind::TogglePin, c - 'h', 0};
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
    return "123456789abcdefg"[(key - 1) & 0xF];
}

char pinShortcut(int pin)
{
    return static_cast<char>('h' + (pin & 7));
}

QStringList helpLines()
{
    return {
        QStringLiteral("keypad 1-9 a-g = 1-16 (space: all up)   pins h-o = 1-8   analog 1: - +   "
                       "analog 2: [ ]"),
        QStringLiteral("s: send status   r: power cycle   p: print screen   ?: help   "
                       "q: quit")};
}

} // namespace simtool
