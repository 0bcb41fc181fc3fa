// Every caption of the window shows in full at the font in use, no control runs into a
// neighbour or out of its container, and a picture of each page is saved into the build
// folder. CTest runs this once at scale 1 and once with QT_SCALE_FACTOR=2.
#include "app/frmmain.h"
#include "graphics/glyphcell.h"
#include "widgets/captionbutton.h"
#include "widgets/wrappingtabbar.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyleOptionComboBox>
#include <QStyleOptionGroupBox>
#include <QTabWidget>
#include <QTest>
#include <QTextLayout>

namespace
{

// Lays the caption out in `width` the way a word-wrapping caption is drawn (breaks at
// blanks only) and returns the size it needs; a word wider than `width` makes the width
// exceed it.
QSizeF wrappedSize(const QString &text, const QFont &font, const QWidget *device, qreal width)
{
    QTextLayout layout(text, font, const_cast<QWidget *>(device));
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    qreal height = 0;
    qreal widest = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        widest = std::max(widest, line.naturalTextWidth());
        height += line.height();
    }
    layout.endLayout();
    return {widest, height};
}

QString fitFailure(const QString &what, const QString &caption, const QSizeF &needed,
                   const QRect &box)
{
    return QStringLiteral("%1 \"%2\" needs %3 x %4 px, has %5 x %6")
        .arg(what, caption)
        .arg(needed.width(), 0, 'f', 1)
        .arg(needed.height(), 0, 'f', 1)
        .arg(box.width())
        .arg(box.height());
}

bool fits(const QSizeF &needed, const QRect &box)
{
    return needed.width() <= box.width() && needed.height() <= box.height();
}

QString describe(const QWidget *widget)
{
    return QStringLiteral("%1 (%2,%3 %4x%5)")
        .arg(widget->objectName())
        .arg(widget->x())
        .arg(widget->y())
        .arg(widget->width())
        .arg(widget->height());
}

// The window's own controls: named children, not the toolkit's internal parts.
bool isControl(const QWidget *widget)
{
    return !widget->objectName().isEmpty() &&
           !widget->objectName().startsWith(QLatin1String("qt_"));
}

QString slug(const QString &caption)
{
    return caption.toLower()
        .replace(QRegularExpression(QStringLiteral("[^a-z0-9]+")), QStringLiteral("-"))
        .remove(QRegularExpression(QStringLiteral("^-|-$")));
}

} // namespace

class LayoutTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyCaptionShowsInFull();
    void listItemsShowInFull();
    void tabCaptionsShowInFull();
    void controlsDoNotOverlapOrLeaveTheirContainer();
    void regionsStandWhereTheWindowPutsThem();
    void savesAPictureOfEachPage();

private:
    std::unique_ptr<WindowFixture> m_fixture;
};

void LayoutTest::initTestCase()
{
    m_fixture = std::make_unique<WindowFixture>();
    QVERIFY(QTest::qWaitForWindowExposed(&m_fixture->window()));
    const QFontInfo face(m_fixture->window().font());
    qInfo("scale %.2f, font %s %s %.2f pt", m_fixture->window().devicePixelRatioF(),
          qPrintable(face.family()), qPrintable(face.styleName()), face.pointSizeF());
}

