// Frames under Fusion look exactly as Fusion draws them, and no image plugin is loaded.
#include "app/groupboxstyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTest>

#include <link.h>

#include <memory>

class GroupBoxStyleTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void framesLoadNoImagePlugin();
    void framesLookAsFusionDrawsThem_data();
    void framesLookAsFusionDrawsThem();
};

void GroupBoxStyleTest::initTestCase()
{
    if (QApplication::style()->name().compare(QLatin1String("fusion"), Qt::CaseInsensitive) != 0)
        QSKIP("the platform's style is not Fusion");
    groupboxstyle::install();
    QVERIFY(qobject_cast<QProxyStyle *>(QApplication::style()));
}

void GroupBoxStyleTest::framesLoadNoImagePlugin()
{
    QGroupBox box(QStringLiteral("Comm Port Settings"));
    QVERIFY(!box.grab().isNull());
    bool loaded = false;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *found) {
            *static_cast<bool *>(found) |= QByteArray(info->dlpi_name).contains("/imageformats/");
            return 0;
        },
        &loaded);
    QVERIFY(!loaded);
}

void GroupBoxStyleTest::framesLookAsFusionDrawsThem_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("titled") << "Input Status" << true;
    QTest::newRow("titled, disabled") << "Input Status" << false;
    QTest::newRow("no title") << QString() << true;
}

void GroupBoxStyleTest::framesLookAsFusionDrawsThem()
{
    QFETCH(QString, title);
    QFETCH(bool, enabled);
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("fusion")));
    QGroupBox box(title);
    box.setEnabled(enabled);
    box.resize(230, 90);
    box.setStyle(fusion.get());
    const QImage expected = box.grab().toImage();
    box.setStyle(QApplication::style());
    QCOMPARE(box.grab().toImage(), expected);
}

QTEST_MAIN(GroupBoxStyleTest)
#include "tst_groupboxstyle.moc"
