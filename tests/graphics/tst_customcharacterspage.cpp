// The glyph editor on its tab, driven by mouse clicks on the cells: row values and labels,
// the glyph table read at start-up, Save/Load Bitmap through the real settings file, and
// the 66-byte upload on a pseudo-terminal standing in for the module.

#include "app/frmmain.h"
#include "framecheck.h"
#include "graphics/customcharacterspage.h"
#include "graphics/glyphcell.h"
#include "widgets/controls.h"
#include "windowfixture.h"

#include <QComboBox>
#include <QLabel>
#include <QRegularExpression>
#include <QTest>

#include <memory>

namespace
{

using Glyph = std::array<int, 8>;

constexpr std::array<int, 5> kWeights = {16, 8, 4, 2, 1};
constexpr unsigned kOff = 0x80FF80;
constexpr unsigned kOn = 0x000000;

const Glyph kBox = {31, 17, 17, 17, 17, 17, 17, 31};

QList<int> asList(const Glyph &glyph)
{
    return QList<int>(glyph.begin(), glyph.end());
}

QString cellName(int row, int weight)
{
    return QStringLiteral("bitmapr%1(%2)").arg(row).arg(weight);
}

// A whole UDC section: slot 2 holds a box, every other key holds 0.
QByteArray iniWithBoxInSlotTwo()
{
    QByteArray ini = "[Settings]\r\nComPort=3\r\nSettings=9600,n,8,1\r\n[UDC]\r\n";
    for (int n = 1; n <= 8; ++n) {
        for (int m = 1; m <= 8; ++m)
            ini += QStringLiteral("UCHAR%1R%2=%3\r\n")
                       .arg(n)
                       .arg(m)
                       .arg(n == 2 ? kBox[std::size_t(m - 1)] : 0)
                       .toLatin1();
    }
    return ini;
}

QByteArray uploadFrame(const QByteArray &table)
{
    return QByteArray("\xFE\x64", 2) + table;
}

QByteArray tableWith(int slot, const Glyph &glyph, QByteArray table = QByteArray(64, '\0'))
{
    for (int r = 0; r < 8; ++r)
        table[slot * 8 + r] = char(glyph[std::size_t(r)]);
    return table;
}

} // namespace

using namespace framecheck;

class CustomCharactersPageTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();

    void opensEmptyOnSlotOneWhateverTheFileHolds();
    void uploadSendsTheTableReadAtStartUp_data();
    void uploadSendsTheTableReadAtStartUp();
    void togglingTwiceRestoresTheRow_data();
    void togglingTwiceRestoresTheRow();
    void rowValueFollowsTheCellsOn_data();
    void rowValueFollowsTheCellsOn();
    void setAllThenOneClick();
    void clearAllOnEmptyGridChangesNothing();
    void saveWritesTheSlotAndLoadDrawsItBack();
    void loadShowsWhatStartUpRead();

    void damagedFileStillStartsAndFullByteLoadsAsFullRow();

private:
    CustomCharactersPage &page() { return m_f->page<CustomCharactersPage>(); }
    unsigned colour(int row, int weight)
    {
        return controls::toBgr(controls::fill(page().cell(row, weight)));
    }
    // The rows as the cells' colours show them; -1 for a row with a cell in neither colour.
    Glyph gridFromColours();
    QStringList labels();
    Glyph rowValues();
    void draw(const Glyph &glyph);
    void verifyShows(const Glyph &glyph);

    std::unique_ptr<WindowFixture> m_f;
};

void CustomCharactersPageTest::initTestCase()
{
    m_f = std::make_unique<WindowFixture>(iniWithBoxInSlotTwo());
    QVERIFY(m_f->connect());
}

void CustomCharactersPageTest::cleanupTestCase()
{
    m_f.reset();
}

