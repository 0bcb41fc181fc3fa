#pragma once
// What each key does in vantel-sim. Letters count without regard to case.
//
//   1-9 a-g   keypad key 1-16 (row by row, protocol/keypad.h): held / released
//   space     release every keypad key
//   h-o       P2 input pin 1-8: high / low
//   - +       analog input 1 down / up by 16 (= also counts as +)
//   [ ]       analog input 2 down / up by 16
//   s         send the status reply again
//   r         power cycle: settings and glyphs from flash, blank screen
//   p         print the screen as plain text (in the log)
//   ?         help
//   q         quit

#include <optional>

#include <QStringList>

namespace simtool
{

struct KeyAction {
    enum class Kind {
        ToggleKey,
        ReleaseKeys,
        TogglePin,
        AdjustAnalog,
        SendStatus,
        PowerCycle,
        PrintScreen,
        Help,
        Quit
    };
    Kind kind = Kind::Help;
    int index = 0; // key 1-16, pin 0-7, analog input 0-1
    int delta = 0; // analog step
};

constexpr int kAnalogStep = 16;
constexpr int kAnalogMaximum = 1023; // the converter's range; the options reach 65535

std::optional<KeyAction> actionForKey(char key);
// The key of the key map that stands for a keypad key or a P2 pin.
char keypadShortcut(int key);
char pinShortcut(int pin);
// The key help in two lines: the outside world, then the program.
QStringList helpLines();

} // namespace simtool
