// Start-up work the first frame does not need runs right after that frame, before whoever
// waits for the window to be exposed looks: the device beside Connect is named then.
#include "app/firstframe.h"
#include "app/frmmain.h"
#include "windowfixture.h"

#include <QLabel>
#include <QTest>

class FirstFrameTest : public QObject
{
    Q_OBJECT
private slots:
    void runsOnceAfterTheFirstPaint();
    void deviceIsNamedOnceTheWindowIsUp();
};

void FirstFrameTest::runsOnceAfterTheFirstPaint()
{
    struct Window : QWidget {
        int paints = 0;
        void paintEvent(QPaintEvent *) override { ++paints; }
    } window;
    QList<int> paintsAtRun;
    firstframe::afterFirstFrame(&window, [&] { paintsAtRun << window.paints; });
    QCoreApplication::processEvents();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.repaint();
    QCOMPARE(paintsAtRun, QList<int>{1});
}

void FirstFrameTest::deviceIsNamedOnceTheWindowIsUp()
{
    WindowFixture f("[Settings]\r\nCommPort=3\r\n");
    // Naming the device may list the system's ports: not while the window is being built.
    QCOMPARE(f.window().lblDevice->text(), QString());
    QVERIFY(QTest::qWaitForWindowExposed(&f.window()));
    QCOMPARE(f.window().lblDevice->text(), QStringLiteral("COM3 = ") + f.peer().slavePath());
}

QTEST_MAIN(FirstFrameTest)
#include "tst_firstframe.moc"