Glyph CustomCharactersPageTest::gridFromColours()
{
    Glyph rows{};
    for (int r = 1; r <= 8; ++r) {
        for (int w : kWeights) {
            const unsigned c = colour(r, w);
            if (c == kOn)
                rows[std::size_t(r - 1)] += w;
            else if (c != kOff)
                rows[std::size_t(r - 1)] = -1000;
        }
    }
    return rows;
}

QStringList CustomCharactersPageTest::labels()
{
    QStringList texts;
    for (int r = 1; r <= 8; ++r)
        texts << m_f->find<QLabel>(QStringLiteral("lblrow%1").arg(r))->text();
    return texts;
}

Glyph CustomCharactersPageTest::rowValues()
{
    Glyph values{};
    for (int r = 0; r < 8; ++r)
        values[std::size_t(r)] = page().rowValues()[std::size_t(r)];
    return values;
}

void CustomCharactersPageTest::draw(const Glyph &glyph)
{
    for (int r = 1; r <= 8; ++r) {
        for (int w : kWeights) {
            if (glyph[std::size_t(r - 1)] & w)
                m_f->click(cellName(r, w));
        }
    }
}

// Cells, row values and labels all tell the same glyph.
void CustomCharactersPageTest::verifyShows(const Glyph &glyph)
{
    QCOMPARE(asList(gridFromColours()), asList(glyph));
    QCOMPARE(asList(rowValues()), asList(glyph));
    QStringList expected;
    for (int v : glyph)
        expected << QStringLiteral("0x") +
                        QString::number(v, 16).rightJustified(2, QLatin1Char('0')).toUpper();
    QCOMPARE(labels(), expected);
}

void CustomCharactersPageTest::opensEmptyOnSlotOneWhateverTheFileHolds()
{
    verifyShows({});
    QCOMPARE(m_f->find<QComboBox>(QStringLiteral("cboUCH"))->currentText(), QStringLiteral("1"));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(page().glyphTable().UCharTable.data()), 64),
             tableWith(1, kBox));
}

// The upload sends the table as start-up read it from the file, whatever the grid shows and
// whichever slot is chosen; neither the choice nor the upload touches the grid.
void CustomCharactersPageTest::uploadSendsTheTableReadAtStartUp_data()
{
    QTest::addColumn<QList<int>>("drawing"); // on the grid before the click
    QTest::addColumn<QString>("selections");
    QTest::addColumn<int>("clicks");

    const QList<int> arrow = {4, 14, 31, 4, 4, 4, 4, 0};
    QTest::newRow("at start-up") << QList<int>(8, 0) << "" << 1;
    QTest::newRow("a drawing on the grid, slot 2 chosen") << arrow << "cboUCH=1" << 1;
    QTest::newRow("slot 8 chosen, twice") << arrow << "cboUCH=7" << 2;
    QTest::newRow("slot 1 chosen again") << arrow << "cboUCH=0" << 1;
}

void CustomCharactersPageTest::uploadSendsTheTableReadAtStartUp()
{
    QFETCH(QList<int>, drawing);
    QFETCH(QString, selections);
    QFETCH(int, clicks);
    Glyph glyph{};
    std::copy(drawing.begin(), drawing.end(), glyph.begin());
    m_f->click(QStringLiteral("cmdClr"));
    draw(glyph);
    const QByteArray table = QByteArray(8, '\0') + hex("1F1111111111111F") + QByteArray(48, '\0');
    clickSends(*m_f, selections, QStringLiteral("cmdSendBitmap"), clicks, hex("FE64") + table);
    verifyShows(glyph);
}

void CustomCharactersPageTest::togglingTwiceRestoresTheRow_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("weight");
    QTest::addColumn<int>("before"); // the row's other cells that are on
    QTest::newRow("leftmost of empty row 1") << 1 << 16 << 0;
    QTest::newRow("middle of row 4 beside others") << 4 << 4 << 0x1B;
    QTest::newRow("rightmost of row 8 beside others") << 8 << 1 << 0x12;
}

