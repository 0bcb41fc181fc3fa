#pragma once
// Tab page "Backlight Control": switch the backlight on or off and set its level.

#include <array>

#include <QWidget>

#include "widgets/pagecontext.h"

class QLabel;
class QPushButton;
class QSlider;

class BacklightPage : public QWidget
{
    Q_OBJECT
public:
    BacklightPage(PageContext &context, QWidget *parent = nullptr);

    void cmdBacklight_Click(int index);
    // The user gave the slider a new position.
    void Backlightlevel_Change(int position);
    // Start-up: shows the level without sending anything.
    void setLevelQuietly(qint16 level);
    // The level last chosen, 0..250; restored at start-up and saved at shut-down.
    qint16 backlightLevel() const { return BacklightLevel; }

private:
    std::array<QPushButton *, 2> cmdBacklight{};
    QSlider *Backlightlevel = nullptr;
    QLabel *Label8 = nullptr;
    QLabel *Label7 = nullptr;
    QLabel *Label6 = nullptr;
    qint16 BacklightLevel = 0;

    void sliderValueChanged(int position);

    PageContext &m_context;
    bool m_settingInCode = false;
    // Where the slider stood before its latest change, to know which positions a drag passed.
    int m_lastPosition = 0;
};
