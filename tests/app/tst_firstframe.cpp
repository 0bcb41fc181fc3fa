// Nothing slow comes before the first frame: work it does not need runs right after it (yet
// before whoever waits for the window to be exposed looks), and the frames load no image
// plugin, while looking exactly as Fusion draws them.
#include "app/firstframe.h"
#include "app/frmmain.h"
#include "app/groupboxstyle.h"
#include "windowfixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProxyStyle>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <link.h>

#include <memory>

class FirstFrameTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void runsOnceAfterTheFirstPaint();
    void deviceIsNamedOnceTheWindowIsUp();
    void framesAsFusionDrawsThemWithoutImagePlugins();

private:
    bool m_fusion = false; // the platform's own style, before any window changes it
};

void FirstFrameTest::initTestCase()
{
    m_fusion =
        QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) == 0;
}

void FirstFrameTest::runsOnceAfterTheFirstPaint()
{
    struct Window : QWidget {
        int paints = 0;
        void paintEvent(QPaintEvent *) override { ++paints; }
    } window;
    QList<int> paintsAtRun;
    QStringList order;
    firstframe::afterFirstFrame(&window, [&] {
        paintsAtRun << window.paints;
        order << QStringLiteral("work");
    });
    // The start-up report goes ahead of work asked for earlier.
    firstframe::afterFirstFrame(
        &window, [&] { order << QStringLiteral("report"); }, firstframe::Turn::BeforeOthers);
    QCoreApplication::processEvents();
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.repaint();
    QCOMPARE(paintsAtRun, QList<int>{1});
    QCOMPARE(order, (QStringList{QStringLiteral("report"), QStringLiteral("work")}));
}

void FirstFrameTest::deviceIsNamedOnceTheWindowIsUp()
{
    WindowFixture f("[Settings]\r\nCommPort=3\r\n");
    // Naming the device may list the system's ports: not while the window is being built.
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblDevice"))->text(), QString());
    QVERIFY(QTest::qWaitForWindowExposed(&f.window()));
    QCOMPARE(f.find<QLabel>(QStringLiteral("lblDevice"))->text(),
             QStringLiteral("COM3 = ") + f.peer().slavePath());
}

void FirstFrameTest::framesAsFusionDrawsThemWithoutImagePlugins()
{
    if (!m_fusion)
        QSKIP("the platform's style is not Fusion");
    groupboxstyle::install();
    QVERIFY(qobject_cast<QProxyStyle *>(QApplication::style()));
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("fusion")));
    // A title, or none, moves the frame; a disabled box draws it the same.
    QGroupBox titled(QStringLiteral("Input Status")), disabled(titled.title()), untitled;
    disabled.setEnabled(false);
    QList<QImage> drawn;
    for (QGroupBox *box : {&titled, &disabled, &untitled}) {
        box->resize(230, 90);
        drawn << box->grab().toImage();
    }
    bool pluginLoaded = false; // by these frames or by the whole window above
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *found) {
            *static_cast<bool *>(found) |= QByteArray(info->dlpi_name).contains("/imageformats/");
            return 0;
        },
        &pluginLoaded);
    QVERIFY(!pluginLoaded);
    for (QGroupBox *box : {&titled, &disabled, &untitled}) {
        box->setStyle(fusion.get());
        QCOMPARE(box->grab().toImage(), drawn.takeFirst());
    }
}

QTEST_MAIN(FirstFrameTest)
#include "tst_firstframe.moc"
