#pragma once
// Tab page "Inputs / Outputs": the P2 port's mode and pin directions, the analog reading
// requests, and the indicators that show what the module reports.
//
// For a screen reader the page names its own controls: the pin lists after their pin
// ("Pin 5 direction"), the analog values after their input (the reading is their
// description), the keys by the number a sighted user counts on the drawn keypad, row by
// row, and in that order.

#include <array>

#include <QColor>
#include <QWidget>

#include "io/indicator.h"
#include "protocol/replydecoder.h"
#include "widgets/pagecontext.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

class InputsOutputsPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr unsigned kBitSetColour = Indicator::kBitSetColour;     // white
    static constexpr unsigned kBitClearColour = Indicator::kBitClearColour; // red
    // Pin lists are indexed by their bit: cboio(1), cboio(2), ... cboio(128).
    static constexpr std::array<int, 8> kPinBits = {1, 2, 4, 8, 16, 32, 64, 128};

    InputsOutputsPage(PageContext &context, QWidget *parent = nullptr);

    void cboio_Click(int index);
    void cmdCfgIO_Click();
    void cmdgpmode_Click();
    void cmdReadAn_Click(int index);

    // How status replies read right now: GPIO only while "GPIO" is selected.
    proto::P2Mode p2Mode() const;
    // A decoded reply's effect on the labels and indicators (acknowledgements aside).
    void applyReply(const proto::DecodedReply &reply);

    QComboBox *pinList(int index) const; // by bit value, nullptr for others
    // The direction byte being built: bit n-1 set when pin n is "OUT".
    qint16 ioDirection() const { return IODirection; }

private:
    std::array<QPushButton *, 2> cmdReadAn{};
    QLabel *Label41 = nullptr;
    std::array<QLabel *, 2> lblAnVal{};
    QGroupBox *Frame5 = nullptr;
    QComboBox *cbogpio = nullptr;
    QPushButton *cmdgpmode = nullptr;
    QGroupBox *fKeypad = nullptr;
    std::array<Indicator *, 16> key{};
    QLabel *Label19 = nullptr;
    QGroupBox *Frame6 = nullptr;
    std::array<QComboBox *, 8> cboio{}; // cboio[n-1] is cboio(2^(n-1)), pin n
    QPushButton *cmdCfgIO = nullptr;
    QGroupBox *Frame7 = nullptr;
    std::array<Indicator *, 8> Shape1{};
    qint16 IODirection = 0;

    void showAnalogValue(std::size_t index, int value);

    PageContext &m_context;
};
