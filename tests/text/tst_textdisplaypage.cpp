// The "Text Display" page as the module sees it: every button and key press on one connected
// window, the bytes read back at the pseudo-terminal that plays the module.
#include "app/frmmain.h"
#include "framecheck.h"
#include "text/asciiinputbox.h"
#include "text/textdisplaypage.h"
#include "windowfixture.h"

#include <QApplication>
#include <QComboBox>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QTabWidget>
#include <QTest>

#include <memory>

using namespace framecheck;

class TextDisplayPageTest : public PageTest
{
    Q_OBJECT
private slots:
    void cleanup();
    void buttonsSendTheirFrame_data();
    void buttonsSendTheirFrame();
    void specialItemsSendTheCodeTheyShow();
    void noSelectionSendsNothing_data();
    void noSelectionSendsNothing();
    void typedKeys_data();
    void typedKeys();
    void composedCharacters_data();
    void composedCharacters();
};

void TextDisplayPageTest::cleanup()
{
    QVERIFY(select(*m_f, QStringLiteral("cboRow=0 cboColumn=0 cboSpecial=0 cboPMsg=0")));
}

void TextDisplayPageTest::buttonsSendTheirFrame_data()
{
    frameColumns();

    // The first rows run on the lists as start-up left them.
    QTest::newRow("special character at start-up is A1") << "cmdSC"
                                                         << "" << 1 << hex("A1");
    QTest::newRow("clear row at start-up") << "cmdClrCR(0)"
                                           << "" << 1 << hex("FE2D00");
    QTest::newRow("clear column at start-up") << "cmdClrCR(1)"
                                              << "" << 1 << hex("FE2E00");
    QTest::newRow("message at start-up is 1 on row 0") << "cmdDisTxt"
                                                       << "" << 1 << hex("FE340001");

    QTest::newRow("Cursor Home is 0B") << "cmdCommand(0)"
                                       << "" << 1 << hex("0B");
    QTest::newRow("Next Line is 0C") << "cmdCommand(1)"
                                     << "" << 1 << hex("0C");
    QTest::newRow("Clear LCD is 0D not 0C") << "cmdCommand(2)"
                                            << "" << 1 << hex("0D");
    QTest::newRow("Clear LCD again and again") << "cmdCommand(2)"
                                               << "" << 3 << hex("0D");
    QTest::newRow("Back Space is 08") << "cmdBackSp"
                                      << "" << 1 << hex("08");

    QTest::newRow("custom character 0 is the zero byte") << "cmdCustomChar(0)"
                                                         << "" << 2 << hex("00");
    QTest::newRow("custom character 7") << "cmdCustomChar(7)"
                                        << "" << 1 << hex("07");

    QTest::newRow("special item 15 is B0") << "cmdSC"
                                           << "cboSpecial=15" << 1 << hex("B0");
    QTest::newRow("special item 63 is E0") << "cmdSC"
                                           << "cboSpecial=63" << 1 << hex("E0");
    QTest::newRow("last special item is FD") << "cmdSC"
                                             << "cboSpecial=92" << 2 << hex("FD");

    QTest::newRow("Load Custom Characters Bitmap") << "cmdLoadCC"
                                                   << "" << 1 << hex("FE08");

    QTest::newRow("clear row 3 ignores the column")
        << "cmdClrCR(0)"
        << "cboRow=3 cboColumn=19" << 1 << hex("FE2D03");
    QTest::newRow("clear column 19 ignores the row")
        << "cmdClrCR(1)"
        << "cboRow=3 cboColumn=19" << 1 << hex("FE2E13");
    QTest::newRow("clear row with no column selected")
        << "cmdClrCR(0)"
        << "cboRow=2 cboColumn=-1" << 1 << hex("FE2D02");
    QTest::newRow("clear column with no row selected")
        << "cmdClrCR(1)"
        << "cboRow=-1 cboColumn=7" << 1 << hex("FE2E07");

    QTest::newRow("message 20 on row 3") << "cmdDisTxt"
                                         << "cboRow=3 cboPMsg=19" << 1 << hex("FE340314");
}

