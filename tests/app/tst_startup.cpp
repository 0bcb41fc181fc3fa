// Start-up from settings files as users leave them (including damaged ones), and what
// closing the window writes back. The window is started with a vantel.ini in a temporary
// folder and COMn mapped to a pseudo-terminal, which shows that start-up sends nothing.
#include "app/frmmain.h"
#include "config/backlightpage.h"
#include "config/lcdsettingspage.h"
#include "graphics/customcharacterspage.h"
#include "io/inputsoutputspage.h"
#include "widgets/twips.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

namespace
{

QByteArray settingsFile(const QByteArray &settingsSection, const QByteArray &lcdSection = {})
{
    QByteArray file = "[Settings]\r\n" + settingsSection;
    if (!lcdSection.isEmpty())
        file += "[LCD]\r\n" + lcdSection;
    return file;
}

// The file's lines without line endings or blank lines.
QStringList lines(const QByteArray &content)
{
    QStringList result;
    for (const QByteArray &line : content.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            result << QString::fromLatin1(trimmed);
    }
    return result;
}

// The state start-up leaves behind whatever the file held: port closed, nothing sent,
// the tab pages greyed on "LCD Settings".
void verifyQuietStart(WindowFixture &f)
{
    frmMain &w = f.window();
    QVERIFY(!w.port().isOpen());
    QCOMPARE(control<QPushButton>(w, QStringLiteral("cmdConnect"))->text(),
             QStringLiteral("Connect"));
    QVERIFY(control<QGroupBox>(w, QStringLiteral("fComm"))->isEnabled());
    QVERIFY(!featureTabs(w)->isEnabled());
    QCOMPARE(featureTabs(w)->currentIndex(), 6);
    QVERIFY(!w.pacing().Timer1.isActive());
    QCOMPARE(control<HexMonitor>(w, QStringLiteral("lblTxData"))->text(), QString());
    QCOMPARE(control<HexMonitor>(w, QStringLiteral("lblRxData"))->text(), QString());
    QCOMPARE(f.peer().takeReceived(), QByteArray());
}

} // namespace

class StartupTest : public QObject
{
    Q_OBJECT
private slots:
    void savedPortAndSpeedAreShownNotOpened();
    void portNumber_data();
    void portNumber();
    void lineSpeed_data();
    void lineSpeed();
    void backlightLevel_data();
    void backlightLevel();
    void messagesAreRestored();
    void keyNamesInAnyLetterCase();
    void glyphTableLoadsButGridStaysEmpty();

    void shutDownCreatesTheFileInOrder();
    void shutDownKeepsEverythingElseInTheFile();
    void shutDownAddsMissingKeysInOrder();
    void shutDownWhileConnectedWritesAndCloses();
    void choicesComeBackAtNextStart();
    void portAndSpeedPickedWithoutConnecting();
};

void StartupTest::savedPortAndSpeedAreShownNotOpened()
{
    WindowFixture f(settingsFile("CommPort=5\r\nSetting=19200,n,8,1\r\n"), 5);
    verifyQuietStart(f);
    frmMain &w = f.window();
    QCOMPARE(control<QComboBox>(w, QStringLiteral("cboComm"))->currentIndex(), 4);
    QCOMPARE(control<QComboBox>(w, QStringLiteral("cboComm"))->currentText(),
             QStringLiteral("COM5"));
    QVERIFY(control<QRadioButton>(w, QStringLiteral("opt19200"))->isChecked());
    QVERIFY(!control<QRadioButton>(w, QStringLiteral("opt9600"))->isChecked());
    // Selecting them configured the port control for the next Connect.
    QCOMPARE(w.port().commPort(), 5);
    QCOMPARE(w.port().settings(), QStringLiteral("19200,n,8,1"));
    QCOMPARE(w.commPortText(), QStringLiteral("5"));
    QCOMPARE(w.commSettings(), QStringLiteral("19200,n,8,1"));
    // The module's own speed is not a saved setting: "9600" as always.
    QVERIFY(control<QRadioButton>(w, QStringLiteral("lcdbaud(0)"))->isChecked());
    // Every pin list shows "IN" and the direction byte says so.
    for (int bit : InputsOutputsPage::kPinBits)
        QCOMPARE(control<QComboBox>(w, twips::element("cboio", bit))->currentText(),
                 QStringLiteral("IN"));
    QCOMPARE(w.findChild<InputsOutputsPage *>()->ioDirection(), qint16(0));
}

