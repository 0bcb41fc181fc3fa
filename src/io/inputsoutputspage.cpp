#include "io/inputsoutputspage.h"

#include "link/transmitter.h"
#include "protocol/keypad.h"
#include "protocol/protocol.h"
#include "widgets/controls.h"
#include "widgets/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>

using namespace controls;
using twips::element;

namespace
{

Indicator *indicator(QWidget *parent, const QString &name, const QString &what,
                     const Indicator::Words &words, int left, int top, const QColor &colour)
{
    auto *shape = new Indicator(what, words, colour, parent);
    shape->setObjectName(name);
    twips::place(shape, left, top, 255, 255);
    return shape;
}

} // namespace

InputsOutputsPage::InputsOutputsPage(PageContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    const QStringList readCaptions = {QStringLiteral("Read Analog 1"),
                                      QStringLiteral("Read Analog 2")};
    Label41 = label(this, QStringLiteral("Label41"), QStringLiteral("ADC Value (0-1024)"), 1740, 0,
                    1710, 255);
    for (int i = 0; i < 2; ++i) {
        cmdReadAn[i] =
            button(this, element("cmdReadAn", i), readCaptions[i], 240, 240 + 540 * i, 1455, 435);
        connect(cmdReadAn[i], &QPushButton::clicked, this, [this, i] { cmdReadAn_Click(i); });
        lblAnVal[i] =
            label(this, element("lblAnVal", i), QString(), 1800, 300 + 540 * i, 1095, 315);
        lblAnVal[i]->setFrameShape(QFrame::Box);
        lblAnVal[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        setTextFill(lblAnVal[i], fromBgr(0xFFFFFF));
        lblAnVal[i]->setAccessibleName(
            QStringLiteral("Analog %1 %2").arg(i + 1).arg(Label41->text()));
    }

    Frame5 =
        frame(this, QStringLiteral("Frame5"), QStringLiteral("IO Mode"), 240, 1440, 2895, 1335);
    cbogpio = list(Frame5, QStringLiteral("cbogpio"),
                   {QStringLiteral("GPIO"), QStringLiteral("KEYPAD")}, 240, 420, 1215);
    // The frame's caption names the list; a screen reader takes no name from a frame around
    // a control, only from a label beside it.
    labelBy(cbogpio, Frame5->title());
    cmdgpmode = button(Frame5, QStringLiteral("cmdgpmode"), QStringLiteral("Set P2 GPIO Mode"),
                       1560, 300, 1215, 615);
    connect(cmdgpmode, &QPushButton::clicked, this, &InputsOutputsPage::cmdgpmode_Click);

    fKeypad = frame(this, QStringLiteral("fKeypad"), QStringLiteral("Keypad Status"), 3480, 0, 1995,
                    2775);
    const QColor windowBackground = palette().color(QPalette::Window);
    const Indicator::Words pressed{QStringLiteral("pressed"), QStringLiteral("released")};
    // Made row by row, so a screen reader meets them in reading order.
    for (int number = 1; number <= proto::keypad::kKeys; ++number) {
        const int row = proto::keypad::row(number);
        const int column = proto::keypad::column(number);
        const int k = proto::keypad::indicatorOf(number);
        Indicator *shape =
            indicator(fKeypad, element("key", k), proto::keypad::name(number), pressed,
                      360 + 360 * column, 360 + 360 * row, windowBackground);
        shape->setAccessibleDescription(
            QStringLiteral("Keypad row %1, column %2").arg(row + 1).arg(column + 1));
        key[static_cast<std::size_t>(k)] = shape;
    }
    Label19 = label(fKeypad, QStringLiteral("Label19"), QStringLiteral("4x4 Keypad"), 120, 1860,
                    1815, 255);
    Label19->setAlignment(Qt::AlignCenter);

    Frame6 = frame(this, QStringLiteral("Frame6"), QStringLiteral("Configure GPIO"), 5640, 0, 4455,
                   1695);
    for (int n = 1; n <= 8; ++n) {
        const int column = (n - 1) % 4;
        const int top = n <= 4 ? 240 : 900;
        const int left = 120 + 810 * column;
        const int bitValue = kPinBits[static_cast<std::size_t>(n - 1)];
        QLabel *number = label(Frame6, QStringLiteral("Label%1").arg(41 + n), QString::number(n),
                               left, top, 750, 240);
        number->setAlignment(Qt::AlignCenter);
        number->setAccessibleName(QStringLiteral("Pin %1 direction").arg(n));
        QComboBox *pin = list(Frame6, element("cboio", bitValue),
                              {QStringLiteral("IN"), QStringLiteral("OUT")}, left, top + 240, 750);
        labelBy(pin, number);
        cboio[static_cast<std::size_t>(n - 1)] = pin;
        // A pick by the user (QComboBox::activated), not a change made in code.
        connect(pin, &QComboBox::activated, this, [this, bitValue] { cboio_Click(bitValue); });
    }
    cmdCfgIO = button(Frame6, QStringLiteral("cmdCfgIO"), QStringLiteral("Set IO Direction"), 3450,
                      480, 915, 915);
    connect(cmdCfgIO, &QPushButton::clicked, this, &InputsOutputsPage::cmdCfgIO_Click);

    Frame7 = frame(this, QStringLiteral("Frame7"), QStringLiteral("Input Status"), 5640, 1800, 4455,
                   975);
    const Indicator::Words level{QStringLiteral("high"), QStringLiteral("low")};
    for (int i = 0; i < 8; ++i)
        Shape1[static_cast<std::size_t>(i)] =
            indicator(Frame7, element("Shape1", i), QStringLiteral("Input %1").arg(i + 1), level,
                      240 + 360 * i, 360, fromBgr(kBitSetColour));
}

QComboBox *InputsOutputsPage::pinList(int index) const
{
    for (std::size_t n = 0; n < kPinBits.size(); ++n) {
        if (kPinBits[n] == index)
            return cboio[n];
    }
    return nullptr;
}

void InputsOutputsPage::cboio_Click(int index)
{
    const QComboBox *pin = pinList(index);
    if (!pin)
        return;
    if (pin->currentIndex() == 0)
        IODirection = static_cast<qint16>(IODirection & ~index);
    else if (pin->currentIndex() > 0)
        IODirection = static_cast<qint16>(IODirection | index);
}

void InputsOutputsPage::cmdCfgIO_Click()
{
    m_context.tx.sendFrame(proto::p2Directions(IODirection & 0xFF));
}

void InputsOutputsPage::cmdgpmode_Click()
{
    m_context.tx.sendFrame(proto::p2Mode(cbogpio->currentIndex() == 0));
}

void InputsOutputsPage::cmdReadAn_Click(int index)
{
    m_context.tx.sendFrame(proto::readAnalog(index));
}

proto::P2Mode InputsOutputsPage::p2Mode() const
{
    return cbogpio->currentIndex() == 0 ? proto::P2Mode::Gpio : proto::P2Mode::Keypad;
}

void InputsOutputsPage::showAnalogValue(std::size_t index, int value)
{
    const QString text = QString::number(value);
    lblAnVal[index]->setText(text);
    // The label's name says which input; the reading is what it describes.
    lblAnVal[index]->setAccessibleDescription(text);
}

void InputsOutputsPage::applyReply(const proto::DecodedReply &reply)
{
    switch (reply.kind) {
    case proto::DecodedReply::Kind::Analog:
        if (reply.analogIndex == 0 || reply.analogIndex == 1)
            showAnalogValue(static_cast<std::size_t>(reply.analogIndex), reply.analogValue);
        break;
    case proto::DecodedReply::Kind::InputStatus:
        for (std::size_t i = 0; i < Shape1.size(); ++i)
            Shape1[i]->showBit(reply.inputs[i]);
        break;
    case proto::DecodedReply::Kind::KeypadState:
        for (std::size_t k = 0; k < key.size(); ++k)
            key[k]->showBit(reply.keys[k]);
        break;
    case proto::DecodedReply::Kind::SaveAck:
    case proto::DecodedReply::Kind::Ignored:
        break;
    }
}
