#include "keys.h"

#include "protocol/keypad.h"

namespace lcdd
{

namespace
{

// Bounds the queue should LCDd not ask for keys for a while.
constexpr std::size_t kMostWaiting = 32;

} // namespace

int keyNumber(int decodedIndex)
{
    if (decodedIndex < 0 || decodedIndex >= kKeypadKeys)
        return 0;
    // The decoder gives the keys in the order of the window's indicators.
    return proto::keypad::numberOfIndicator(decodedIndex);
}

std::array<std::string, kKeypadKeys> defaultKeyMap()
{
    std::array<std::string, kKeypadKeys> names;
    names[0] = "Escape";
    names[1] = "Up";
    names[4] = "Left";
    names[5] = "Enter";
    names[6] = "Right";
    names[9] = "Down";
    return names;
}

KeyQueue::KeyQueue(std::array<std::string, kKeypadKeys> names) : m_names(std::move(names)) {}

void KeyQueue::keypadState(const std::array<bool, 16> &decodedKeys)
{
    std::array<bool, kKeypadKeys> held{};
    for (int k = 0; k < kKeypadKeys; ++k)
        held[static_cast<std::size_t>(keyNumber(k) - 1)] = decodedKeys[static_cast<std::size_t>(k)];
    for (std::size_t n = 0; n < held.size(); ++n) {
        if (held[n] && !m_held[n] && !m_names[n].empty() && m_waiting.size() < kMostWaiting)
            m_waiting.push_back(m_names[n]);
    }
    m_held = held;
}

std::string KeyQueue::take()
{
    if (m_waiting.empty())
        return {};
    std::string name = std::move(m_waiting.front());
    m_waiting.pop_front();
    return name;
}

} // namespace lcdd
