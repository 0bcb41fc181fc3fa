// The utility's window and the virtual module's window in one run, as the run script
// shows them side by side: a click in the utility, and the dots on the module's display.
//
// With VANTEL_PICTURE=<file.png> the test also saves the two windows side by side
// (scripts/make-side-by-side-picture.sh makes the README's picture so).

#include "app/frmmain.h"
#include "graphics/bignumberspage.h"
#include "windowfixture.h"

#include <QLineEdit>
#include <QPainter>
#include <QTabWidget>
#include <QTest>

#include "glasscheck.h"
#include "simulator.h"
#include "window/displayview.h"
#include "window/modulewindow.h"

namespace
{

constexpr int kTimeoutMs = 5000;
constexpr int kPictureScale = 2;

QImage sideBySide(const QImage &left, const QImage &right)
{
    constexpr int kMargin = 16;
    QImage picture(left.width() + right.width() + 3 * kMargin,
                   std::max(left.height(), right.height()) + 2 * kMargin, QImage::Format_RGB32);
    picture.fill(QColor(0x4A, 0x4F, 0x55));
    QPainter painter(&picture);
    painter.drawImage(kMargin, kMargin, left);
    painter.drawImage(2 * kMargin + left.width(), kMargin, right);
    return picture;
}

} // namespace

class WindowSideBySideTest : public QObject
{
    Q_OBJECT
private slots:
    void clickInTheUtilityLightsTheDots();
};

void WindowSideBySideTest::clickInTheUtilityLightsTheDots()
{
    simtool::PtyPort port;
    QVERIFY2(port.open(QString()), qPrintable(port.errorString()));
    simtool::Simulator simulator(&port);
    simtool::ModuleWindow module(&simulator);
    module.setScale(kPictureScale);
    module.show();
    simulator.start();

    // COM1, as the run script maps it.
    WindowFixture f(QByteArray(), 1, port.slavePath());
    QVERIFY(f.connect());

    // Big numbers: load their glyphs, type four digits, draw.
    featureTabs(f.window())->setCurrentWidget(&f.page<BigNumbersPage>());
    f.click(QStringLiteral("cmdInitBN"));
    QTest::keyClicks(f.find<QLineEdit>(QStringLiteral("txtBN")), QStringLiteral("2026"));
    f.click(QStringLiteral("cmdDrawBN"));

    // The 2's top row: its left cell an upper bar (dot rows 0-2 lit), its right cell solid.
    const sim::Glyph upperBar = glyphFromArt("##### ##### ##### ..... ..... ..... ..... .....");
    const sim::Glyph solid = glyphFromArt("##### ##### ##### ##### ##### ##### ##### #####");
    simtool::DisplayView &display = *module.display();
    QTRY_COMPARE_WITH_TIMEOUT(display.dots().cell(0, 1), upperBar, kTimeoutMs);
    QCOMPARE(display.dots().cell(0, 3), solid);
    const QImage painted = display.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QString mismatch = firstDotMismatch(painted, display.dots(), kPictureScale);
    QVERIFY2(mismatch.isEmpty(), qPrintable(mismatch));

    if (const QString path = qEnvironmentVariable("VANTEL_PICTURE"); !path.isEmpty()) {
        QTest::qWait(3 * simtool::ModuleWindow::kRefreshMs); // the log and labels caught up
        QVERIFY(sideBySide(f.window().grab().toImage(), module.grab().toImage()).save(path));
    }
    f.closeWindow();
}

QTEST_MAIN(WindowSideBySideTest)
#include "tst_windowsidebyside.moc"
