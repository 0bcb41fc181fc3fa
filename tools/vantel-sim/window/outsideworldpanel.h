#pragma once
// What surrounds the module, as controls beside its display: the 4x4 keypad (a key is
// held while its button is), the eight P2 pins as toggles that show their direction
// (outputs read 0 and cannot be toggled), the two analog inputs as sliders over the
// converter's range, the P2 mode, and the line speed of module and port.
//
// The controls only ask the simulator; sync() shows what the model then holds, so keys
// held from the keyboard show as pressed buttons too.

#include <array>

#include <QWidget>

#include "sim/replyencoder.h"

class QLabel;
class QPushButton;
class QSlider;

namespace simtool
{

class Simulator;

class OutsideWorldPanel : public QWidget
{
    Q_OBJECT

public:
    explicit OutsideWorldPanel(Simulator *simulator, QWidget *parent = nullptr);

    void sync();
    // The analog inputs go under the keypad and the pins when the three side by side would be
    // wider than `width` (the display's, at a small zoom), so the panel never widens the
    // window beyond its display.
    void fitWithin(int width);

    // `key` 1-16 as protocol/keypad.h numbers them.
    QPushButton *keyButton(int key) const { return m_keys[static_cast<std::size_t>(key - 1)]; }
    QPushButton *pinButton(int pin) const { return m_pins[static_cast<std::size_t>(pin)]; }
    QSlider *analogSlider(int input) const { return m_sliders[static_cast<std::size_t>(input)]; }

private:
    QWidget *makeKeypad();
    QWidget *makePins();
    QWidget *makeAnalog();

    Simulator *m_simulator;
    std::array<QPushButton *, sim::kKeypadKeys> m_keys{};
    std::array<QPushButton *, sim::kInputPins> m_pins{};
    std::array<QSlider *, 2> m_sliders{};
    std::array<QLabel *, 2> m_analogValues{};
    QLabel *m_mode = nullptr;
    QLabel *m_speed = nullptr;
    QWidget *m_analog = nullptr;
};

} // namespace simtool
