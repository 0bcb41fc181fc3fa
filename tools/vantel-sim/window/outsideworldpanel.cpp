#include "window/outsideworldpanel.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include <algorithm>

#include "keymap.h"
#include "protocol/keypad.h"
#include "simulator.h"

namespace simtool
{

OutsideWorldPanel::OutsideWorldPanel(Simulator *simulator, QWidget *parent)
    : QWidget(parent), m_simulator(simulator)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(makeKeypad(), 0, 0);
    layout->addWidget(makePins(), 0, 1);
    m_analog = makeAnalog();
    layout->addWidget(m_analog, 0, 2);
    layout->setColumnStretch(2, 1);
    sync();
}

void OutsideWorldPanel::fitWithin(int width)
{
    auto *grid = static_cast<QGridLayout *>(layout());
    grid->removeWidget(m_analog);
    grid->setColumnStretch(2, 0);
    grid->setColumnStretch(1, 0);
    grid->addWidget(m_analog, 0, 2);
    grid->setColumnStretch(2, 1);
    if (grid->minimumSize().width() <= width)
        return;
    grid->removeWidget(m_analog);
    grid->addWidget(m_analog, 1, 0, 1, 2);
    grid->setColumnStretch(2, 0);
    grid->setColumnStretch(1, 1);
}

QWidget *OutsideWorldPanel::makeKeypad()
{
    auto *box = new QGroupBox(QStringLiteral("Keypad"));
    auto *grid = new QGridLayout(box);
    grid->setSpacing(2);
    for (int key = 1; key <= sim::kKeypadKeys; ++key) {
        auto *button = new QPushButton(QString::number(key));
        button->setObjectName(QStringLiteral("key%1").arg(key));
        button->setToolTip(QStringLiteral("Keypad key %1, held while pressed (keyboard: %2)")
                               .arg(key)
                               .arg(QLatin1Char(keypadShortcut(key))));
        // The keyboard has a key for every button; focus would only take Space from them.
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(30, 26);
        connect(button, &QPushButton::pressed, this,
                [this, key] { m_simulator->setKey(key, true); });
        connect(button, &QPushButton::released, this,
                [this, key] { m_simulator->setKey(key, false); });
        grid->addWidget(button, proto::keypad::row(key), proto::keypad::column(key));
        m_keys[static_cast<std::size_t>(key - 1)] = button;
    }
    return box;
}

QWidget *OutsideWorldPanel::makePins()
{
    auto *box = new QGroupBox(QStringLiteral("P2"));
    auto *layout = new QVBoxLayout(box);
    m_mode = new QLabel;
    m_mode->setObjectName(QStringLiteral("p2Mode"));
    layout->addWidget(m_mode);
    auto *row = new QHBoxLayout;
    row->setSpacing(2);
    for (int pin = 0; pin < sim::kInputPins; ++pin) {
        auto *button = new QPushButton;
        button->setObjectName(QStringLiteral("pin%1").arg(pin + 1));
        button->setCheckable(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setFixedSize(30, 40);
        connect(button, &QPushButton::clicked, this,
                [this, pin](bool high) { m_simulator->setPin(pin, high); });
        row->addWidget(button);
        m_pins[static_cast<std::size_t>(pin)] = button;
    }
    layout->addLayout(row);
    layout->addStretch();
    return box;
}

QWidget *OutsideWorldPanel::makeAnalog()
{
    auto *box = new QGroupBox(QStringLiteral("Analog inputs"));
    auto *grid = new QGridLayout(box);
    for (int input = 0; input < 2; ++input) {
        auto *caption = new QLabel(QStringLiteral("&%1").arg(input + 1));
        auto *slider = new QSlider(Qt::Horizontal);
        slider->setObjectName(QStringLiteral("analog%1").arg(input + 1));
        slider->setAccessibleName(QStringLiteral("Analog input %1").arg(input + 1));
        slider->setRange(0, kAnalogMaximum);
        slider->setSingleStep(kAnalogStep);
        slider->setPageStep(kAnalogStep * 8);
        slider->setToolTip(input == 0 ? QStringLiteral("Analog input 1 (keys - and +)")
                                      : QStringLiteral("Analog input 2 (keys [ and ])"));
        caption->setBuddy(slider);
        auto *value = new QLabel;
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("65535")));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        connect(slider, &QSlider::valueChanged, this,
                [this, input](int v) { m_simulator->setAnalog(input, v); });
        grid->addWidget(caption, input, 0);
        grid->addWidget(slider, input, 1);
        grid->addWidget(value, input, 2);
        m_sliders[static_cast<std::size_t>(input)] = slider;
        m_analogValues[static_cast<std::size_t>(input)] = value;
    }
    m_speed = new QLabel;
    m_speed->setObjectName(QStringLiteral("lineSpeed"));
    m_speed->setWordWrap(true);
    grid->addWidget(m_speed, 2, 0, 1, 3);
    grid->setRowStretch(3, 1);
    return box;
}

