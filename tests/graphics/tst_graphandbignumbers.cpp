// The "Graph" and "BIG Numbers" tabs: the frames their buttons send for the lists' and the
// text box's content, and the refusal of a text that is not a number. A pseudo-terminal
// plays the module.

#include "app/frmmain.h"
#include "graphics/bignumberspage.h"
#include "graphics/graphpage.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QTest>

#include <memory>

namespace
{

QString monitorText(const QByteArray &frame)
{
    return QString::fromLatin1(frame.toHex(' ').toUpper()) + QLatin1Char(' ');
}

} // namespace

class GraphAndBigNumbersTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void graphListsStartAtTheirFirstItem();
    void graphFrames_data();
    void graphFrames();
    void loadBigNumbersBitmap();
    void bigNumberFrames_data();
    void bigNumberFrames();
    void drawingTwiceSendsTheSameFrame();
    void nonNumericTextIsRefused_data();
    void nonNumericTextIsRefused();

private:
    QLineEdit *txtBN() { return m_f->find<QLineEdit>(QStringLiteral("txtBN")); }
    void type(const QString &text);

    std::unique_ptr<WindowFixture> m_f;
};

void GraphAndBigNumbersTest::initTestCase()
{
    m_f = std::make_unique<WindowFixture>();
    QVERIFY(m_f->connect());
}

void GraphAndBigNumbersTest::cleanupTestCase()
{
    m_f.reset();
}

void GraphAndBigNumbersTest::type(const QString &text)
{
    txtBN()->clear();
    QTest::keyClicks(txtBN(), text);
}

void GraphAndBigNumbersTest::graphListsStartAtTheirFirstItem()
{
    auto *width = m_f->find<QComboBox>(QStringLiteral("cboGraphWidth"));
    auto *height = m_f->find<QComboBox>(QStringLiteral("cboGraphHeight"));
    QCOMPARE(width->count(), 100);
    QCOMPARE(width->itemText(99), QStringLiteral("100"));
    QCOMPARE(height->count(), 32);
    QCOMPARE(height->itemText(31), QStringLiteral("32"));

    m_f->click(QStringLiteral("cmdVertical"));
    QCOMPARE(m_f->received(4), QByteArray("\xFE\x33\x00\x01", 4));
    m_f->click(QStringLiteral("cmdHGraph(0)"));
    QCOMPARE(m_f->received(3), QByteArray("\xFE\x2B\x01", 3));
    m_f->click(QStringLiteral("cmdHGraph(1)"));
    QCOMPARE(m_f->received(3), QByteArray("\xFE\x2C\x01", 3));
}

void GraphAndBigNumbersTest::graphFrames_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("width"); // the items chosen before the click
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("initialise horizontal") << "cmdInitGraph(0)"
                                           << "50"
                                           << "20"
                                           << "7" << QByteArray("\xFE\x04", 2);
    QTest::newRow("initialise vertical") << "cmdInitGraph(1)"
                                         << "50"
                                         << "20"
                                         << "7" << QByteArray("\xFE\x05", 2);
    QTest::newRow("left to right, width 1") << "cmdHGraph(0)"
                                            << "1"
                                            << "32"
                                            << "19" << QByteArray("\xFE\x2B\x01", 3);
    QTest::newRow("right to left, width 100") << "cmdHGraph(1)"
                                              << "100"
                                              << "1"
                                              << "0" << QByteArray("\xFE\x2C\x64", 3);
    QTest::newRow("left to right, width 100") << "cmdHGraph(0)"
                                              << "100"
                                              << "1"
                                              << "0" << QByteArray("\xFE\x2B\x64", 3);
    QTest::newRow("right to left, width 37") << "cmdHGraph(1)"
                                             << "37"
                                             << "1"
                                             << "0" << QByteArray("\xFE\x2C\x25", 3);
    QTest::newRow("vertical, column 19, height 32") << "cmdVertical"
                                                    << "100"
                                                    << "32"
                                                    << "19" << QByteArray("\xFE\x33\x13\x20", 4);
    QTest::newRow("vertical, column 0, height 1") << "cmdVertical"
                                                  << "100"
                                                  << "1"
                                                  << "0" << QByteArray("\xFE\x33\x00\x01", 4);
    QTest::newRow("vertical, column 10, height 16") << "cmdVertical"
                                                    << "1"
                                                    << "16"
                                                    << "10" << QByteArray("\xFE\x33\x0A\x10", 4);
}

