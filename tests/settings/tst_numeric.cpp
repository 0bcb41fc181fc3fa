// Numbers read from the settings file: decimal text rounded half to even into 16 bits, and
// nothing for anything a person or a damaged file might have put there instead.

#include <QTest>

#include "settings/numeric.h"

class TestNumeric : public QObject
{
    Q_OBJECT

private slots:
    void accepted_data();
    void accepted();
    void refused_data();
    void refused();
};

void TestNumeric::accepted_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("offset");
    QTest::addColumn<int>("expected");

    QTest::newRow("integer") << QStringLiteral("3") << 0.0 << 3;
    // The port list index: the number minus 1, then rounded.
    QTest::newRow("offset before rounding, 3.5 - 1") << QStringLiteral("3.5") << -1.0 << 2;
    QTest::newRow("offset before rounding, 4.5 - 1") << QStringLiteral("4.5") << -1.0 << 4;
    QTest::newRow("blanks around") << QStringLiteral(" 7 ") << 0.0 << 7;
    QTest::newRow("tabs around") << QStringLiteral("\t12\t") << 0.0 << 12;
    QTest::newRow("plus sign") << QStringLiteral("+5") << 0.0 << 5;
    QTest::newRow("negative") << QStringLiteral("-4") << 0.0 << -4;
    QTest::newRow("below a half rounds down") << QStringLiteral("0.4999") << 0.0 << 0;
    QTest::newRow("half to even, down") << QStringLiteral("2.5") << 0.0 << 2;
    QTest::newRow("half to even, up") << QStringLiteral("3.5") << 0.0 << 4;
    QTest::newRow("half to even, 1.5") << QStringLiteral("1.5") << 0.0 << 2;
    QTest::newRow("negative half to even zero") << QStringLiteral("-0.5") << 0.0 << 0;
    QTest::newRow("negative half to even") << QStringLiteral("-2.5") << 0.0 << -2;
    QTest::newRow("exponent") << QStringLiteral("1e2") << 0.0 << 100;
    QTest::newRow("fraction without leading digit") << QStringLiteral(".6") << 0.0 << 1;
    QTest::newRow("largest") << QStringLiteral("32767") << 0.0 << 32767;
    QTest::newRow("largest after rounding") << QStringLiteral("32767.4") << 0.0 << 32767;
    QTest::newRow("smallest") << QStringLiteral("-32768") << 0.0 << -32768;
    QTest::newRow("smallest after rounding half") << QStringLiteral("-32768.5") << 0.0 << -32768;
}

void TestNumeric::accepted()
{
    QFETCH(QString, text);
    QFETCH(double, offset);
    QFETCH(int, expected);

    const auto value = toInt16RoundHalfEven(text, offset);
    QVERIFY(value.has_value());
    QCOMPARE(int(*value), expected);
}

void TestNumeric::refused_data()
{
    QTest::addColumn<QString>("text");

    QTest::newRow("empty") << QString();
    QTest::newRow("blanks only") << QStringLiteral("   ");
    QTest::newRow("letters") << QStringLiteral("abc");
    QTest::newRow("trailing letters") << QStringLiteral("3abc");
    QTest::newRow("one past the largest") << QStringLiteral("32768");
    QTest::newRow("rounds past the largest") << QStringLiteral("32767.5");
    QTest::newRow("one below the smallest") << QStringLiteral("-32769");
    QTest::newRow("large exponent") << QStringLiteral("1e10");
    QTest::newRow("grouping comma") << QStringLiteral("1,000");
    QTest::newRow("decimal comma") << QStringLiteral("1,5");
    QTest::newRow("blank inside") << QStringLiteral("1 000");
    QTest::newRow("hexadecimal") << QStringLiteral("0x10");
    QTest::newRow("infinity") << QStringLiteral("inf");
    QTest::newRow("not a number") << QStringLiteral("nan");
    QTest::newRow("two signs") << QStringLiteral("--1");
}

void TestNumeric::refused()
{
    QFETCH(QString, text);

    const auto value = toInt16RoundHalfEven(text);
    QVERIFY2(!value.has_value(), qPrintable(QStringLiteral("gave %1").arg(value.value_or(0))));
}

QTEST_GUILESS_MAIN(TestNumeric)
#include "tst_numeric.moc"
