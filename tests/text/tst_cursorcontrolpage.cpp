// The "Cursor Control" page as the module sees it: every button on one connected window, the
// bytes read back at the pseudo-terminal that plays the module.
#include "app/frmmain.h"
#include "framecheck.h"
#include "windowfixture.h"

#include <QTest>

#include <memory>

using namespace framecheck;

class CursorControlPageTest : public PageTest
{
    Q_OBJECT
private slots:
    void cleanup();
    void buttonsSendTheirFrame_data();
    void buttonsSendTheirFrame();
    void noSelectionSendsNothing_data();
    void noSelectionSendsNothing();
};

void CursorControlPageTest::cleanup()
{
    QVERIFY(select(*m_f, QStringLiteral("cboCursor=0 cboRow=0 cboColumn=0")));
}

void CursorControlPageTest::buttonsSendTheirFrame_data()
{
    frameColumns();

    // The first rows run on the lists as start-up left them.
    QTest::newRow("cursor type at start-up is hidden") << "cmdSetCursor"
                                                       << "" << 1 << hex("FE01");
    QTest::newRow("position at start-up is row 0 column 0") << "cmdSetPos"
                                                            << "" << 1 << hex("FE320000");

    QTest::newRow("underline cursor") << "cmdSetCursor"
                                      << "cboCursor=1" << 1 << hex("FE02");
    QTest::newRow("blinking cursor") << "cmdSetCursor"
                                     << "cboCursor=2" << 1 << hex("FE03");
    QTest::newRow("blinking cursor again and again") << "cmdSetCursor"
                                                     << "cboCursor=2" << 3 << hex("FE03");

    QTest::newRow("left is 0E") << "cmdCurLR(0)"
                                << "" << 1 << hex("0E");
    QTest::newRow("right is 0F") << "cmdCurLR(1)"
                                 << "" << 1 << hex("0F");
    QTest::newRow("right again and again") << "cmdCurLR(1)"
                                           << "" << 3 << hex("0F");

    QTest::newRow("row 3 column 19") << "cmdSetPos"
                                     << "cboRow=3 cboColumn=19" << 1 << hex("FE320313");
    QTest::newRow("row before column") << "cmdSetPos"
                                       << "cboRow=1 cboColumn=10" << 2 << hex("FE32010A");
}

void CursorControlPageTest::buttonsSendTheirFrame()
{
    clickSendsRow(*m_f);
}

void CursorControlPageTest::noSelectionSendsNothing_data()
{
    nothingColumns();

    QTest::newRow("cursor type") << "cmdSetCursor"
                                 << "cboCursor=-1";
    QTest::newRow("position without a row") << "cmdSetPos"
                                            << "cboRow=-1";
    QTest::newRow("position without a column") << "cmdSetPos"
                                               << "cboColumn=-1";
}

void CursorControlPageTest::noSelectionSendsNothing()
{
    clickSendsNothingRow(*m_f, QStringLiteral("cmdCurLR(0)"), QByteArray("\x0E", 1));
}

QTEST_MAIN(CursorControlPageTest)
#include "tst_cursorcontrolpage.moc"
