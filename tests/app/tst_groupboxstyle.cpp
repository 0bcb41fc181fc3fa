// Frames under Fusion look exactly as Fusion draws them, without any image plugin loaded;
// other styles are left alone.
#include "app/groupboxstyle.h"

#include <QApplication>
#include <QGroupBox>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTest>

#include <link.h>

#include <memory>

namespace
{

bool imagePluginLoaded()
{
    bool found = false;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *result) {
            if (info->dlpi_name && QByteArray(info->dlpi_name).contains("/imageformats/"))
                *static_cast<bool *>(result) = true;
            return 0;
        },
        &found);
    return found;
}

QImage picture(QGroupBox &box, QStyle *style)
{
    box.setStyle(style);
    return box.grab().toImage();
}

} // namespace

class GroupBoxStyleTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void framesLoadNoImagePlugin();
    void framesLookAsFusionDrawsThem_data();
    void framesLookAsFusionDrawsThem();
    void otherStylesAreLeftAlone();
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
    box.resize(200, 80);
    QVERIFY(!box.grab().isNull());
    QVERIFY(!imagePluginLoaded());
}

void GroupBoxStyleTest::framesLookAsFusionDrawsThem_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<bool>("checkable");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("titled") << "Input Status" << false << true;
    QTest::newRow("titled, disabled") << "Input Status" << false << false;
    QTest::newRow("no title") << QString() << false << true;
    QTest::newRow("check box, no title") << QString() << true << true;
}

void GroupBoxStyleTest::framesLookAsFusionDrawsThem()
{
    QFETCH(QString, title);
    QFETCH(bool, checkable);
    QFETCH(bool, enabled);
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("fusion")));
    QGroupBox box(title);
    box.setCheckable(checkable);
    box.setEnabled(enabled);
    box.resize(230, 90);
    const QImage expected = picture(box, fusion.get());
    const QImage drawn = picture(box, QApplication::style());
    QCOMPARE(drawn, expected);
}

void GroupBoxStyleTest::otherStylesAreLeftAlone()
{
    if (!QApplication::setStyle(QStringLiteral("windows")))
        QSKIP("no Windows style here");
    groupboxstyle::install();
    QVERIFY(!qobject_cast<QProxyStyle *>(QApplication::style()));
}

QTEST_MAIN(GroupBoxStyleTest)
#include "tst_groupboxstyle.moc"
