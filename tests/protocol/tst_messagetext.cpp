// The 20 bytes a predefined message takes on the wire.
#include <QTest>

#include "protocol/messagetext.h"

class TestMessageText : public QObject
{
    Q_OBJECT
private slots:
    void bytes_data();
    void bytes();
};

void TestMessageText::bytes_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("empty") << QString() << QByteArray(20, ' ');
    QTest::newRow("Hello") << QStringLiteral("Hello") << QByteArray("Hello") + QByteArray(15, ' ');
    QTest::newRow("19 characters")
        << QStringLiteral("abcdefghijklmnopqrs") << QByteArray("abcdefghijklmnopqrs ");
    QTest::newRow("exactly 20") << QStringLiteral("abcdefghijklmnopqrst")
                                << QByteArray("abcdefghijklmnopqrst");
    QTest::newRow("longer than 20 keeps the first 20")
        << QStringLiteral("abcdefghijklmnopqrstUVWXY") << QByteArray("abcdefghijklmnopqrst");
    QTest::newRow("spaces at the ends are kept")
        << QStringLiteral("  x ") << QByteArray("  x ") + QByteArray(16, ' ');
    QTest::newRow("upper half of Windows-1252")
        << QStringLiteral("\u00e9\u20ac\u00ff\u201c")
        << QByteArray("\xE9\x80\xFF\x93") + QByteArray(16, ' ');
    QTest::newRow("no Windows-1252 code becomes ?")
        << QStringLiteral("a\u65e5b\u0394") << QByteArray("a?b?") + QByteArray(16, ' ');
    // A character outside the 16-bit range is one character, so one '?', and it counts as
    // one of the twenty.
    QTest::newRow("surrogate pair is one character")
        << QStringLiteral("\U0001F600") + QString(19, QLatin1Char('z'))
        << QByteArray("?") + QByteArray(19, 'z');
}

void TestMessageText::bytes()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, expected);
    QCOMPARE(expected.size(), 20);
    const auto bytes = proto::messageBytes(text);
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(bytes.data()), qsizetype(bytes.size())),
             expected);
}

QTEST_APPLESS_MAIN(TestMessageText)
#include "tst_messagetext.moc"