void TextDisplayPageTest::buttonsSendTheirFrame()
{
    clickSendsRow(*m_f);
}

void TextDisplayPageTest::specialItemsSendTheCodeTheyShow()
{
    auto *list = m_f->find<QComboBox>(QStringLiteral("cboSpecial"));
    QCOMPARE(list->count(), 93);
    QByteArray sent;
    for (int i = 0; i < list->count(); ++i) {
        list->setCurrentIndex(i);
        m_f->click(QStringLiteral("cmdSC"));
        const QByteArray byte = m_f->received(1);
        QCOMPARE(byte.size(), 1);
        const QString text = list->itemText(i);
        QVERIFY2(QRegularExpression(QStringLiteral("^0x[0-9A-F]{2}$")).match(text).hasMatch(),
                 qPrintable(text));
        QCOMPARE(quint8(byte[0]), quint8(text.mid(2).toUInt(nullptr, 16)));
        sent += byte;
    }
    // Ascending from A1 to FD without a gap: the command prefix FE is never among them.
    QCOMPARE(quint8(sent.front()), quint8(0xA1));
    QCOMPARE(quint8(sent.back()), quint8(0xFD));
    for (qsizetype i = 1; i < sent.size(); ++i)
        QCOMPARE(quint8(sent[i]), quint8(sent[i - 1] + 1));
}

void TextDisplayPageTest::noSelectionSendsNothing_data()
{
    nothingColumns();

    QTest::newRow("special character") << "cmdSC"
                                       << "cboSpecial=-1";
    QTest::newRow("clear row") << "cmdClrCR(0)"
                               << "cboRow=-1";
    QTest::newRow("clear column") << "cmdClrCR(1)"
                                  << "cboColumn=-1";
    QTest::newRow("message without a row") << "cmdDisTxt"
                                           << "cboRow=-1";
    QTest::newRow("message without a number") << "cmdDisTxt"
                                              << "cboPMsg=-1";
}

void TextDisplayPageTest::noSelectionSendsNothing()
{
    clickSendsNothingRow(*m_f, QStringLiteral("cmdBackSp"), QByteArray("\x08", 1));
}

void TextDisplayPageTest::typedKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<bool>("keepsFocus");

    const int none = Qt::NoModifier;
    const QString del(QChar(0x7F));
    // Key texts as X11 delivers them.
    QTest::newRow("space key") << int(Qt::Key_Space) << none << " " << hex("20") << " " << true;
    QTest::newRow("DEL character is 7F")
        << int(Qt::Key_unknown) << none << del << hex("7F") << del << true;
    QTest::newRow("Ctrl+Backspace types 7F")
        << int(Qt::Key_Backspace) << int(Qt::ControlModifier) << "\b" << hex("7F") << "" << true;
    QTest::newRow("Delete key edits, sends nothing")
        << int(Qt::Key_Delete) << none << del << QByteArray() << "a" << true;
    QTest::newRow("y diaeresis is FF, the top code")
        << int(Qt::Key_ydiaeresis) << none << QStringLiteral("\u00ff") << hex("FF")
        << QStringLiteral("\u00ff") << true;
    QTest::newRow("Tab moves on") << int(Qt::Key_Tab) << none << "\t" << QByteArray() << "a"
                                  << false;
    QTest::newRow("left arrow") << int(Qt::Key_Left) << none << "" << QByteArray() << "a" << true;
    QTest::newRow("right arrow") << int(Qt::Key_Right) << none << "" << QByteArray() << "a" << true;
    QTest::newRow("up arrow") << int(Qt::Key_Up) << none << "" << QByteArray() << "a" << true;
    QTest::newRow("down arrow") << int(Qt::Key_Down) << none << "" << QByteArray() << "a" << true;
    QTest::newRow("F2") << int(Qt::Key_F2) << none << "" << QByteArray() << "a" << true;
}