void CustomCharactersPageTest::togglingTwiceRestoresTheRow()
{
    QFETCH(int, row);
    QFETCH(int, weight);
    QFETCH(int, before);
    m_f->click(QStringLiteral("cmdClr"));
    Glyph glyph{};
    glyph[std::size_t(row - 1)] = before;
    draw(glyph);
    verifyShows(glyph);

    m_f->click(cellName(row, weight));
    QCOMPARE(colour(row, weight), kOn);
    Glyph once = glyph;
    once[std::size_t(row - 1)] = before | weight;
    verifyShows(once);

    m_f->click(cellName(row, weight));
    QCOMPARE(colour(row, weight), kOff);
    verifyShows(glyph);
}

void CustomCharactersPageTest::rowValueFollowsTheCellsOn_data()
{
    QTest::addColumn<QList<int>>("cells");
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("label");
    QTest::newRow("leftmost") << QList<int>{16} << 0x10 << QStringLiteral("0x10");
    QTest::newRow("rightmost") << QList<int>{1} << 0x01 << QStringLiteral("0x01");
    QTest::newRow("all five") << QList<int>{16, 8, 4, 2, 1} << 0x1F << QStringLiteral("0x1F");
    QTest::newRow("9") << QList<int>{8, 1} << 9 << QStringLiteral("0x09");
    QTest::newRow("10") << QList<int>{8, 2} << 10 << QStringLiteral("0x0A");
    QTest::newRow("11") << QList<int>{8, 2, 1} << 11 << QStringLiteral("0x0B");
    QTest::newRow("12") << QList<int>{8, 4} << 12 << QStringLiteral("0x0C");
    QTest::newRow("13") << QList<int>{1, 4, 8} << 13 << QStringLiteral("0x0D");
    QTest::newRow("14") << QList<int>{2, 4, 8} << 14 << QStringLiteral("0x0E");
    QTest::newRow("15") << QList<int>{8, 4, 2, 1} << 15 << QStringLiteral("0x0F");
    QTest::newRow("26") << QList<int>{16, 8, 2} << 26 << QStringLiteral("0x1A");
}

void CustomCharactersPageTest::rowValueFollowsTheCellsOn()
{
    QFETCH(QList<int>, cells);
    QFETCH(int, value);
    QFETCH(QString, label);
    m_f->click(QStringLiteral("cmdClr"));
    for (int w : cells)
        m_f->click(cellName(3, w));
    QCOMPARE(labels().at(2), label);
    Glyph expected{};
    expected[2] = value;
    verifyShows(expected);
}

void CustomCharactersPageTest::setAllThenOneClick()
{
    m_f->click(QStringLiteral("cmdClr"));
    m_f->click(QStringLiteral("cmdSet"));
    verifyShows({31, 31, 31, 31, 31, 31, 31, 31});
    m_f->click(cellName(8, 1));
    QCOMPARE(colour(8, 1), kOff);
    QCOMPARE(labels().last(), QStringLiteral("0x1E"));
    verifyShows({31, 31, 31, 31, 31, 31, 31, 30});
}

void CustomCharactersPageTest::clearAllOnEmptyGridChangesNothing()
{
    m_f->click(QStringLiteral("cmdSet"));
    m_f->click(QStringLiteral("cmdClr"));
    verifyShows({});
    m_f->click(QStringLiteral("cmdClr"));
    verifyShows({});
    QCOMPARE(labels(), QStringList(8, QStringLiteral("0x00")));
}

