// The file rules on bytes: what a lookup finds, and what an update changes (only the value,
// or one new line, or one new section; nothing else).

#include <QTest>

#include "settings/inifile.h"

namespace
{

#ifdef Q_OS_WIN
const QByteArray kNewFileEol = "\r\n";
#else
const QByteArray kNewFileEol = "\n";
#endif

} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT

private slots:
    void lookup_data();
    void lookup();
    void update_data();
    void update();
    void refusedNames_data();
    void refusedNames();
    void updateThenLookup();
};

void TestIniFile::lookup_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QByteArray>("value");

    const QByteArray file = "[Settings]\nCommPort=3\nSetting=9600,n,8,1\n[LCD]\nBL=100\n";
    QTest::newRow("plain") << file << QByteArray("Settings") << QByteArray("CommPort") << true
                           << QByteArray("3");
    QTest::newRow("key in second section")
        << file << QByteArray("LCD") << QByteArray("BL") << true << QByteArray("100");

    // Names
    QTest::newRow("section in other case")
        << file << QByteArray("SETTINGS") << QByteArray("Setting") << true
        << QByteArray("9600,n,8,1");
    QTest::newRow("key in other case")
        << file << QByteArray("lcd") << QByteArray("bl") << true << QByteArray("100");
    QTest::newRow("blanks around names in file")
        << QByteArray("  [ LCD ]  \n\t BL \t= 7\n") << QByteArray("LCD") << QByteArray("BL") << true
        << QByteArray("7");
    QTest::newRow("blanks around names asked")
        << file << QByteArray(" LCD ") << QByteArray(" BL ") << true << QByteArray("100");
    QTest::newRow("section name prefix is no match")
        << QByteArray("[LCD2]\nBL=1\n[LCD]\nBL=2\n") << QByteArray("LCD") << QByteArray("BL")
        << true << QByteArray("2");
    QTest::newRow("key name prefix is no match")
        << QByteArray("[LCD]\nBL2=1\nBL=2\n") << QByteArray("LCD") << QByteArray("BL") << true
        << QByteArray("2");
    QTest::newRow("text after header bracket")
        << QByteArray("[LCD] ; backlight\nBL=5\n") << QByteArray("LCD") << QByteArray("BL") << true
        << QByteArray("5");

    // Values
    QTest::newRow("blanks around value removed")
        << QByteArray("[MSG]\nM1=  Hello World \t\n") << QByteArray("MSG") << QByteArray("M1")
        << true << QByteArray("Hello World");
    QTest::newRow("double quotes removed")
        << QByteArray("[MSG]\nM1=\" padded \"\n") << QByteArray("MSG") << QByteArray("M1") << true
        << QByteArray(" padded ");
    QTest::newRow("single quotes removed")
        << QByteArray("[MSG]\nM1='quoted'\n") << QByteArray("MSG") << QByteArray("M1") << true
        << QByteArray("quoted");
    QTest::newRow("only one pair of quotes removed")
        << QByteArray("[MSG]\nM1=\"\"x\"\"\n") << QByteArray("MSG") << QByteArray("M1") << true
        << QByteArray("\"x\"");
    QTest::newRow("mixed quotes kept") << QByteArray("[MSG]\nM1=\"x'\n") << QByteArray("MSG")
                                       << QByteArray("M1") << true << QByteArray("\"x'");
    QTest::newRow("lone quote kept") << QByteArray("[MSG]\nM1=\"\n") << QByteArray("MSG")
                                     << QByteArray("M1") << true << QByteArray("\"");
    QTest::newRow("empty quotes give empty") << QByteArray("[MSG]\nM1=''\n") << QByteArray("MSG")
                                             << QByteArray("M1") << true << QByteArray("");
    QTest::newRow("inner quotes kept") << QByteArray("[MSG]\nM1=say \"hi\"\n") << QByteArray("MSG")
                                       << QByteArray("M1") << true << QByteArray("say \"hi\"");
    QTest::newRow("value after first equals") << QByteArray("[MSG]\nM1=a=b\n") << QByteArray("MSG")
                                              << QByteArray("M1") << true << QByteArray("a=b");
    QTest::newRow("empty value is present") << QByteArray("[MSG]\nM1=\nM2=x\n") << QByteArray("MSG")
                                            << QByteArray("M1") << true << QByteArray("");
    QTest::newRow("semicolon in value is text")
        << QByteArray("[LCD]\nBL=100 ; level\n") << QByteArray("LCD") << QByteArray("BL") << true
        << QByteArray("100 ; level");
    QTest::newRow("bytes above 127 kept")
        << QByteArray("[MSG]\nM1=\xE9\x80\xFF\n") << QByteArray("MSG") << QByteArray("M1") << true
        << QByteArray("\xE9\x80\xFF");
    QTest::newRow("254 characters kept")
        << QByteArray("[MSG]\nM1=" + QByteArray(254, 'x') + "\n") << QByteArray("MSG")
        << QByteArray("M1") << true << QByteArray(254, 'x');
    QTest::newRow("longer value cut to 254")
        << QByteArray("[MSG]\nM1=" + QByteArray(300, 'x') + "\n") << QByteArray("MSG")
        << QByteArray("M1") << true << QByteArray(254, 'x');
    QTest::newRow("cut applies after quotes are removed")
        << QByteArray("[MSG]\nM1=\"" + QByteArray(260, 'y') + "\"\n") << QByteArray("MSG")
        << QByteArray("M1") << true << QByteArray(254, 'y');

    // Which occurrence
    QTest::newRow("first of duplicate keys")
        << QByteArray("[LCD]\nBL=1\nbl=2\n") << QByteArray("LCD") << QByteArray("BL") << true
        << QByteArray("1");
    QTest::newRow("first of duplicate sections")
        << QByteArray("[LCD]\nBL=1\n[LCD]\nBL=2\n") << QByteArray("LCD") << QByteArray("BL") << true
        << QByteArray("1");
    QTest::newRow("second duplicate section not searched")
        << QByteArray("[LCD]\nX=1\n[LCD]\nBL=2\n") << QByteArray("LCD") << QByteArray("BL") << false
        << QByteArray();

    // Not found
    QTest::newRow("empty file") << QByteArray() << QByteArray("LCD") << QByteArray("BL") << false
                                << QByteArray();
    QTest::newRow("missing section")
        << file << QByteArray("MSG") << QByteArray("M1") << false << QByteArray();
    QTest::newRow("missing key") << file << QByteArray("LCD") << QByteArray("CommPort") << false
                                 << QByteArray();
    QTest::newRow("key before any section") << QByteArray("BL=9\n[LCD]\nX=1\n") << QByteArray("LCD")
                                            << QByteArray("BL") << false << QByteArray();
    QTest::newRow("commented key is another key")
        << QByteArray("[Settings]\n;CommPort=5\nCommPort=3\n") << QByteArray("Settings")
        << QByteArray("CommPort") << true << QByteArray("3");
    QTest::newRow("line without equals is no key")
        << QByteArray("[LCD]\nBL\n# BL 4\n") << QByteArray("LCD") << QByteArray("BL") << false
        << QByteArray();
    QTest::newRow("unclosed bracket is no section")
        << QByteArray("[LCD\nBL=1\n") << QByteArray("LCD") << QByteArray("BL") << false
        << QByteArray();

    // Line endings and odd bytes
    QTest::newRow("CRLF file") << QByteArray("[LCD]\r\nBL=100\r\nX=1\r\n") << QByteArray("LCD")
                               << QByteArray("BL") << true << QByteArray("100");
    QTest::newRow("CRLF with blanks before CR")
        << QByteArray("[LCD]  \r\nBL = 100  \r\n") << QByteArray("LCD") << QByteArray("BL") << true
        << QByteArray("100");
    QTest::newRow("CR-only file") << QByteArray("[Settings]\rCommPort=3\r[LCD]\rBL=100\r")
                                  << QByteArray("LCD") << QByteArray("BL") << true
                                  << QByteArray("100");
    QTest::newRow("last line without newline") << QByteArray("[LCD]\nBL=100") << QByteArray("LCD")
                                               << QByteArray("BL") << true << QByteArray("100");
    QTest::newRow("UTF-8 signature before first section")
        << QByteArray("\xEF\xBB\xBF[LCD]\nBL=3\n") << QByteArray("LCD") << QByteArray("BL") << true
        << QByteArray("3");
    static const char withNuls[] = "[LCD]\n\0\0junk\nBL=4\n";
    QTest::newRow("NUL bytes elsewhere")
        << QByteArray(withNuls, sizeof withNuls - 1) << QByteArray("LCD") << QByteArray("BL")
        << true << QByteArray("4");
}