void TextDisplayPageTest::typedKeys()
{
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, text);
    QFETCH(QByteArray, frame);
    QFETCH(QString, boxText);
    QFETCH(bool, keepsFocus);

    auto *box = m_f->find<QLineEdit>(QStringLiteral("txtASCIIInput"));
    m_f->showPageOf(box);
    m_f->window().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_f->window()));
    box->setFocus();
    QVERIFY(box->hasFocus());
    QTest::keyClick(box, Qt::Key_A);
    QCOMPARE(caption(m_f->received(1)), QStringLiteral("61 "));
    QVERIFY(showModuleReply(*m_f));

    const auto mods = Qt::KeyboardModifiers(modifiers);
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(box, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(box, &release);

    if (frame.isEmpty())
        expectNothingSent(*m_f);
    else
        expectSent(*m_f, frame);
    QCOMPARE(box->text(), boxText);
    QCOMPARE(box->hasFocus(), keepsFocus);
}

// Dead keys, the compose key and input methods hand the box committed text, not key presses.
void TextDisplayPageTest::composedCharacters_data()
{
    QTest::addColumn<bool>("boxEmpty");
    QTest::addColumn<QString>("commit");
    QTest::addColumn<QString>("preedit");
    QTest::addColumn<QByteArray>("frames");
    QTest::addColumn<QString>("boxText");

    const QString eAcute = QStringLiteral("\u00e9");
    QTest::newRow("e acute into an empty box is E9") << true << eAcute << "" << hex("E9") << eAcute;
    QTest::newRow("e acute replaces the character shown")
        << false << eAcute << "" << hex("E9") << eAcute;
    QTest::newRow("euro sign is 80 in Windows-1252")
        << false << QStringLiteral("\u20ac") << "" << hex("80") << QStringLiteral("\u20ac");
    QTest::newRow("each committed character is its own frame")
        << false << QStringLiteral("\u00e7a") << "" << hex("E761") << "a";
    QTest::newRow("last character without a code leaves the box empty")
        << false << eAcute + QStringLiteral("\u03a9") << "" << hex("E9") << "";
    QTest::newRow("composition in progress sends nothing")
        << false << "" << QStringLiteral("\u00b4") << QByteArray() << "a";
    QTest::newRow("commit while the next composition starts")
        << false << eAcute << QStringLiteral("\u00b4") << hex("E9") << eAcute;
}

void TextDisplayPageTest::composedCharacters()
{
    QFETCH(bool, boxEmpty);
    QFETCH(QString, commit);
    QFETCH(QString, preedit);
    QFETCH(QByteArray, frames);
    QFETCH(QString, boxText);

    auto *box = m_f->find<QLineEdit>(QStringLiteral("txtASCIIInput"));
    m_f->showPageOf(box);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_A);
    QCOMPARE(caption(m_f->received(1)), QStringLiteral("61 "));
    if (boxEmpty)
        QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(box->text(), boxEmpty ? QString() : QStringLiteral("a"));
    QVERIFY(showModuleReply(*m_f));

    QInputMethodEvent composed(preedit, {});
    composed.setCommitString(commit);
    QApplication::sendEvent(box, &composed);

    if (frames.isEmpty()) {
        expectNothingSent(*m_f);
    } else {
        // One byte per frame: the monitor shows the last.
        QCOMPARE(caption(m_f->received(int(frames.size()))), caption(frames));
        QCOMPARE(m_f->find<QLineEdit>(QStringLiteral("lblTxData"))->text(),
                 caption(frames.right(1)));
    }
    QCOMPARE(box->text(), boxText);
    // A composition left open would follow into the next row.
    QInputMethodEvent done;
    QApplication::sendEvent(box, &done);
}

QTEST_MAIN(TextDisplayPageTest)
#include "tst_textdisplaypage.moc"