void OutsideWorldPanel::sync()
{
    const sim::ModuleModel &model = m_simulator->model();
    const sim::ModuleSettings &settings = model.settings();
    const bool keypad = settings.p2Mode == proto::P2Mode::Keypad;

    const QString directions =
        QString::number(settings.p2Directions, 16).toUpper().rightJustified(2, QLatin1Char('0'));
    m_mode->setText((keypad ? QStringLiteral("Keypad mode") : QStringLiteral("General I/O")) +
                    QStringLiteral(", directions ") + directions);
    for (int key = 1; key <= sim::kKeypadKeys; ++key) {
        QPushButton *button = m_keys[static_cast<std::size_t>(key - 1)];
        // A button held by the mouse is down already; one held from the keyboard shows so.
        if (!button->isDown() || !model.key(key))
            button->setDown(model.key(key));
        button->setAccessibleName(
            QStringLiteral("%1: %2")
                .arg(proto::keypad::name(key))
                .arg(model.key(key) ? QStringLiteral("held") : QStringLiteral("up")));
    }
    for (int pin = 0; pin < sim::kInputPins; ++pin) {
        QPushButton *button = m_pins[static_cast<std::size_t>(pin)];
        const bool output = (settings.p2Directions >> pin) & 1;
        const bool high = !output && model.inputPin(pin);
        const QSignalBlocker quiet(button);
        button->setEnabled(!output);
        button->setChecked(high);
        button->setText(QStringLiteral("%1\n%2").arg(pin + 1).arg(output ? QStringLiteral("out")
                                                                         : QStringLiteral("in")));
        button->setToolTip(output ? QStringLiteral("Pin %1 is an output: it reads 0").arg(pin + 1)
                                  : QStringLiteral("Pin %1 input: click or key %2 toggles it")
                                        .arg(pin + 1)
                                        .arg(QLatin1Char(pinShortcut(pin))));
        button->setAccessibleName(QStringLiteral("Pin %1: %2")
                                      .arg(pin + 1)
                                      .arg(output ? QStringLiteral("output")
                                           : high ? QStringLiteral("input, high")
                                                  : QStringLiteral("input, low")));
    }
    for (int input = 0; input < 2; ++input) {
        const int value = model.analog(input);
        QSlider *slider = m_sliders[static_cast<std::size_t>(input)];
        if (!slider->isSliderDown()) {
            const QSignalBlocker quiet(slider);
            slider->setValue(std::min(value, kAnalogMaximum));
        }
        m_analogValues[static_cast<std::size_t>(input)]->setText(QString::number(value));
    }
    const int portSpeed = m_simulator->port().portSpeed();
    QString speed = QStringLiteral("Line speed: module %1 bit/s").arg(settings.lineSpeed);
    if (portSpeed > 0)
        speed += QStringLiteral(", port %1 bit/s").arg(portSpeed);
    const bool mismatch = portSpeed > 0 && portSpeed != settings.lineSpeed;
    m_speed->setText(mismatch ? speed + QStringLiteral(" (they differ)") : speed);
}

} // namespace simtool