void GraphAndBigNumbersTest::graphFrames()
{
    QFETCH(QString, button);
    QFETCH(QString, width);
    QFETCH(QString, height);
    QFETCH(QString, column);
    QFETCH(QByteArray, frame);
    for (const auto &[list, item] : {std::pair{QStringLiteral("cboGraphWidth"), width},
                                     std::pair{QStringLiteral("cboGraphHeight"), height},
                                     std::pair{QStringLiteral("cboColumn"), column}}) {
        auto *box = m_f->find<QComboBox>(list);
        box->setCurrentIndex(box->findText(item));
        QCOMPARE(box->currentText(), item);
    }
    m_f->click(button);
    QCOMPARE(m_f->received(frame.size()), frame);
    QCOMPARE(m_f->window().lblTxData->text(), monitorText(frame));
}

void GraphAndBigNumbersTest::loadBigNumbersBitmap()
{
    m_f->click(QStringLiteral("cmdInitBN"));
    QCOMPARE(m_f->received(2), QByteArray("\xFE\x09", 2));
}

void GraphAndBigNumbersTest::bigNumberFrames_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QByteArray>("frame");
    QTest::newRow("7") << "7"
                       << "   7" << QByteArray("\xFE\x63\x20\x20\x20\x37", 6);
    QTest::newRow("42") << "42"
                        << "  42" << QByteArray("\xFE\x63\x20\x20\x34\x32", 6);
    QTest::newRow("1234") << "1234"
                          << "1234" << QByteArray("\xFE\x63\x31\x32\x33\x34", 6);
    QTest::newRow("-5") << "-5"
                        << "  -5" << QByteArray("\xFE\x63\x20\x20\x2D\x35", 6);
    QTest::newRow("already padded") << "   7"
                                    << "   7" << QByteArray("\xFE\x63\x20\x20\x20\x37", 6);
    QTest::newRow("1.5") << "1.5"
                         << " 1.5" << QByteArray("\xFE\x63\x20\x31\x2E\x35", 6);
    QTest::newRow("1e3") << "1e3"
                         << " 1e3" << QByteArray("\xFE\x63\x20\x31\x65\x33", 6);
    // The box takes four characters; the fifth is refused as it is typed.
    QTest::newRow("12345 typed") << "12345"
                                 << "1234" << QByteArray("\xFE\x63\x31\x32\x33\x34", 6);
}

void GraphAndBigNumbersTest::bigNumberFrames()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    QFETCH(QByteArray, frame);
    type(typed);
    m_f->click(QStringLiteral("cmdDrawBN"));
    QCOMPARE(m_f->received(6), frame);
    QCOMPARE(txtBN()->text(), shown);
    QCOMPARE(m_f->window().lblTxData->text(), monitorText(frame));
}

void GraphAndBigNumbersTest::drawingTwiceSendsTheSameFrame()
{
    type(QStringLiteral("7"));
    const QByteArray frame("\xFE\x63\x20\x20\x20\x37", 6);
    m_f->click(QStringLiteral("cmdDrawBN"));
    QCOMPARE(m_f->received(6), frame);
    m_f->click(QStringLiteral("cmdDrawBN"));
    QCOMPARE(m_f->received(6), frame);
    QCOMPARE(txtBN()->text(), QStringLiteral("   7"));
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
    {
        ModalAnswerer answerer(QMessageBox::Ok);
        m_f->click(QStringLiteral("cmdDrawBN"));
        QCOMPARE(answerer.seen().size(), 1);
        const ModalAnswerer::Seen box = answerer.seen().first();
        QCOMPARE(box.title, QStringLiteral("VantelApp"));
        QCOMPARE(box.text, QStringLiteral("Numeric Value Only"));
        QVERIFY(!box.hasIcon);
        QCOMPARE(box.buttons, int(QMessageBox::Ok));
    }
    QCOMPARE(txtBN()->text(), text);
    // The next frame on the line is the next button's: the refused draw sent nothing.
    m_f->click(QStringLiteral("cmdInitBN"));
    QCOMPARE(m_f->received(2), QByteArray("\xFE\x09", 2));
}

QTEST_MAIN(GraphAndBigNumbersTest)
#include "tst_graphandbignumbers.moc"
