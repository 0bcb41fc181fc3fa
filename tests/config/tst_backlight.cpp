// The "Backlight Control" page: the two switch buttons and the level slider by keyboard and
// by mouse, on one connected window. A pseudo-terminal plays the module. (The level
// surviving a restart unsent is in the start-up tests.)
#include "app/frmmain.h"
#include "config/backlightpage.h"
#include "framecheck.h"
#include "windowfixture.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTabWidget>
#include <QTest>

namespace
{

QByteArray levelFrames(const QList<int> &levels)
{
    QByteArray bytes;
    for (int level : levels)
        bytes += QByteArray("\xFE\x28", 2) + char(level);
    return bytes;
}

// Where the slider's style draws the handle for `value`, in slider coordinates (the left
// edge of the handle), the same way the slider maps a mouse position back to a value.
int handleLeftFor(QSlider *slider, int value, QRect *handle = nullptr)
{
    QStyleOptionSlider option;
    option.initFrom(slider);
    option.orientation = Qt::Horizontal;
    option.state |= QStyle::State_Horizontal;
    option.minimum = slider->minimum();
    option.maximum = slider->maximum();
    option.sliderPosition = slider->sliderPosition();
    option.sliderValue = slider->value();
    option.singleStep = slider->singleStep();
    option.pageStep = slider->pageStep();
    option.tickPosition = slider->tickPosition();
    option.tickInterval = slider->tickInterval();
    option.upsideDown = slider->invertedAppearance();
    option.subControls = QStyle::SC_All;
    QStyle *style = slider->style();
    const QRect groove =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, slider);
    const QRect current =
        style->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, slider);
    if (handle)
        *handle = current;
    const int span = groove.right() - current.width() + 1 - groove.x();
    return groove.x() + QStyle::sliderPositionFromValue(slider->minimum(), slider->maximum(), value,
                                                        span, option.upsideDown);
}

void sendMouse(QWidget *widget, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, QPointF(pos), QPointF(widget->mapToGlobal(pos)), button, buttons,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

} // namespace

using namespace framecheck;

class TestBacklight : public PageTest
{
    Q_OBJECT
private slots:
    void buttonsSwitchWithoutMovingTheSlider_data();
    void buttonsSwitchWithoutMovingTheSlider();
    void everyKeyStepSendsOneFrame_data();
    void everyKeyStepSendsOneFrame();
    void dragSendsEveryPositionPassed();

private:
    BacklightPage &page() { return m_f->page<BacklightPage>(); }
    // The slider at `level`, as start-up leaves it from the settings file: nothing sent.
    void startAt(int level);
};

void TestBacklight::startAt(int level)
{
    page().setLevelQuietly(qint16(level));
    QCOMPARE(control<QSlider>(page(), QStringLiteral("Backlightlevel"))->value(), level);
}

void TestBacklight::buttonsSwitchWithoutMovingTheSlider_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("Turn On") << "cmdBacklight(0)" << hex("FE06");
    QTest::newRow("Turn Off") << "cmdBacklight(1)" << hex("FE07");
}

void TestBacklight::buttonsSwitchWithoutMovingTheSlider()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, frame);
    startAt(120);
    clickSends(*m_f, QString(), button, 1, frame);
    QCOMPARE(control<QSlider>(page(), QStringLiteral("Backlightlevel"))->value(), 120);
    QCOMPARE(page().backlightLevel(), qint16{120});
}

void TestBacklight::everyKeyStepSendsOneFrame_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("level"); // sent, and where the slider ends; -1: nothing sent

    QTest::newRow("Right +1") << 10 << int(Qt::Key_Right) << 11;
    QTest::newRow("Left -1") << 10 << int(Qt::Key_Left) << 9;
    QTest::newRow("PageUp +5") << 10 << int(Qt::Key_PageUp) << 15;
    QTest::newRow("PageDown -5") << 10 << int(Qt::Key_PageDown) << 5;
    QTest::newRow("Home: left end") << 120 << int(Qt::Key_Home) << 0;
    QTest::newRow("End: right end") << 120 << int(Qt::Key_End) << 250;
    QTest::newRow("PageUp near the right end") << 248 << int(Qt::Key_PageUp) << 250;
    QTest::newRow("Right at the right end") << 250 << int(Qt::Key_Right) << -1;
    QTest::newRow("Left at the left end") << 0 << int(Qt::Key_Left) << -1;
}

void TestBacklight::everyKeyStepSendsOneFrame()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, level);
    startAt(start);
    QSlider *slider = control<QSlider>(page(), QStringLiteral("Backlightlevel"));
    m_f->showPageOf(slider);
    slider->setFocus();
    QVERIFY(showModuleReply(*m_f));
    QTest::keyClick(slider, Qt::Key(key));
    if (level < 0)
        expectNothingSent(*m_f);
    else
        expectSent(*m_f, levelFrames({level}));
    const int end = level < 0 ? start : level;
    QCOMPARE(slider->value(), end);
    QCOMPARE(page().backlightLevel(), qint16(end));
}

// A quick drag moves the thumb several positions in one mouse move; the module still hears
// of every position in between, in the order the thumb passed them.
void TestBacklight::dragSendsEveryPositionPassed()
{
    startAt(10);
    WindowFixture &f = *m_f;
    QSlider *slider = control<QSlider>(page(), QStringLiteral("Backlightlevel"));
    f.showPageOf(slider);

    QRect handle;
    handleLeftFor(slider, 10, &handle);
    const QPoint press = handle.center();
    const int grip = press.x() - handle.x();
    sendMouse(slider, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton);
    QVERIFY(slider->isSliderDown());
    QCOMPARE(f.received(1, 200), QByteArray()); // pressing the thumb moves nothing

    const QPoint to13(handleLeftFor(slider, 13) + grip, press.y());
    sendMouse(slider, QEvent::MouseMove, to13, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(slider->value(), 13);
    QCOMPARE(f.received(9), levelFrames({11, 12, 13}));

    // Back the other way in one move, then let go.
    const QPoint to9(handleLeftFor(slider, 9) + grip, press.y());
    sendMouse(slider, QEvent::MouseMove, to9, Qt::NoButton, Qt::LeftButton);
    sendMouse(slider, QEvent::MouseButtonRelease, to9, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(slider->value(), 9);
    QCOMPARE(f.received(12), levelFrames({12, 11, 10, 9}));
    QCOMPARE(f.received(1, 300), QByteArray());
    QCOMPARE(page().backlightLevel(), qint16{9});
    QCOMPARE(f.find<HexMonitor>(QStringLiteral("lblTxData"))->text(), QStringLiteral("FE 28 09 "));
}

QTEST_MAIN(TestBacklight)
#include "tst_backlight.moc"