void LayoutTest::everyCaptionShowsInFull()
{
    frmMain &window = m_fixture->window();
    QStringList failures;
    int checked = 0;
    for (QWidget *widget : window.findChildren<QWidget *>()) {
        if (!isControl(widget))
            continue;
        const QFont font = widget->font();
        const QFontMetricsF metrics(font, widget);
        if (auto *button = qobject_cast<CaptionButton *>(widget)) {
            const QRect box = button->captionRect();
            const QSizeF needed = wrappedSize(button->text(), font, button, box.width());
            if (!fits(needed, box))
                failures << fitFailure(button->objectName(), button->text(), needed, box);
            ++checked;
        } else if (auto *option = qobject_cast<QRadioButton *>(widget)) {
            QStyleOptionButton styleOption;
            styleOption.initFrom(option);
            styleOption.text = option->text();
            const QRect box = option->style()->subElementRect(QStyle::SE_RadioButtonContents,
                                                              &styleOption, option);
            const QSizeF needed(metrics.horizontalAdvance(option->text()), metrics.height());
            if (!fits(needed, box))
                failures << fitFailure(option->objectName(), option->text(), needed, box);
            ++checked;
        } else if (auto *label = qobject_cast<QLabel *>(widget)) {
            if (label->text().isEmpty())
                continue;
            const QRect box = label->contentsRect().adjusted(label->margin(), label->margin(),
                                                             -label->margin(), -label->margin());
            const QSizeF needed =
                label->wordWrap()
                    ? wrappedSize(label->text(), font, label, box.width())
                    : QSizeF(metrics.horizontalAdvance(label->text()), metrics.height());
            if (!fits(needed, box))
                failures << fitFailure(label->objectName(), label->text(), needed, box);
            ++checked;
        } else if (auto *group = qobject_cast<QGroupBox *>(widget)) {
            QStyleOptionGroupBox styleOption;
            styleOption.initFrom(group);
            styleOption.text = group->title();
            styleOption.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            styleOption.textAlignment = group->alignment();
            const QRect title = group->style()->subControlRect(QStyle::CC_GroupBox, &styleOption,
                                                               QStyle::SC_GroupBoxLabel, group);
            // The title must lie inside the box and be as wide as its text.
            const QRect box = title.intersected(group->rect());
            const QSizeF needed(metrics.horizontalAdvance(group->title()), metrics.height());
            if (!fits(needed, box) || title.right() > group->rect().right() - 2)
                failures << fitFailure(group->objectName(), group->title(), needed, box);
            ++checked;
        }
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1String("\n"))));
    // Buttons, labels, options and frames of all eight pages and the window itself.
    QVERIFY2(checked >= 113, qPrintable(QString::number(checked)));
}

void LayoutTest::listItemsShowInFull()
{
    frmMain &window = m_fixture->window();
    QStringList failures;
    for (QComboBox *list : window.findChildren<QComboBox *>()) {
        QStyleOptionComboBox option;
        option.initFrom(list);
        option.editable = list->isEditable();
        option.subControls = QStyle::SC_All;
        const QRect field = list->style()->subControlRect(QStyle::CC_ComboBox, &option,
                                                          QStyle::SC_ComboBoxEditField, list);
        const QFontMetricsF metrics(list->font(), list);
        for (int i = 0; i < list->count(); ++i) {
            const QSizeF needed(metrics.horizontalAdvance(list->itemText(i)), metrics.height());
            if (!fits(needed, field)) {
                failures << fitFailure(list->objectName(), list->itemText(i), needed, field);
                break;
            }
        }
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1String("\n"))));
}

void LayoutTest::tabCaptionsShowInFull()
{
    frmMain &window = m_fixture->window();
    auto *tabs = qobject_cast<FeatureTabWidget *>(featureTabs(window));
    QVERIFY(tabs);
    WrappingTabBar *bar = tabs->wrappingTabBar();
    QCOMPARE(bar->count(), 8);
    QStringList failures;
    for (int i = 0; i < bar->count(); ++i) {
        // The whole tab is visible: inside the strip, and the strip inside the tab control.
        if (!bar->rect().contains(bar->tabRect(i)))
            failures << QStringLiteral("tab %1 lies outside its strip").arg(i);
        const QRect box = bar->captionRect(i);
        const QSizeF needed = wrappedSize(bar->tabText(i), bar->font(), bar, box.width());
        if (!fits(needed, box))
            failures << fitFailure(QStringLiteral("tab %1").arg(i), bar->tabText(i), needed, box);
        if (i > 0 && bar->tabRect(i).left() < bar->tabRect(i - 1).right())
            failures << QStringLiteral("tab %1 overlaps tab %2").arg(i).arg(i - 1);
    }
    QVERIFY(tabs->rect().contains(bar->geometry()));
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1String("\n"))));
}