void TestIniFile::lookup()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(bool, found);
    QFETCH(QByteArray, value);

    const auto result = ini::lookup(content, section, key);
    QCOMPARE(result.has_value(), found);
    if (found)
        QCOMPARE(*result, value);
}

void TestIniFile::update_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QByteArray>("expected");

    // A file full of things the rules do not understand: they must all survive.
    const QByteArray messy = "; comment\n"
                             "orphan=1\n"
                             "\n"
                             "[Settings]\n"
                             "  CommPort = 3  \n"
                             "garbage line\n"
                             "# hash\n"
                             "\n"
                             "[LCD]\n"
                             "BL=100\n";
    QTest::newRow("replace keeps every other byte")
        << messy << QByteArray("settings") << QByteArray("COMMPORT") << QByteArray("12")
        << QByteArray("; comment\norphan=1\n\n[Settings]\nCommPort=12\ngarbage line\n"
                      "# hash\n\n[LCD]\nBL=100\n");
    QTest::newRow("rewritten line keeps the file's spelling of the key")
        << QByteArray("[Settings]\n\tcommport = 6 \n") << QByteArray("Settings")
        << QByteArray("CommPort") << QByteArray("7") << QByteArray("[Settings]\ncommport=7\n");
    QTest::newRow("rewritten line keeps CRLF")
        << QByteArray("[LCD]\r\n BL = 1 \r\nX=1\r\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("2") << QByteArray("[LCD]\r\nBL=2\r\nX=1\r\n");
    QTest::newRow("value already held leaves the line as it is")
        << QByteArray("[LCD]\nBL= \"120\" \n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("120") << QByteArray("[LCD]\nBL= \"120\" \n");
    QTest::newRow("replace quoted value")
        << QByteArray("[MSG]\nM1=\"old\"\n") << QByteArray("MSG") << QByteArray("M1")
        << QByteArray("new") << QByteArray("[MSG]\nM1=new\n");
    QTest::newRow("replace empty value")
        << QByteArray("[LCD]\nBL=\nX=1\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("5") << QByteArray("[LCD]\nBL=5\nX=1\n");
    QTest::newRow("replace with empty value")
        << QByteArray("[LCD]\nBL=100\n") << QByteArray("LCD") << QByteArray("BL") << QByteArray()
        << QByteArray("[LCD]\nBL=\n");
    QTest::newRow("replace first of duplicate keys only")
        << QByteArray("[LCD]\nBL=1\nBL=2\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("9") << QByteArray("[LCD]\nBL=9\nBL=2\n");
    QTest::newRow("replace in first of duplicate sections")
        << QByteArray("[LCD]\nBL=1\n[LCD]\nBL=2\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("9") << QByteArray("[LCD]\nBL=9\n[LCD]\nBL=2\n");
    QTest::newRow("replace keeps CRLF")
        << QByteArray("[LCD]\r\nBL=100\r\nX=1\r\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("7") << QByteArray("[LCD]\r\nBL=7\r\nX=1\r\n");
    QTest::newRow("replace on last line without newline")
        << QByteArray("[LCD]\nBL=100") << QByteArray("LCD") << QByteArray("BL") << QByteArray("7")
        << QByteArray("[LCD]\nBL=7");
    QTest::newRow("replace keeps UTF-8 signature")
        << QByteArray("\xEF\xBB\xBF[LCD]\nBL=1\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("2") << QByteArray("\xEF\xBB\xBF[LCD]\nBL=2\n");

    QTest::newRow("append before following section")
        << QByteArray("[Settings]\nCommPort=3\n\n[LCD]\nBL=1\n") << QByteArray("Settings")
        << QByteArray("Setting") << QByteArray("9600,n,8,1")
        << QByteArray("[Settings]\nCommPort=3\nSetting=9600,n,8,1\n\n[LCD]\nBL=1\n");
    QTest::newRow("append to empty section")
        << QByteArray("[LCD]\n[MSG]\nM1=a\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("4") << QByteArray("[LCD]\nBL=4\n[MSG]\nM1=a\n");
    QTest::newRow("append after section's last line without newline")
        << QByteArray("[LCD]\nX=1") << QByteArray("LCD") << QByteArray("BL") << QByteArray("4")
        << QByteArray("[LCD]\nX=1\nBL=4\n");
    QTest::newRow("append after header without newline")
        << QByteArray("[LCD]") << QByteArray("LCD") << QByteArray("BL") << QByteArray("4")
        << QByteArray("[LCD]" + kNewFileEol + "BL=4" + kNewFileEol);
    QTest::newRow("append in CRLF file")
        << QByteArray("[LCD]\r\nX=1\r\n[MSG]\r\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("4") << QByteArray("[LCD]\r\nX=1\r\nBL=4\r\n[MSG]\r\n");
    QTest::newRow("append to first of duplicate sections")
        << QByteArray("[LCD]\nX=1\n[LCD]\nY=2\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("4") << QByteArray("[LCD]\nX=1\nBL=4\n[LCD]\nY=2\n");
    QTest::newRow("key outside sections is not replaced")
        << QByteArray("BL=9\n[LCD]\n") << QByteArray("LCD") << QByteArray("BL") << QByteArray("4")
        << QByteArray("BL=9\n[LCD]\nBL=4\n");

    QTest::newRow("new section at end")
        << QByteArray("[Settings]\nCommPort=3\n\n") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("100") << QByteArray("[Settings]\nCommPort=3\n\n[LCD]\nBL=100\n");
    QTest::newRow("new section after last line without newline")
        << QByteArray("[Settings]\nCommPort=3") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("100") << QByteArray("[Settings]\nCommPort=3\n[LCD]\nBL=100\n");
    QTest::newRow("new section in CRLF file")
        << QByteArray("[Settings]\r\nCommPort=3") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("100") << QByteArray("[Settings]\r\nCommPort=3\r\n[LCD]\r\nBL=100\r\n");
    QTest::newRow("CR-only file keeps its ending")
        << QByteArray("[Settings]\rCommPort=3\r[LCD]\rX=1") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("100") << QByteArray("[Settings]\rCommPort=3\r[LCD]\rX=1\rBL=100\r");
    QTest::newRow("new section in CR-only file")
        << QByteArray("[Settings]\rCommPort=3\r") << QByteArray("LCD") << QByteArray("BL")
        << QByteArray("100") << QByteArray("[Settings]\rCommPort=3\r[LCD]\rBL=100\r");
    QTest::newRow("new file") << QByteArray() << QByteArray("Settings") << QByteArray("CommPort")
                              << QByteArray("3")
                              << QByteArray("[Settings]" + kNewFileEol + "CommPort=3" +
                                            kNewFileEol);
    QTest::newRow("names written without blanks")
        << QByteArray() << QByteArray(" LCD ") << QByteArray("\tBL ") << QByteArray("1")
        << QByteArray("[LCD]" + kNewFileEol + "BL=1" + kNewFileEol);

    QTest::newRow("line breaks in value become blanks")
        << QByteArray("[MSG]\nM1=x\nM2=y\n") << QByteArray("MSG") << QByteArray("M1")
        << QByteArray("a\r\n[LCD]\nBL=0\r") << QByteArray("[MSG]\nM1=a  [LCD] BL=0 \nM2=y\n");
}

void TestIniFile::update()
{
    QFETCH(QByteArray, content);
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);
    QFETCH(QByteArray, value);
    QFETCH(QByteArray, expected);

    QCOMPARE(ini::update(content, section, key, value), expected);
}

void TestIniFile::refusedNames_data()
{
    QTest::addColumn<QByteArray>("section");
    QTest::addColumn<QByteArray>("key");

    QTest::newRow("empty key") << QByteArray("LCD") << QByteArray("");
    QTest::newRow("blank key") << QByteArray("LCD") << QByteArray("  ");
    QTest::newRow("key with equals") << QByteArray("LCD") << QByteArray("B=L");
    QTest::newRow("key like a header") << QByteArray("LCD") << QByteArray("[MSG]");
    QTest::newRow("key with newline") << QByteArray("LCD") << QByteArray("B\nL");
    QTest::newRow("empty section") << QByteArray("") << QByteArray("BL");
    QTest::newRow("section with bracket") << QByteArray("L]CD") << QByteArray("BL");
    QTest::newRow("section with CR inside") << QByteArray("L\rCD") << QByteArray("BL");
}

void TestIniFile::refusedNames()
{
    QFETCH(QByteArray, section);
    QFETCH(QByteArray, key);

    const QByteArray content = "[LCD]\nBL=1\n";
    QCOMPARE(ini::update(content, section, key, "2"), content);
    QCOMPARE(ini::update(QByteArray(), section, key, "2"), QByteArray());
}

// A file built only by updates, in a scrambled order, reads back every value it was given.
void TestIniFile::updateThenLookup()
{
    const QList<std::array<QByteArray, 3>> writes = {
        {"UDC", "UCHAR1R1", "31"},     {"Settings", "CommPort", "3"},
        {"MSG", "M2", "second"},       {"Settings", "Setting", "19200,n,8,1"},
        {"MSG", "M1", "first"},        {"LCD", "BL", "250"},
        {"settings", "commport", "7"}, {"UDC", "UCHAR8R8", "0"},
    };
    QByteArray content;
    for (const auto &[section, key, value] : writes)
        content = ini::update(content, section, key, value);

    QCOMPARE(ini::lookup(content, "Settings", "CommPort"), QByteArray("7"));
    QCOMPARE(ini::lookup(content, "Settings", "Setting"), QByteArray("19200,n,8,1"));
    QCOMPARE(ini::lookup(content, "LCD", "BL"), QByteArray("250"));
    QCOMPARE(ini::lookup(content, "MSG", "M1"), QByteArray("first"));
    QCOMPARE(ini::lookup(content, "MSG", "M2"), QByteArray("second"));
    QCOMPARE(ini::lookup(content, "UDC", "UCHAR1R1"), QByteArray("31"));
    QCOMPARE(ini::lookup(content, "UDC", "UCHAR8R8"), QByteArray("0"));
    // One header per section, one line per key.
    QCOMPARE(content.count('['), 4);
    QCOMPARE(content.count('\n'), 4 + 7);
}

QTEST_GUILESS_MAIN(TestIniFile)
#include "tst_inifile.moc"
