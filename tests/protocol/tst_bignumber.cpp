// The text of a big number: which texts count as numbers, how they are padded to four
// characters, and the single-byte codes that go out.

#include <QTest>

#include "protocol/bignumber.h"

class BigNumberTest : public QObject
{
    Q_OBJECT
private slots:
    void isNumeric_data();
    void isNumeric();
    void rightAligned_data();
    void rightAligned();
    void codes_data();
    void codes();
};

void BigNumberTest::isNumeric_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("localeSeparator");
    QTest::addColumn<bool>("numeric");

    const QChar point = QLatin1Char('.');
    const QChar comma = QLatin1Char(',');
    QTest::newRow("7") << QStringLiteral("7") << point << true;
    QTest::newRow("42") << QStringLiteral("42") << point << true;
    QTest::newRow("1234") << QStringLiteral("1234") << point << true;
    QTest::newRow("-5") << QStringLiteral("-5") << point << true;
    QTest::newRow("+5") << QStringLiteral("+5") << point << true;
    QTest::newRow("three spaces and 7") << QStringLiteral("   7") << point << true;
    QTest::newRow("trailing space") << QStringLiteral("7 ") << point << true;
    QTest::newRow("1.5") << QStringLiteral("1.5") << point << true;
    QTest::newRow("1.5, comma locale") << QStringLiteral("1.5") << comma << true;
    QTest::newRow("1,5, comma locale") << QStringLiteral("1,5") << comma << true;
    QTest::newRow("1,5, point locale") << QStringLiteral("1,5") << point << false;
    QTest::newRow("1.5,2: one separator") << QStringLiteral("1.5,2") << comma << false;
    QTest::newRow("1.") << QStringLiteral("1.") << point << true;
    QTest::newRow(".5") << QStringLiteral(".5") << point << true;
    QTest::newRow("-.5") << QStringLiteral("-.5") << point << true;
    QTest::newRow(".") << QStringLiteral(".") << point << false;
    QTest::newRow("1e3") << QStringLiteral("1e3") << point << true;
    QTest::newRow("1E-3") << QStringLiteral("1E-3") << point << true;
    QTest::newRow("1d3") << QStringLiteral("1d3") << point << true;
    QTest::newRow("1e") << QStringLiteral("1e") << point << false;
    QTest::newRow("1e+") << QStringLiteral("1e+") << point << false;
    QTest::newRow("e3") << QStringLiteral("e3") << point << false;
    QTest::newRow("abc") << QStringLiteral("abc") << point << false;
    QTest::newRow("12a") << QStringLiteral("12a") << point << false;
    QTest::newRow("1 2") << QStringLiteral("1 2") << point << false;
    QTest::newRow("--5") << QStringLiteral("--5") << point << false;
    QTest::newRow("5-") << QStringLiteral("5-") << point << false;
    QTest::newRow("empty") << QString() << point << false;
    QTest::newRow("one space") << QStringLiteral(" ") << point << false;
    QTest::newRow("four spaces") << QStringLiteral("    ") << point << false;
    QTest::newRow("-") << QStringLiteral("-") << point << false;
    QTest::newRow("+") << QStringLiteral("+") << point << false;
    // Characters without a single-byte code, or that the module would take as control codes.
    QTest::newRow("fullwidth 12") << QStringLiteral("\uff11\uff12") << point << false;
    QTest::newRow("arabic-indic 3") << QStringLiteral("\u0663") << point << false;
    QTest::newRow("tab before 7") << QStringLiteral("\t7") << point << false;
    QTest::newRow("ideographic space") << QStringLiteral("\u30007") << point << false;
    QTest::newRow("arabic separator") << QStringLiteral("1\u066b5") << QChar(0x066B) << false;
    QTest::newRow("point with arabic locale") << QStringLiteral("1.5") << QChar(0x066B) << true;
}

void BigNumberTest::isNumeric()
{
    QFETCH(QString, text);
    QFETCH(QChar, localeSeparator);
    QFETCH(bool, numeric);
    QCOMPARE(proto::bignumber::isNumeric(text, localeSeparator), numeric);
}

void BigNumberTest::rightAligned_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("aligned");
    QTest::newRow("7") << QStringLiteral("7") << QStringLiteral("   7");
    QTest::newRow("42") << QStringLiteral("42") << QStringLiteral("  42");
    QTest::newRow("-5") << QStringLiteral("-5") << QStringLiteral("  -5");
    QTest::newRow("1.5") << QStringLiteral("1.5") << QStringLiteral(" 1.5");
    QTest::newRow("1234") << QStringLiteral("1234") << QStringLiteral("1234");
    QTest::newRow("already padded") << QStringLiteral("   7") << QStringLiteral("   7");
}

void BigNumberTest::rightAligned()
{
    QFETCH(QString, text);
    QFETCH(QString, aligned);
    QCOMPARE(proto::bignumber::rightAligned(text), aligned);
    // A second alignment changes nothing.
    QCOMPARE(proto::bignumber::rightAligned(aligned), aligned);
}

void BigNumberTest::codes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("   7") << QStringLiteral("   7") << true << QByteArray("\x20\x20\x20\x37", 4);
    QTest::newRow("1234") << QStringLiteral("1234") << true << QByteArray("\x31\x32\x33\x34", 4);
    QTest::newRow("  -5") << QStringLiteral("  -5") << true << QByteArray("\x20\x20\x2D\x35", 4);
    QTest::newRow(" 1,5") << QStringLiteral(" 1,5") << true << QByteArray("\x20\x31\x2C\x35", 4);
    QTest::newRow("euro sign") << QStringLiteral("\u20ac123") << true
                               << QByteArray("\x80\x31\x32\x33", 4);
    QTest::newRow("three long") << QStringLiteral("123") << false << QByteArray();
    QTest::newRow("five long") << QStringLiteral("12345") << false << QByteArray();
    QTest::newRow("no code") << QStringLiteral("12\u65e53") << false << QByteArray();
    // Four UTF-16 units but only three characters.
    QTest::newRow("wide character") << QStringLiteral("1\U0001F6002") << false << QByteArray();
}

void BigNumberTest::codes()
{
    QFETCH(QString, text);
    QFETCH(bool, valid);
    QFETCH(QByteArray, expected);
    const auto codes = proto::bignumber::codes(text);
    QCOMPARE(codes.has_value(), valid);
    if (valid)
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(codes->data()), 4), expected);
}

QTEST_GUILESS_MAIN(BigNumberTest)
#include "tst_bignumber.moc"