void LayoutTest::controlsDoNotOverlapOrLeaveTheirContainer()
{
    frmMain &window = m_fixture->window();
    QStringList failures;
    QList<QWidget *> containers{&window};
    for (QGroupBox *group : window.findChildren<QGroupBox *>())
        containers << group;
    for (int i = 0; i < featureTabs(window)->count(); ++i)
        containers << featureTabs(window)->widget(i);

    for (QWidget *container : containers) {
        // A page gets its size when it is shown: as large as the tab control leaves it.
        const int page = featureTabs(window)->indexOf(container);
        if (page >= 0)
            featureTabs(window)->setCurrentIndex(page);
        const QRect inside = container->rect();
        QList<QWidget *> children;
        for (QWidget *child : container->findChildren<QWidget *>(Qt::FindDirectChildrenOnly)) {
            if (isControl(child))
                children << child;
        }
        for (int a = 0; a < children.size(); ++a) {
            const QRect ra = children[a]->geometry();
            if (!inside.contains(ra))
                failures << QStringLiteral("%1 sticks out of %2 (%3x%4)")
                                .arg(describe(children[a]), page >= 0
                                                                ? featureTabs(window)->tabText(page)
                                                                : container->objectName())
                                .arg(inside.width())
                                .arg(inside.height());
            for (int b = a + 1; b < children.size(); ++b) {
                const QRect overlap = ra.intersected(children[b]->geometry());
                if (overlap.isEmpty())
                    continue;
                // Neighbouring glyph cells share their border line by design; elsewhere
                // one pixel of touching edges is no harm.
                const bool cells = qobject_cast<GlyphCell *>(children[a]) &&
                                   qobject_cast<GlyphCell *>(children[b]);
                if (std::min(overlap.width(), overlap.height()) <= (cells ? 2 : 1))
                    continue;
                failures << QStringLiteral("%1 overlaps %2")
                                .arg(describe(children[a]), describe(children[b]));
            }
        }
    }
    QVERIFY2(failures.isEmpty(), qPrintable(failures.join(QLatin1String("\n"))));
}

void LayoutTest::regionsStandWhereTheWindowPutsThem()
{
    // Widening a caption never moves a control: the regions keep their left and top edges.
    frmMain &window = m_fixture->window();
    const double scale = window.logicalDpiX() / 96.0;
    const auto px = [scale](int twips) { return qRound(twips * scale / 15.0); };
    QCOMPARE(window.size(), QSize(px(10770), px(6795)));
    QCOMPARE(control<QGroupBox>(window, QStringLiteral("fComm"))->geometry(),
             QRect(px(240), px(240), px(5415), px(855)));
    QCOMPARE(control<QPushButton>(window, QStringLiteral("cmdConnect"))->pos(),
             QPoint(px(6000), px(480)));
    QCOMPARE(featureTabs(window)->geometry(), QRect(px(240), px(1320), px(10335), px(3615)));
    QCOMPARE(control<QGroupBox>(window, QStringLiteral("Frame3"))->geometry(),
             QRect(px(240), px(5040), px(6975), px(1335)));
    QCOMPARE(control<QGroupBox>(window, QStringLiteral("Frame1"))->geometry(),
             QRect(px(7440), px(5040), px(3135), px(1335)));
    // The pages begin under the tab strip, about 720 twips below the top of the tab control.
    const int pageTop = featureTabs(window)->widget(0)->mapTo(featureTabs(window), QPoint()).y();
    QVERIFY2(pageTop >= px(360) && pageTop <= px(900), qPrintable(QString::number(pageTop)));
}

void LayoutTest::savesAPictureOfEachPage()
{
    frmMain &window = m_fixture->window();
    QVERIFY(m_fixture->connect());
    const QString folder = qEnvironmentVariable("VANTEL_SCREENSHOT_DIR",
                                                QStringLiteral(VANTEL_DEFAULT_SCREENSHOT_DIR));
    QVERIFY(QDir().mkpath(folder));
    for (int i = 0; i < featureTabs(window)->count(); ++i) {
        featureTabs(window)->setCurrentIndex(i);
        const QPixmap picture = window.grab();
        QVERIFY(!picture.isNull());
        const QString path = QDir(folder).filePath(
            QStringLiteral("page-%1-%2.png").arg(i).arg(slug(featureTabs(window)->tabText(i))));
        QVERIFY2(picture.save(path), qPrintable(path));
        QVERIFY(QFileInfo(path).size() > 0);
    }
}

QTEST_MAIN(LayoutTest)
#include "tst_layout.moc"
