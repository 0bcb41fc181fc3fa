// The "Inputs / Outputs" page: what its buttons send, how the direction byte follows the
// user's picks, and how the indicators look and stand before the module says anything.
#include "iotesthelpers.h"
#include "windowfixture.h"

#include "link/protocol.h"
#include "widgets/twips.h"

#include <QLabel>
#include <QPushButton>

using namespace iotest;

class InputsOutputsPageTest : public QObject
{
    Q_OBJECT
private slots:
    void buttonFrames_data();
    void buttonFrames();
    void directionFollowsPicks_data();
    void directionFollowsPicks();
    void listChangedInCodeIsNoPick();
    void startLook();
    void indicatorsStandByTheirBits();
};

void InputsOutputsPageTest::buttonFrames_data()
{
    QTest::addColumn<int>("modeItem"); // picked in cbogpio first, -1 for no pick
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("Read Analog 1") << -1 << "cmdReadAn(0)" << hex("FE0B");
    QTest::newRow("Read Analog 2") << -1 << "cmdReadAn(1)" << hex("FE0C");
    QTest::newRow("mode at start is GPIO") << -1 << "cmdgpmode" << hex("FE30FF");
    QTest::newRow("mode KEYPAD") << 1 << "cmdgpmode" << hex("FE30FE");
    QTest::newRow("mode GPIO picked again") << 0 << "cmdgpmode" << hex("FE30FF");
    QTest::newRow("directions at start all IN") << -1 << "cmdCfgIO" << hex("FE3100");
    QTest::newRow("directions ignore the mode") << 1 << "cmdCfgIO" << hex("FE3100");
}

void InputsOutputsPageTest::buttonFrames()
{
    QFETCH(int, modeItem);
    QFETCH(QString, button);
    QFETCH(QByteArray, frame);
    WindowFixture f;
    QVERIFY(f.connect());
    if (modeItem == 0) {
        pick(f.window(), f.window().inputsOutputs->cbogpio, 1);
        QVERIFY(!QTest::currentTestFailed());
    }
    if (modeItem >= 0) {
        pick(f.window(), f.window().inputsOutputs->cbogpio, modeItem);
        QVERIFY(!QTest::currentTestFailed());
    }
    // Choosing the mode sends nothing by itself.
    QCOMPARE(f.received(1, 200), QByteArray());
    f.click(button);
    QCOMPARE(f.received(int(frame.size())), frame);
    QCOMPARE(f.window().lblTxData->text(), QString::fromLatin1(frame.toHex(' ').toUpper() + ' '));
    // A request for a reading does not touch the value labels; only the reply does.
    for (QLabel *value : f.window().inputsOutputs->lblAnVal)
        QCOMPARE(value->text(), QString());
}

void InputsOutputsPageTest::directionFollowsPicks_data()
{
    // Picks as "pin:item", item 0 = IN, 1 = OUT, in the order the user makes them.
    QTest::addColumn<QStringList>("picks");
    QTest::addColumn<int>("directions");
    QTest::newRow("pin 1 OUT") << QStringList{"1:1"} << 0x01;
    QTest::newRow("pin 8 OUT") << QStringList{"8:1"} << 0x80;
    QTest::newRow("pins 1 and 8 OUT") << QStringList{"1:1", "8:1"} << 0x81;
    QTest::newRow("pins 1 and 8 OUT, then pin 1 IN") << QStringList{"1:1", "8:1", "1:0"} << 0x80;
    QTest::newRow("OUT picked twice for one pin") << QStringList{"3:1", "3:1"} << 0x04;
    QTest::newRow("IN picked for a pin already IN") << QStringList{"2:0"} << 0x00;
    QTest::newRow("pin 5 OUT and back IN") << QStringList{"5:1", "5:0"} << 0x00;
    QTest::newRow("every pin OUT")
        << QStringList{"1:1", "2:1", "3:1", "4:1", "5:1", "6:1", "7:1", "8:1"} << 0xFF;
    QTest::newRow("every pin OUT, then pins 4 and 6 IN")
        << QStringList{"1:1", "2:1", "3:1", "4:1", "5:1", "6:1", "7:1", "8:1", "4:0", "6:0"}
        << 0xD7;
}

