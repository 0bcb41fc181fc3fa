// The "Inputs / Outputs" page as the module sees it: every button on one connected window,
// and the direction byte following the user's picks in the pin lists. A pseudo-terminal
// plays the module.
#include "app/frmmain.h"
#include "framecheck.h"
#include "io/inputsoutputspage.h"
#include "widgets/twips.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QTest>

#include <memory>

using namespace framecheck;

namespace
{

// The mode back to GPIO and every pin back to IN, picked as a user picks them.
const QString kStartPicks = QStringLiteral("cbogpio=0 cboio(1)=0 cboio(2)=0 cboio(4)=0 cboio(8)=0 "
                                           "cboio(16)=0 cboio(32)=0 cboio(64)=0 cboio(128)=0");

} // namespace

class InputsOutputsPageTest : public PageTest
{
    Q_OBJECT
private slots:
    void cleanup();
    void buttonsSendTheirFrame_data();
    void buttonsSendTheirFrame();
    void listChangedInCodeIsNoPick();

private:
    QStringList analogReadings() const;
};

void InputsOutputsPageTest::cleanup()
{
    QVERIFY(select(*m_f, kStartPicks));
}

QStringList InputsOutputsPageTest::analogReadings() const
{
    QStringList texts;
    for (int i = 0; i < 2; ++i)
        texts << m_f->find<QLabel>(twips::element("lblAnVal", i))->text();
    return texts;
}

void InputsOutputsPageTest::buttonsSendTheirFrame_data()
{
    frameColumns(); // the selections are picks, in the order the user makes them

    // The first rows run on the lists as start-up left them.
    QTest::newRow("directions at start-up all IN") << "cmdCfgIO"
                                                   << "" << 1 << hex("FE3100");
    QTest::newRow("mode at start-up is GPIO") << "cmdgpmode"
                                              << "" << 1 << hex("FE30FF");

    QTest::newRow("Read Analog 1") << "cmdReadAn(0)"
                                   << "" << 1 << hex("FE0B");
    QTest::newRow("Read Analog 2 again and again") << "cmdReadAn(1)"
                                                   << "" << 3 << hex("FE0C");
    QTest::newRow("mode KEYPAD") << "cmdgpmode"
                                 << "cbogpio=1" << 1 << hex("FE30FE");
    QTest::newRow("mode GPIO picked again") << "cmdgpmode"
                                            << "cbogpio=1 cbogpio=0" << 1 << hex("FE30FF");
    QTest::newRow("directions ignore the mode") << "cmdCfgIO"
                                                << "cbogpio=1" << 1 << hex("FE3100");

    // Pin n's list is cboio(2^(n-1)), its bit in the direction byte; item 1 is OUT.
    QTest::newRow("pin 1 OUT") << "cmdCfgIO"
                               << "cboio(1)=1" << 1 << hex("FE3101");
    QTest::newRow("pin 8 OUT") << "cmdCfgIO"
                               << "cboio(128)=1" << 1 << hex("FE3180");
    QTest::newRow("pins 1 and 8 OUT") << "cmdCfgIO"
                                      << "cboio(1)=1 cboio(128)=1" << 1 << hex("FE3181");
    QTest::newRow("pins 1 and 8 OUT, then pin 1 IN")
        << "cmdCfgIO"
        << "cboio(1)=1 cboio(128)=1 cboio(1)=0" << 1 << hex("FE3180");
    QTest::newRow("OUT picked twice for one pin") << "cmdCfgIO"
                                                  << "cboio(4)=1 cboio(4)=1" << 1 << hex("FE3104");
    QTest::newRow("IN picked for a pin already IN") << "cmdCfgIO"
                                                    << "cboio(2)=0" << 1 << hex("FE3100");
    QTest::newRow("pin 5 OUT and back IN") << "cmdCfgIO"
                                           << "cboio(16)=1 cboio(16)=0" << 1 << hex("FE3100");
    const QString everyPinOut = QStringLiteral("cboio(1)=1 cboio(2)=1 cboio(4)=1 cboio(8)=1 "
                                               "cboio(16)=1 cboio(32)=1 cboio(64)=1 cboio(128)=1");
    QTest::newRow("every pin OUT") << "cmdCfgIO" << everyPinOut << 1 << hex("FE31FF");
    QTest::newRow("every pin OUT, then pins 4 and 6 IN")
        << "cmdCfgIO" << everyPinOut + QStringLiteral(" cboio(8)=0 cboio(32)=0") << 2
        << hex("FE31D7");
}

void InputsOutputsPageTest::buttonsSendTheirFrame()
{
    QFETCH(QString, button);
    QFETCH(QString, selections);
    QFETCH(int, clicks);
    QFETCH(QByteArray, frame);
    // Picking sends nothing: the byte goes out with the button (the frame would not match).
    QVERIFY(select(*m_f, selections));
    for (int i = 0; i < clicks; ++i) {
        QVERIFY(showModuleReply(*m_f));
        const QStringList readings = analogReadings();
        m_f->click(button);
        expectSent(*m_f, frame);
        // A request does not touch the readings; only the module's reply does.
        QCOMPARE(analogReadings(), readings);
    }
}

void InputsOutputsPageTest::listChangedInCodeIsNoPick()
{
    // The byte follows the user's picks only; a list set without a pick leaves it alone.
    auto *pin3 = m_f->find<QComboBox>(QStringLiteral("cboio(4)"));
    QVERIFY(pin3);
    pin3->setCurrentIndex(1);
    clickSends(*m_f, QString(), QStringLiteral("cmdCfgIO"), 1, hex("FE3100"));
}

QTEST_MAIN(InputsOutputsPageTest)
#include "tst_inputsoutputspage.moc"
