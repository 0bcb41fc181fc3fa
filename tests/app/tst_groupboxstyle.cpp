// Frames under Fusion look exactly as Fusion draws them, and no image plugin is loaded.
#include "app/groupboxstyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QStyle>
#include <QStyleFactory>
#include <QTest>

#include <link.h>

#include <memory>

class GroupBoxStyleTest : public QObject
{
    Q_OBJECT
private slots:
    void framesAsFusionDrawsThemWithoutImagePlugins();
};

void GroupBoxStyleTest::framesAsFusionDrawsThemWithoutImagePlugins()
{
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QSKIP("the platform's style is not Fusion");
    groupboxstyle::install();
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("fusion")));
    // A title, or none, moves the frame; a disabled box draws it the same.
    QGroupBox titled(QStringLiteral("Input Status")), disabled(titled.title()), untitled;
    disabled.setEnabled(false);
    QList<QImage> drawn;
    for (QGroupBox *box : {&titled, &disabled, &untitled}) {
        box->resize(230, 90);
        drawn << box->grab().toImage();
    }
    bool pluginLoaded = false;
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

QTEST_MAIN(GroupBoxStyleTest)
#include "tst_groupboxstyle.moc"
