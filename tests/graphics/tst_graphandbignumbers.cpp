// The "Graph" and "BIG Numbers" tabs as the module sees them: every button on one connected
// window with the lists and the text box filled as a user fills them, and the refusal of a
// text that is not a number. A pseudo-terminal plays the module.

#include "app/frmmain.h"
#include "framecheck.h"
#include "windowfixture.h"

#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <memory>

using namespace framecheck;

class GraphAndBigNumbersTest : public PageTest
{
    Q_OBJECT
private slots:

    void buttonsSendTheirFrame_data();
    void buttonsSendTheirFrame();
    void bigNumberFrames_data();
    void bigNumberFrames();
    void nonNumericTextIsRefused_data();
    void nonNumericTextIsRefused();

private:
    QLineEdit *txtBN() { return m_f->find<QLineEdit>(QStringLiteral("txtBN")); }
    void type(const QString &text);
};

void GraphAndBigNumbersTest::type(const QString &text)
{
    txtBN()->clear();
    QTest::keyClicks(txtBN(), text);
}

void GraphAndBigNumbersTest::buttonsSendTheirFrame_data()
{
    frameColumns();

    // The first rows run on the lists as start-up left them: width 1, height 1, column 0.
    QTest::newRow("vertical at start-up") << "cmdVertical"
                                          << "" << 1 << hex("FE330001");
    QTest::newRow("left to right at start-up") << "cmdHGraph(0)"
                                               << "" << 1 << hex("FE2B01");
    QTest::newRow("right to left at start-up") << "cmdHGraph(1)"
                                               << "" << 1 << hex("FE2C01");

    // Width item n shows n + 1, height item n shows n + 1, column item n shows n.
    const QString width50height20column7 = "cboGraphWidth=49 cboGraphHeight=19 cboColumn=7";
    QTest::newRow("initialise horizontal ignores the lists")
        << "cmdInitGraph(0)" << width50height20column7 << 1 << hex("FE04");
    QTest::newRow("initialise vertical ignores the lists")
        << "cmdInitGraph(1)" << width50height20column7 << 1 << hex("FE05");
    QTest::newRow("left to right, width 1")
        << "cmdHGraph(0)"
        << "cboGraphWidth=0 cboGraphHeight=31 cboColumn=19" << 1 << hex("FE2B01");
    QTest::newRow("right to left, width 100")
        << "cmdHGraph(1)"
        << "cboGraphWidth=99 cboGraphHeight=0 cboColumn=0" << 1 << hex("FE2C64");
    QTest::newRow("left to right, width 100")
        << "cmdHGraph(0)"
        << "cboGraphWidth=99 cboGraphHeight=0 cboColumn=0" << 1 << hex("FE2B64");
    QTest::newRow("right to left, width 37")
        << "cmdHGraph(1)"
        << "cboGraphWidth=36 cboGraphHeight=0 cboColumn=0" << 2 << hex("FE2C25");
    QTest::newRow("vertical, column 19, height 32")
        << "cmdVertical"
        << "cboGraphWidth=99 cboGraphHeight=31 cboColumn=19" << 1 << hex("FE331320");
    QTest::newRow("vertical, column 0, height 1")
        << "cmdVertical"
        << "cboGraphWidth=99 cboGraphHeight=0 cboColumn=0" << 1 << hex("FE330001");
    QTest::newRow("vertical, column 10, height 16")
        << "cmdVertical"
        << "cboGraphWidth=0 cboGraphHeight=15 cboColumn=10" << 1 << hex("FE330A10");

    QTest::newRow("Load Big Numbers Bitmap") << "cmdInitBN"
                                             << "" << 1 << hex("FE09");
}

void GraphAndBigNumbersTest::buttonsSendTheirFrame()
{
    clickSendsRow(*m_f);
}

void GraphAndBigNumbersTest::bigNumberFrames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<QString>("shown"); // in the box after the clicks
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("7") << "7" << 1 << "   7" << hex("FE6320202037");
    QTest::newRow("7 drawn twice: the padded text sends the same frame")
        << "7" << 2 << "   7" << hex("FE6320202037");
    QTest::newRow("42") << "42" << 1 << "  42" << hex("FE6320203432");
    QTest::newRow("1234") << "1234" << 1 << "1234" << hex("FE6331323334");
    QTest::newRow("-5") << "-5" << 1 << "  -5" << hex("FE6320202D35");
    QTest::newRow("already padded") << "   7" << 1 << "   7" << hex("FE6320202037");
    QTest::newRow("1.5") << "1.5" << 1 << " 1.5" << hex("FE6320312E35");
    QTest::newRow("1e3") << "1e3" << 1 << " 1e3" << hex("FE6320316533");
    // The box takes four characters; the fifth is refused as it is typed.
    QTest::newRow("12345 typed") << "12345" << 1 << "1234" << hex("FE6331323334");
}

void GraphAndBigNumbersTest::bigNumberFrames()
{
    QFETCH(QString, typed);
    QFETCH(int, clicks);
    QFETCH(QString, shown);
    QFETCH(QByteArray, frame);
    type(typed);
    for (int i = 0; i < clicks; ++i) {
        QVERIFY(showModuleReply(*m_f));
        m_f->click(QStringLiteral("cmdDrawBN"));
        expectSent(*m_f, frame);
        if (QTest::currentTestFailed())
            return;
    }
    QCOMPARE(txtBN()->text(), shown);
}

void GraphAndBigNumbersTest::nonNumericTextIsRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("abc") << "abc";
    QTest::newRow("12a") << "12a";
    QTest::newRow("empty") << "";
    QTest::newRow("spaces only") << "  ";
    QTest::newRow("sign only") << "-";
    QTest::newRow("exponent without digits") << "1e+";
}

void GraphAndBigNumbersTest::nonNumericTextIsRefused()
{
    QFETCH(QString, text);
    type(text);
    QCOMPARE(txtBN()->text(), text);
    QVERIFY(showModuleReply(*m_f));
    {
        ModalAnswerer answerer(QMessageBox::Ok);
        m_f->click(QStringLiteral("cmdDrawBN"));
        QTRY_COMPARE(answerer.seen().size(), 1);
        const ModalAnswerer::Seen box = answerer.seen().first();
        QCOMPARE(box.title, QStringLiteral("VantelApp"));
        QCOMPARE(box.text, QStringLiteral("Numeric Value Only"));
        QVERIFY(!box.hasIcon);
        QCOMPARE(box.buttons, int(QMessageBox::Ok));
    }
    QCOMPARE(txtBN()->text(), text);
    expectNothingSent(*m_f);
}

QTEST_MAIN(GraphAndBigNumbersTest)
#include "tst_graphandbignumbers.moc"