void InputsOutputsPageTest::directionFollowsPicks()
{
    QFETCH(QStringList, picks);
    QFETCH(int, directions);
    WindowFixture f;
    QVERIFY(f.connect());
    InputsOutputsPage &page = *f.window().inputsOutputs;
    for (const QString &step : picks) {
        const int pin = step.section(':', 0, 0).toInt();
        auto *list = f.find<QComboBox>(QStringLiteral("cboio(%1)").arg(1 << (pin - 1)));
        QVERIFY(list);
        pick(f.window(), list, step.section(':', 1, 1).toInt());
        QVERIFY(!QTest::currentTestFailed());
    }
    // Picking sends nothing; the byte goes out with "Set IO Direction".
    QCOMPARE(f.received(1, 200), QByteArray());
    QCOMPARE(int(page.IODirection), directions);
    f.click(QStringLiteral("cmdCfgIO"));
    QByteArray frame = hex("FE31");
    frame.append(char(directions));
    QCOMPARE(f.received(3), frame);
}

void InputsOutputsPageTest::listChangedInCodeIsNoPick()
{
    // The byte follows the user's picks only; a list set without a pick leaves it alone.
    WindowFixture f;
    QVERIFY(f.connect());
    auto *pin3 = f.find<QComboBox>(QStringLiteral("cboio(4)"));
    QVERIFY(pin3);
    pin3->setCurrentIndex(1);
    QCOMPARE(int(f.window().inputsOutputs->IODirection), 0);
    f.click(QStringLiteral("cmdCfgIO"));
    QCOMPARE(f.received(3), hex("FE3100"));
}

void InputsOutputsPageTest::startLook()
{
    WindowFixture f;
    InputsOutputsPage &page = *f.window().inputsOutputs;
    QCOMPARE(colours(page.Shape1), QStringLiteral("WWWWWWWW"));
    const QColor background = page.palette().color(QPalette::Window);
    for (const QFrame *key : page.key)
        QCOMPARE(controls::fill(key), background);
    for (const QLabel *value : page.lblAnVal) {
        QCOMPARE(value->text(), QString());
        QCOMPARE(controls::toBgr(controls::fill(value)), 0xFFFFFFu);
        QVERIFY(value->alignment() & Qt::AlignRight);
    }
    QCOMPARE(page.cbogpio->currentText(), QStringLiteral("GPIO"));
    for (int n = 1; n <= 8; ++n) {
        auto *list = f.find<QComboBox>(QStringLiteral("cboio(%1)").arg(1 << (n - 1)));
        QVERIFY(list);
        QCOMPARE(list->currentText(), QStringLiteral("IN"));
        // Each list stands under the label with its pin number.
        auto *label = f.find<QLabel>(QStringLiteral("Label%1").arg(41 + n));
        QVERIFY(label);
        QCOMPARE(label->text(), QString::number(n));
        QVERIFY(label->geometry().bottom() <= list->geometry().top());
        QVERIFY(label->geometry().left() <= list->geometry().center().x());
        QVERIFY(label->geometry().right() >= list->geometry().center().x());
    }
    QCOMPARE(int(page.IODirection), 0);
}

void InputsOutputsPageTest::indicatorsStandByTheirBits()
{
    // The module's bit b lights the indicator at a fixed place: Shape1(b) counts from the
    // left; on the keypad B1 bit b is column b / 4, row b % 4 and B2 the two columns right.
    WindowFixture f;
    QVERIFY(f.connect());
    InputsOutputsPage &page = *f.window().inputsOutputs;
    for (int b = 0; b < 8; ++b) {
        QByteArray reply = hex("FC00");
        reply.append(char(1 << b));
        QVERIFY(f.peer().send(reply));
        QTRY_COMPARE(f.window().lblRxData->text(), proto::hexCaption(reply));
        QCOMPARE(colours(page.Shape1).count(QLatin1Char('W')), 1);
        const int lit = int(colours(page.Shape1).indexOf(QLatin1Char('W')));
        QCOMPARE(page.Shape1[std::size_t(lit)]->pos(),
                 QPoint(twips::toPixels(240 + 360 * b), twips::toPixels(360)));
    }
    pick(f.window(), page.cbogpio, 1);
    QVERIFY(!QTest::currentTestFailed());
    for (int b = 0; b < 16; ++b) {
        const int bits = 1 << b;
        QByteArray reply = hex("FC");
        reply.append(char(bits & 0xFF));
        reply.append(char(bits >> 8));
        QVERIFY(f.peer().send(reply));
        QTRY_COMPARE(f.window().lblRxData->text(), proto::hexCaption(reply));
        QCOMPARE(colours(page.key).count(QLatin1Char('W')), 1);
        const int lit = int(colours(page.key).indexOf(QLatin1Char('W')));
        const int column = b / 4;
        const int row = b % 4;
        QCOMPARE(page.key[std::size_t(lit)]->pos(),
                 QPoint(twips::toPixels(360 + 360 * column), twips::toPixels(360 + 360 * row)));
    }
}

QTEST_MAIN(InputsOutputsPageTest)
#include "tst_inputsoutputspage.moc"
