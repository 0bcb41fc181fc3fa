#include "keys.h"

namespace lcdd
{

namespace
{

// The decoder's key k sits in grid column k / 4; within the column the keys run down
// rows 0, 2, 3, 1 (the keypad's wiring).
constexpr std::array<int, 4> kRowInColumn = {0, 2, 3, 1};
constexpr int kSide = 4;
// Bounds the queue should LCDd not ask for keys for a while.
constexpr std::size_t kMostWaiting = 32;

} // namespace

int keyNumber(int decodedIndex)
{
    if (decodedIndex < 0 || decodedIndex >= kKeypadKeys)
        return 0;
    const int column = decodedIndex / kSide;
    const int row = kRowInColumn[static_cast<std::size_t>(decodedIndex % kSide)];
    return row * kSide + column + 1;
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
