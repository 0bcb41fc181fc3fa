// What start-up leaves until the first frame is up: it runs once, as soon as the window has
// painted on being exposed, and the window names the device beside Connect then.
#include "app/firstframe.h"
#include "app/frmmain.h"
#include "windowfixture.h"

#include <QLabel>
#include <QTest>

namespace
{

class CountingWindow : public QWidget
{
public:
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *) override { ++paints; }
};

} // namespace

class FirstFrameTest : public QObject
{
    Q_OBJECT
private slots:
    void runsOnceRightAfterTheFirstFrame();
    void neverRunsForAWindowGoneBeforeShown();
    void deviceIsNamedOnceTheWindowIsUp();
};

void FirstFrameTest::runsOnceRightAfterTheFirstFrame()
{
    CountingWindow window;
    int runs = 0;
    int paintsBeforeRun = -1;
    firstframe::afterFirstFrame(&window, [&] {
        ++runs;
        paintsBeforeRun = window.paints;
    });
    QCoreApplication::processEvents();
    QCOMPARE(runs, 0);

    window.show();
    // Done by the time the window counts as exposed, after its first paint.
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCOMPARE(runs, 1);
    QVERIFY(paintsBeforeRun > 0);

    window.hide();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.repaint();
    QCOMPARE(runs, 1);
}

void FirstFrameTest::neverRunsForAWindowGoneBeforeShown()
{
    int runs = 0;
    auto *gone = new QWidget;
    firstframe::afterFirstFrame(gone, [&] { ++runs; });
    delete gone;
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));
    QCOMPARE(runs, 0);
}

void FirstFrameTest::deviceIsNamedOnceTheWindowIsUp()
{
    WindowFixture f("[Settings]\r\nCommPort=3\r\n");
    const QLabel *label = f.window().lblDevice;
    // Naming the device may list the system's ports: not while the window is being built.
    QCOMPARE(label->text(), QString());
    QVERIFY(QTest::qWaitForWindowExposed(&f.window()));
    QCOMPARE(label->text(), QStringLiteral("COM3 = ") + f.peer().slavePath());
}

QTEST_MAIN(FirstFrameTest)
#include "tst_firstframe.moc"