void CustomCharactersPageTest::saveWritesTheSlotAndLoadDrawsItBack()
{
    const Glyph glyph = {0, 31, 17, 10, 4, 10, 17, 16};
    m_f->click(QStringLiteral("cmdClr"));
    draw(glyph);
    QVERIFY(select(*m_f, QStringLiteral("cboUCH=2")));

    const QByteArray before = m_f->iniContent();
    m_f->click(QStringLiteral("cmdSaveBitmap"));
    verifyShows(glyph); // saving leaves the grid alone

    // Only the eight lines of slot 3 change, in place.
    QByteArray expectedFile = before;
    for (int r = 1; r <= 8; ++r)
        expectedFile.replace(
            QStringLiteral("UCHAR3R%1=0\r\n").arg(r).toLatin1(),
            QStringLiteral("UCHAR3R%1=%2\r\n").arg(r).arg(glyph[std::size_t(r - 1)]).toLatin1());
    QCOMPARE(m_f->iniContent(), expectedFile);
    QVERIFY(expectedFile.contains("UCHAR3R1=0\r\nUCHAR3R2=31\r\nUCHAR3R3=17\r\n"));

    const QByteArray table = tableWith(2, glyph, tableWith(1, kBox));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(page().glyphTable().UCharTable.data()), 64),
             table);
    clickSends(*m_f, QString(), QStringLiteral("cmdSendBitmap"), 1, uploadFrame(table));

    // A second press writes the same values: the file does not change.
    m_f->click(QStringLiteral("cmdSaveBitmap"));
    QCOMPARE(m_f->iniContent(), expectedFile);

    // Another slot chosen: the grid stays until Load Bitmap is pressed.
    m_f->click(QStringLiteral("cmdSet"));
    QVERIFY(select(*m_f, QStringLiteral("cboUCH=0 cboUCH=2")));
    verifyShows({31, 31, 31, 31, 31, 31, 31, 31});
    m_f->click(QStringLiteral("cmdLoadBitmap"));
    verifyShows(glyph);
}

void CustomCharactersPageTest::loadShowsWhatStartUpRead()
{
    m_f->click(QStringLiteral("cmdSet"));
    QVERIFY(select(*m_f, QStringLiteral("cboUCH=1")));
    m_f->click(QStringLiteral("cmdLoadBitmap"));
    verifyShows(kBox);

    QVERIFY(select(*m_f, QStringLiteral("cboUCH=0")));
    m_f->click(QStringLiteral("cmdLoadBitmap"));
    verifyShows({});
}

void CustomCharactersPageTest::damagedFileStillStartsAndFullByteLoadsAsFullRow()
{
    // Slot 4 only; all other keys missing.
    const QByteArray ini = "[UDC]\r\nUCHAR4R1=255\r\nUCHAR4R2=abc\r\nUCHAR4R3=256\r\n"
                           "UCHAR4R4= 17 \r\nUCHAR4R5=-1\r\nUCHAR4R6=17.0\r\nUCHAR4R7=\r\n";
    for (const char *damaged : {"UCHAR4R2=abc", "UCHAR4R3=256", "UCHAR4R5=-1", "UCHAR4R6=17.0"})
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("\\[UDC\\] ") +
                                                              QLatin1String(damaged)));
    WindowFixture f(ini, 4);
    QVERIFY(f.connect());
    CustomCharactersPage &other = f.page<CustomCharactersPage>();
    QCOMPARE(int(other.rowValues()[0]), 0);

    QVERIFY(select(f, QStringLiteral("cboUCH=3")));
    f.click(QStringLiteral("cmdLoadBitmap"));
    for (int w : kWeights)
        QCOMPARE(controls::toBgr(controls::fill(other.cell(1, w))), kOn);
    QCOMPARE(int(other.rowValues()[0]), 31);
    QCOMPARE(int(other.rowValues()[3]), 17);
    QCOMPARE(control<QLabel>(other, QStringLiteral("lblrow1"))->text(), QStringLiteral("0x1F"));
    QCOMPARE(control<QLabel>(other, QStringLiteral("lblrow2"))->text(), QStringLiteral("0x00"));
    QCOMPARE(control<QLabel>(other, QStringLiteral("lblrow4"))->text(), QStringLiteral("0x11"));

    clickSends(f, QString(), QStringLiteral("cmdSendBitmap"), 1,
               uploadFrame(QByteArray(24, '\0') + hex("FF00001100000000") + QByteArray(32, '\0')));
}

QTEST_MAIN(CustomCharactersPageTest)
#include "tst_customcharacterspage.moc"