void StartupTest::portNumber_data()
{
    QTest::addColumn<QByteArray>("ini");
    QTest::addColumn<int>("index"); // selected item of the port list, -1 for none
    QTest::addColumn<int>("commPort");

    // Missing or empty: COM1, as every other list starts on its first item.
    QTest::newRow("no settings file") << QByteArray() << 0 << 1;
    QTest::newRow("empty file") << QByteArray("") << 0 << 1;
    QTest::newRow("key missing") << settingsFile("Setting=9600,n,8,1\r\n") << 0 << 1;
    QTest::newRow("empty value") << settingsFile("CommPort=\r\n") << 0 << 1;
    QTest::newRow("1") << settingsFile("CommPort=1\r\n") << 0 << 1;
    QTest::newRow("20, the last port") << settingsFile("CommPort=20\r\n") << 19 << 20;
    QTest::newRow("blanks around") << settingsFile("CommPort =  7  \r\n") << 6 << 7;
    QTest::newRow("quoted") << settingsFile("CommPort=\"8\"\r\n") << 7 << 8;
    // The list index is the number minus 1, rounded half to even.
    QTest::newRow("3.5: index 2.5 rounds to 2") << settingsFile("CommPort=3.5\r\n") << 2 << 3;
    QTest::newRow("4.5: index 3.5 rounds to 4") << settingsFile("CommPort=4.5\r\n") << 4 << 5;
    QTest::newRow("6.4: index 5.4 rounds to 5") << settingsFile("CommPort=6.4\r\n") << 5 << 6;
    // Malformed: no port selected, nothing configured, Connect reports "Com Error!".
    QTest::newRow("0") << settingsFile("CommPort=0\r\n") << -1 << 0;
    QTest::newRow("21, above the list") << settingsFile("CommPort=21\r\n") << -1 << 0;
    QTest::newRow("-3") << settingsFile("CommPort=-3\r\n") << -1 << 0;
    QTest::newRow("text") << settingsFile("CommPort=abc\r\n") << -1 << 0;
    QTest::newRow("number with text") << settingsFile("CommPort=3x\r\n") << -1 << 0;
    QTest::newRow("beyond 16 bits") << settingsFile("CommPort=65539\r\n") << -1 << 0;
}

void StartupTest::portNumber()
{
    QFETCH(QByteArray, ini);
    QFETCH(int, index);
    QFETCH(int, commPort);
    WindowFixture f(ini);
    verifyQuietStart(f);
    frmMain &w = f.window();
    QCOMPARE(control<QComboBox>(w, QStringLiteral("cboComm"))->currentIndex(), index);
    QCOMPARE(w.port().commPort(), commPort);
    if (index >= 0)
        QCOMPARE(w.commPortText(), QString::number(index + 1));
    else
        QCOMPARE(control<QComboBox>(w, QStringLiteral("cboComm"))->currentText(), QString());
}

void StartupTest::lineSpeed_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("at9600");
    // Whatever starts with the four characters 9600 is 9600 bps; everything else 19200.
    QTest::newRow("9600,n,8,1") << QByteArray("9600,n,8,1") << true;
    QTest::newRow("9600") << QByteArray("9600") << true;
    QTest::newRow("9600,e,7,1") << QByteArray("9600,e,7,1") << true;
    QTest::newRow("blanks around 9600") << QByteArray("  9600,n,8,1 ") << true;
    QTest::newRow("19200,n,8,1") << QByteArray("19200,n,8,1") << false;
    QTest::newRow("empty") << QByteArray("") << false;
    QTest::newRow("no Setting key: first run") << QByteArray() << false;
    QTest::newRow("4800,n,8,1") << QByteArray("4800,n,8,1") << false;
    QTest::newRow("960") << QByteArray("960") << false;
    QTest::newRow("text") << QByteArray("fast") << false;
}

void StartupTest::lineSpeed()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, at9600);
    // A null value leaves the key out.
    const QByteArray setting = value.isNull() ? QByteArray() : "Setting=" + value + "\r\n";
    WindowFixture f(settingsFile("CommPort=3\r\n" + setting));
    verifyQuietStart(f);
    frmMain &w = f.window();
    QCOMPARE(control<QRadioButton>(w, QStringLiteral("opt9600"))->isChecked(), at9600);
    QCOMPARE(control<QRadioButton>(w, QStringLiteral("opt19200"))->isChecked(), !at9600);
    // Either way the port would open with one of the two standard strings.
    const QString standard = at9600 ? QStringLiteral("9600,n,8,1") : QStringLiteral("19200,n,8,1");
    QCOMPARE(w.commSettings(), standard);
    QCOMPARE(w.port().settings(), standard);
}

