#include "protocol/keypad.h"

#include <array>

namespace proto::keypad
{

namespace
{

// Down each column of indicators the rows come in this order.
constexpr std::array<int, kSide> kRowOfIndicatorInColumn = {0, 2, 3, 1};

} // namespace

int indicatorOf(int number)
{
    int place = 0;
    while (kRowOfIndicatorInColumn[static_cast<std::size_t>(place)] != row(number))
        ++place;
    return column(number) * kSide + place;
}

int numberOfIndicator(int indicator)
{
    return numberAt(kRowOfIndicatorInColumn[static_cast<std::size_t>(indicator % kSide)],
                    indicator / kSide);
}

QString name(int number)
{
    return QStringLiteral("Key %1").arg(number);
}

} // namespace proto::keypad
