#pragma once
// Tab page "Custom Characters": the 5x8 glyph editor, the glyph table's slots and the
// upload of all eight glyphs to the module.
//
// Each cell knows whether it is on; RowValue1..8 always equal the sum of the weights (16, 8,
// 4, 2, 1 from left to right) of the row's cells that are on, and lblrow1..8 show them as
// "0x" and two hex digits. "Save Bitmap" copies the rows into the selected slot of the table
// and the settings file; "Load Bitmap" draws a slot back through the same toggle a click
// performs; "Set Bitmap to LCD" sends the table, not the grid.
//
// From the keyboard the grid is one stop on the Tab path, entered at the cell last used; the
// arrow keys, Home and End move across it and Space or Enter toggles a cell.

#include <array>
#include <cstdint>

#include <QWidget>

#include "graphics/glyphcell.h"
#include "settings/glyphtable.h"
#include "widgets/pagecontext.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

class CustomCharactersPage : public QWidget
{
    Q_OBJECT
public:
    static constexpr std::array<int, 5> kWeights = {16, 8, 4, 2, 1};

    CustomCharactersPage(PageContext &context, QWidget *parent = nullptr);

    // Toggle cell: row 1..8, index one of 16, 8, 4, 2, 1 (anything else does nothing).
    void bitmapr_Click(int row, int index);
    void cmdSet_Click();
    void cmdClr_Click();
    void cmdSaveBitmap_Click();
    void cmdLoadBitmap_Click();
    void cmdSendBitmap_Click();

    // Start-up: the table from section UDC; the grid stays empty.
    void loadGlyphTable();

    GlyphCell *cell(int row, int index) const;
    // RowValue1..RowValue8: each row's cells that are on, by weight.
    const std::array<std::uint8_t, 8> &rowValues() const { return RowValue; }
    const GlyphTable &glyphTable() const { return table; }

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    QGroupBox *Frame2 = nullptr;
    // bitmapr[N-1][c] is bitmaprN(kWeights[c]).
    std::array<std::array<GlyphCell *, 5>, 8> bitmapr{};
    std::array<QLabel *, 8> lblrow{};
    std::array<std::uint8_t, 8> RowValue{};
    QLabel *Label18 = nullptr;
    QLabel *Label17 = nullptr;
    QComboBox *cboUCH = nullptr;
    QPushButton *cmdSet = nullptr;
    QPushButton *cmdClr = nullptr;
    QPushButton *cmdLoadBitmap = nullptr;
    QPushButton *cmdSaveBitmap = nullptr;
    QPushButton *cmdSendBitmap = nullptr;
    GlyphTable table;

    void cellToggled(int row, int weight, bool on);
    void showRowValue(int row);
    // Only this cell takes Tab focus, so Tab passes the grid in one step and comes back to
    // where the user left it.
    void makeTabStop(GlyphCell *current);

    PageContext &m_context;
};
