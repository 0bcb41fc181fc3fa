#include "config/backlightpage.h"

#include "link/transmitter.h"
#include "protocol/protocol.h"
#include "widgets/controls.h"
#include "widgets/twips.h"

#include <QSlider>

using namespace controls;
using twips::element;

BacklightPage::BacklightPage(PageContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    const QStringList captions = {QStringLiteral("Turn On"), QStringLiteral("Turn Off")};
    for (int i = 0; i < 2; ++i) {
        cmdBacklight[i] =
            button(this, element("cmdBacklight", i), captions[i], 360, 240 + 720 * i, 1455, 495);
        connect(cmdBacklight[i], &QPushButton::clicked, this, [this, i] { cmdBacklight_Click(i); });
    }

    Label8 = label(this, QStringLiteral("Label8"), QStringLiteral("__"), 2280, 360, 375, 255);
    Backlightlevel = twips::make<QSlider>(this, QStringLiteral("Backlightlevel"));
    Backlightlevel->setOrientation(Qt::Horizontal);
    Backlightlevel->setRange(0, proto::kMaxBacklightLevel);
    Backlightlevel->setSingleStep(1);
    Backlightlevel->setPageStep(5);
    Backlightlevel->setTickPosition(QSlider::TicksBelow);
    Backlightlevel->setTickInterval(25);
    twips::place(Backlightlevel, 2280, 720, 5415, 495);
    Label7 = label(this, QStringLiteral("Label7"), QStringLiteral("+"), 7800, 780, 255, 255);
    Label6 = label(this, QStringLiteral("Label6"), QStringLiteral("Adjust Brightness"), 4080, 1320,
                   1815, 255);
    Label6->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    labelBy(Backlightlevel, Label6);
    // The ends' captions are drawn signs, "__" and "+"; heard, they need words.
    Label8->setAccessibleName(QStringLiteral("Darkest"));
    Label7->setAccessibleName(QStringLiteral("Brightest"));

    connect(Backlightlevel, &QSlider::valueChanged, this, &BacklightPage::sliderValueChanged);
}

void BacklightPage::sliderValueChanged(int position)
{
    const int from = m_lastPosition;
    m_lastPosition = position;
    if (m_settingInCode || position == from)
        return;
    // A drag reports where the mouse is now, so a quick move skips positions. The thumb
    // still went through them, and the module follows it the way it follows the arrow
    // keys: one frame for every position passed, in order. Keys, page steps and the mouse
    // wheel jump on purpose and send only where they land.
    if (Backlightlevel->isSliderDown()) {
        const int step = position > from ? 1 : -1;
        for (int passed = from + step; passed != position; passed += step)
            Backlightlevel_Change(passed);
    }
    Backlightlevel_Change(position);
}

void BacklightPage::cmdBacklight_Click(int index)
{
    m_context.tx.sendFrame(proto::backlight(index));
}

void BacklightPage::Backlightlevel_Change(int position)
{
    const auto frame = proto::backlightLevel(position);
    if (!frame)
        return;
    BacklightLevel = static_cast<qint16>(position);
    m_context.tx.sendFrame(*frame);
}

void BacklightPage::setLevelQuietly(qint16 level)
{
    m_settingInCode = true;
    Backlightlevel->setValue(level);
    m_settingInCode = false;
    BacklightLevel = static_cast<qint16>(Backlightlevel->value());
}
