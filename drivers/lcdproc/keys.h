#pragma once
// The module's 4x4 keypad as LCDd keys. Keys are numbered 1-16 row by row, as the keypad
// indicator grid in the utility's window lays them out; KeyMap_<n> in the config names the
// LCDd key for key n. A key becomes one LCDd key press when it goes down in a keypad
// status reply; releases and other replies give nothing.

#include <array>
#include <deque>
#include <string>

#include "protocol/replydecoder.h"

namespace lcdd
{

constexpr int kKeypadKeys = 16;

// Key number (1-16) of DecodedReply::keys[index].
int keyNumber(int decodedIndex);

// Six keys in a cross on the upper left of the pad: Escape 1, Up 2, Left 5, Enter 6,
// Right 7, Down 10; the others name nothing until the config names them.
std::array<std::string, kKeypadKeys> defaultKeyMap();

class KeyQueue
{
public:
    // names[n - 1] is the LCDd key for key n; empty sends nothing.
    explicit KeyQueue(std::array<std::string, kKeypadKeys> names = defaultKeyMap());

    // The keys held in a keypad status reply: every key newly down queues its name.
    void keypadState(const std::array<bool, 16> &decodedKeys);
    // The oldest waiting key name, or empty.
    std::string take();
    // After the module came back: no key is held.
    void forgetHeld() { m_held.fill(false); }

private:
    std::array<std::string, kKeypadKeys> m_names;
    std::array<bool, kKeypadKeys> m_held{};
    std::deque<std::string> m_waiting;
};

} // namespace lcdd
