#pragma once
// One of the page's status squares: it shows one bit the module reports, white while the
// bit is 1 and red while it is 0. Until the first report it keeps the fill it started with
// and its state is unknown. It names what it shows for a screen reader, "Input 3: high",
// "Key 5: released", "Input 1: unknown", and renames itself as the bit changes.

#include <optional>

#include <QColor>
#include <QFrame>

class Indicator : public QFrame
{
    Q_OBJECT
public:
    static constexpr unsigned kBitSetColour = 0xFFFFFF;   // white, 0x00BBGGRR
    static constexpr unsigned kBitClearColour = 0x0000FF; // red

    // What the bit means in words, as "high"/"low" or "pressed"/"released".
    struct Words {
        QString set;
        QString clear;
    };

    // `what` names the indicator ("Input 3"); `startFill` is drawn until the first report.
    Indicator(const QString &what, const Words &words, const QColor &startFill,
              QWidget *parent = nullptr);

    void showBit(bool set);

private:
    void nameState();

    QString m_what;
    Words m_words;
    std::optional<bool> m_bit; // empty until the module has reported this bit
};