void StartupTest::backlightLevel_data()
{
    QTest::addColumn<QByteArray>("lcdSection");
    QTest::addColumn<int>("level");
    QTest::newRow("120") << QByteArray("BL=120\r\n") << 120;
    QTest::newRow("250") << QByteArray("BL=250\r\n") << 250;
    QTest::newRow("missing") << QByteArray() << 0;
    QTest::newRow("empty") << QByteArray("BL=\r\n") << 0;
    QTest::newRow("text") << QByteArray("BL=abc\r\n") << 0;
    QTest::newRow("12.5 rounds to 12") << QByteArray("BL=12.5\r\n") << 12;
    QTest::newRow("13.5 rounds to 14") << QByteArray("BL=13.5\r\n") << 14;
    // Outside the slider's range: the nearest end.
    QTest::newRow("300") << QByteArray("BL=300\r\n") << 250;
    QTest::newRow("-5") << QByteArray("BL=-5\r\n") << 0;
    QTest::newRow("beyond 16 bits") << QByteArray("BL=99999\r\n") << 0;
}

void StartupTest::backlightLevel()
{
    QFETCH(QByteArray, lcdSection);
    QFETCH(int, level);
    WindowFixture f(settingsFile("CommPort=3\r\n", lcdSection.isNull() ? "X=1\r\n" : lcdSection));
    verifyQuietStart(f);
    QCOMPARE(f.find<QSlider>(QStringLiteral("Backlightlevel"))->value(), level);
    QCOMPARE(f.page<BacklightPage>().backlightLevel(), qint16(level));
}

