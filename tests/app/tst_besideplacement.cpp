// Where the line log first opens: beside the main window, never over it while the screen
// has room somewhere beside it.
#include "app/besideplacement.h"

#include <QTest>

class TestBesidePlacement : public QObject
{
    Q_OBJECT
private slots:
    void opensBesideTheWindow_data();
    void opensBesideTheWindow();
};

void TestBesidePlacement::opensBesideTheWindow_data()
{
    QTest::addColumn<QRect>("screen");
    QTest::addColumn<QPoint>("expected");
    // The main window's frame is 720 x 460 at (10, 10); the log's is 500 x 300.
    QTest::newRow("room to the right") << QRect(0, 0, 1920, 1080) << QPoint(738, 10);
    QTest::newRow("room below only") << QRect(0, 0, 1024, 800) << QPoint(10, 478);
    QTest::newRow("a screen that starts left of the first")
        << QRect(-1280, 0, 2560, 800) << QPoint(738, 10);
    QTest::newRow("no room: on the screen as near as it can")
        << QRect(0, 0, 800, 600) << QPoint(300, 10);
}

void TestBesidePlacement::opensBesideTheWindow()
{
    QFETCH(QRect, screen);
    QFETCH(QPoint, expected);
    const QRect main(10, 10, 720, 460);
    const QSize log(500, 300);
    const QPoint at = besidePosition(main, log, screen);
    QCOMPARE(at, expected);
    QVERIFY(screen.contains(QRect(at, log)));
    if (screen.width() > 800)
        QVERIFY(!main.intersects(QRect(at, log)));
}

QTEST_GUILESS_MAIN(TestBesidePlacement)
#include "tst_besideplacement.moc"