void StartupTest::messagesAreRestored()
{
    const QByteArray ini = "[MSG]\r\n"
                           "M1=  Hello  \r\n"
                           "M2=\"Quoted text\"\r\n"
                           "M3='single'\r\n"
                           "M4=  \" kept blanks \"  \r\n"
                           "M6=ABCDEFGHIJKLMNOPQRSTUVWXYZ\r\n"
                           "m7=lower-case key\r\n"
                           "M20=last one\r\n"
                           "M20=second M20 is ignored\r\n";
    WindowFixture f(ini);
    verifyQuietStart(f);
    const auto box = [&f](int k) { return f.find<QLineEdit>(twips::element("txtMsg", k)); };
    QCOMPARE(box(0)->text(), QStringLiteral("Hello"));
    QCOMPARE(box(1)->text(), QStringLiteral("Quoted text"));
    QCOMPARE(box(2)->text(), QStringLiteral("single"));
    QCOMPARE(box(3)->text(), QStringLiteral(" kept blanks "));
    QCOMPARE(box(4)->text(), QString());                                    // M5 missing
    QCOMPARE(box(5)->text(), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZ")); // whole
    QCOMPARE(box(6)->text(), QStringLiteral("lower-case key"));
    QCOMPARE(box(19)->text(), QStringLiteral("last one"));
    for (int k = 7; k < 19; ++k)
        QCOMPARE(box(k)->text(), QString());
}

void StartupTest::keyNamesInAnyLetterCase()
{
    WindowFixture f("[settings]\r\ncommport=7\r\nSETTING=9600,n,8,1\r\n[lcd]\r\nbl=77\r\n");
    verifyQuietStart(f);
    QCOMPARE(f.find<QComboBox>(QStringLiteral("cboComm"))->currentIndex(), 6);
    QVERIFY(f.find<QRadioButton>(QStringLiteral("opt9600"))->isChecked());
    QCOMPARE(f.find<QSlider>(QStringLiteral("Backlightlevel"))->value(), 77);
}

void StartupTest::glyphTableLoadsButGridStaysEmpty()
{
    WindowFixture f("[UDC]\r\nUCHAR2R1=31\r\nUCHAR2R8=17\r\n");
    verifyQuietStart(f);
    CustomCharactersPage *page = &f.page<CustomCharactersPage>();
    QCOMPARE(page->glyphTable().UCharTable[8], std::uint8_t(31));
    QCOMPARE(page->glyphTable().UCharTable[15], std::uint8_t(17));
    QCOMPARE(control<QComboBox>(*page, QStringLiteral("cboUCH"))->currentText(),
             QStringLiteral("1"));
    for (int row = 1; row <= 8; ++row)
        QCOMPARE(control<QLabel>(*page, QStringLiteral("lblrow%1").arg(row))->text(),
                 QStringLiteral("0x00"));
}

void StartupTest::shutDownCreatesTheFileInOrder()
{
    WindowFixture f;
    verifyQuietStart(f);
    f.closeWindow();
    QCOMPARE(lines(f.iniContent()),
             QStringList({"[Settings]", "CommPort=1", "Setting=19200,n,8,1", "[LCD]", "BL=0"}));
}

void StartupTest::shutDownKeepsEverythingElseInTheFile()
{
    const QByteArray before = "; written by hand\r\n"
                              "[Settings]\r\n"
                              "Setting=9600,e,7,1\r\n"
                              "Other=kept\r\n"
                              "CommPort=4\r\n"
                              "\r\n"
                              "[MSG]\r\n"
                              "M1=saved text\r\n"
                              "[LCD]\r\n"
                              "BL=300\r\n"
                              "[UDC]\r\n"
                              "UCHAR1R1=31\r\n";
    WindowFixture f(before);
    // Typed but not saved to flash: messages are not written at shut-down.
    f.find<QLineEdit>(QStringLiteral("txtMsg(0)"))->setText(QStringLiteral("typed, not saved"));
    f.closeWindow();
    // Only the three values change, in place; the speed string is now the standard one and
    // the level the one the slider showed.
    const QByteArray after = "; written by hand\r\n"
                             "[Settings]\r\n"
                             "Setting=9600,n,8,1\r\n"
                             "Other=kept\r\n"
                             "CommPort=4\r\n"
                             "\r\n"
                             "[MSG]\r\n"
                             "M1=saved text\r\n"
                             "[LCD]\r\n"
                             "BL=250\r\n"
                             "[UDC]\r\n"
                             "UCHAR1R1=31\r\n";
    QCOMPARE(f.iniContent(), after);
}

void StartupTest::shutDownAddsMissingKeysInOrder()
{
    WindowFixture f("[LCD]\nBL=10\n");
    f.closeWindow();
    QCOMPARE(lines(f.iniContent()),
             QStringList({"[LCD]", "BL=10", "[Settings]", "CommPort=1", "Setting=19200,n,8,1"}));
}

void StartupTest::shutDownWhileConnectedWritesAndCloses()
{
    WindowFixture f(settingsFile("CommPort=1\r\nSetting=9600,n,8,1\r\n", "BL=5\r\n"));
    QVERIFY(f.connect(true));
    QVERIFY(f.window().port().isOpen());
    f.closeWindow();
    QVERIFY(!f.window().port().isOpen());
    QCOMPARE(lines(f.iniContent()),
             QStringList({"[Settings]", "CommPort=3", "Setting=19200,n,8,1", "[LCD]", "BL=5"}));
}

void StartupTest::choicesComeBackAtNextStart()
{
    QByteArray saved;
    {
        WindowFixture f;
        QVERIFY(f.connect(true));
        featureTabs(f.window())->setCurrentIndex(2);
        QSlider *slider = f.find<QSlider>(QStringLiteral("Backlightlevel"));
        slider->setFocus();
        // The user drags the thumb to 120.
        slider->setSliderDown(true);
        slider->setSliderPosition(120);
        slider->setSliderDown(false);
        // One level frame for every position the thumb passed, 1 to 120.
        const QByteArray frames = f.received(3 * 120);
        QCOMPARE(frames.size(), 3 * 120);
        QCOMPARE(frames.right(3), QByteArray("\xFE\x28\x78", 3));
        f.closeWindow();
        saved = f.iniContent();
    }
    WindowFixture next(saved);
    verifyQuietStart(next);
    frmMain &w = next.window();
    QCOMPARE(control<QSlider>(w, QStringLiteral("Backlightlevel"))->value(), 120);
    QCOMPARE(w.findChild<BacklightPage *>()->backlightLevel(), qint16{120});
    QCOMPARE(control<QComboBox>(w, QStringLiteral("cboComm"))->currentText(),
             QStringLiteral("COM3"));
    QVERIFY(control<QRadioButton>(w, QStringLiteral("opt19200"))->isChecked());
    // Connecting again sends nothing until the slider is moved.
    QVERIFY(next.connect(true));
    QCOMPARE(next.received(1, 300), QByteArray());
    QCOMPARE(control<HexMonitor>(w, QStringLiteral("lblTxData"))->text(), QString());
}

void StartupTest::portAndSpeedPickedWithoutConnecting()
{
    WindowFixture f(settingsFile("CommPort=2\r\nSetting=19200,n,8,1\r\n"));
    QComboBox *ports = f.find<QComboBox>(QStringLiteral("cboComm"));
    ports->setCurrentIndex(6);
    emit ports->activated(6);
    f.click(QStringLiteral("opt9600"));
    QCOMPARE(f.window().port().commPort(), 7);
    f.closeWindow();
    QCOMPARE(lines(f.iniContent()),
             QStringList({"[Settings]", "CommPort=7", "Setting=9600,n,8,1", "[LCD]", "BL=0"}));
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
