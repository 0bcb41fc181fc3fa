#include "graphics/customcharacterspage.h"

#include "graphics/glyphcell.h"
#include "link/transmitter.h"
#include "protocol/protocol.h"
#include "settings/settingsfile.h"
#include "widgets/controls.h"
#include "widgets/twips.h"

#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>

#include <algorithm>

using namespace controls;

namespace
{

QString rowLabelText(std::uint8_t value)
{
    return QStringLiteral("0x") +
           QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

} // namespace

CustomCharactersPage::CustomCharactersPage(PageContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    // The frame stands 840 twips down its tab, which includes the tab strip above the page.
    Frame2 = frame(this, QStringLiteral("Frame2"), QStringLiteral("User's Defined Characters"), 360,
                   120, 9135, 2415);
    for (int n = 1; n <= 8; ++n) {
        for (int c = 0; c < 5; ++c) {
            const int weight = kWeights[static_cast<std::size_t>(c)];
            auto *cell = new GlyphCell(n, c + 1, weight, Frame2);
            cell->setObjectName(QStringLiteral("bitmapr%1(%2)").arg(n).arg(weight));
            twips::place(cell, 360 + 120 * c, 360 + 120 * (n - 1), 135, 135);
            // However the cell turns (click, key, screen reader, the page), its row follows.
            connect(cell, &GlyphCell::toggled, this,
                    [this, n, weight](bool on) { cellToggled(n, weight, on); });
            connect(cell, &GlyphCell::focused, this, [this, cell] { makeTabStop(cell); });
            bitmapr[static_cast<std::size_t>(n - 1)][static_cast<std::size_t>(c)] = cell;
        }
        QLabel *value = label(Frame2, QStringLiteral("lblrow%1").arg(n), QStringLiteral("0x00"),
                              1320, 360 + 240 * (n - 1), 495, 255);
        // The caption is the value; the description says whose.
        value->setAccessibleDescription(QStringLiteral("Row %1 value").arg(n));
        lblrow[static_cast<std::size_t>(n - 1)] = value;
    }
    makeTabStop(bitmapr[0][0]);
    Label18 = label(Frame2, QStringLiteral("Label18"),
                    QStringLiteral("Click to generate bitmap code"), 120, 1560, 975, 615);
    Label18->setWordWrap(true);
    cmdSet = button(Frame2, QStringLiteral("cmdSet"), QStringLiteral("Set All Pixels"), 2640, 840,
                    735, 495);
    cmdClr = button(Frame2, QStringLiteral("cmdClr"), QStringLiteral("Clear All Pixels"), 2640,
                    1440, 735, 495);
    Label17 =
        label(Frame2, QStringLiteral("Label17"), QStringLiteral("Position"), 3120, 360, 615, 255);
    // "Position" alone says too little when heard away from the grid.
    Label17->setAccessibleName(QStringLiteral("Custom character position"));
    cboUCH = list(Frame2, QStringLiteral("cboUCH"), numbers(1, proto::kGlyphSlots), 3840, 360, 615);
    labelBy(cboUCH, Label17);
    cmdLoadBitmap = button(Frame2, QStringLiteral("cmdLoadBitmap"), QStringLiteral("Load Bitmap"),
                           3720, 840, 735, 495);
    cmdSaveBitmap = button(Frame2, QStringLiteral("cmdSaveBitmap"), QStringLiteral("Save Bitmap"),
                           3720, 1440, 735, 495);
    cmdSendBitmap = button(Frame2, QStringLiteral("cmdSendBitmap"),
                           QStringLiteral("Set Bitmap to LCD"), 5040, 840, 1815, 495);
    // The upload is the saved table, never the grid: a drawing sent before it was saved
    // arrives as the old character, which a first-time user takes for a fault.
    cmdSendBitmap->setToolTip(QStringLiteral("Sends the eight saved characters; Save Bitmap "
                                             "stores the grid in the chosen position first"));

    connect(cmdSet, &QPushButton::clicked, this, &CustomCharactersPage::cmdSet_Click);
    connect(cmdClr, &QPushButton::clicked, this, &CustomCharactersPage::cmdClr_Click);
    connect(cmdLoadBitmap, &QPushButton::clicked, this, &CustomCharactersPage::cmdLoadBitmap_Click);
    connect(cmdSaveBitmap, &QPushButton::clicked, this, &CustomCharactersPage::cmdSaveBitmap_Click);
    connect(cmdSendBitmap, &QPushButton::clicked, this, &CustomCharactersPage::cmdSendBitmap_Click);
}

GlyphCell *CustomCharactersPage::cell(int row, int index) const
{
    if (row < 1 || row > 8)
        return nullptr;
    for (std::size_t c = 0; c < kWeights.size(); ++c) {
        if (kWeights[c] == index)
            return bitmapr[static_cast<std::size_t>(row - 1)][c];
    }
    return nullptr;
}

void CustomCharactersPage::showRowValue(int row)
{
    lblrow[static_cast<std::size_t>(row - 1)]->setText(
        rowLabelText(RowValue[static_cast<std::size_t>(row - 1)]));
}

void CustomCharactersPage::bitmapr_Click(int row, int index)
{
    GlyphCell *target = cell(row, index);
    if (!target)
        return;
    target->toggle();
}

void CustomCharactersPage::cellToggled(int row, int weight, bool on)
{
    std::uint8_t &value = RowValue[static_cast<std::size_t>(row - 1)];
    value = static_cast<std::uint8_t>(on ? value | weight : value & ~weight);
    showRowValue(row);
}

void CustomCharactersPage::cmdSet_Click()
{
    for (const auto &row : bitmapr) {
        for (GlyphCell *c : row)
            c->setChecked(true);
    }
}

void CustomCharactersPage::cmdClr_Click()
{
    for (const auto &row : bitmapr) {
        for (GlyphCell *c : row)
            c->setChecked(false);
    }
}

void CustomCharactersPage::makeTabStop(GlyphCell *current)
{
    for (const auto &row : bitmapr) {
        for (GlyphCell *c : row)
            c->setFocusPolicy(c == current ? Qt::StrongFocus : Qt::ClickFocus);
    }
}

void CustomCharactersPage::keyPressEvent(QKeyEvent *event)
{
    // A key a cell did not use: the arrows, Home and End move the focus across the grid.
    auto *from = qobject_cast<GlyphCell *>(focusWidget());
    if (!from || !from->hasFocus() ||
        (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    int row = from->row();
    int column = from->column();
    switch (event->key()) {
    case Qt::Key_Left:
        --column;
        break;
    case Qt::Key_Right:
        ++column;
        break;
    case Qt::Key_Up:
        --row;
        break;
    case Qt::Key_Down:
        ++row;
        break;
    case Qt::Key_Home:
        column = 1;
        break;
    case Qt::Key_End:
        column = static_cast<int>(kWeights.size());
        break;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    // At an edge the focus stays put, as in a list.
    row = std::clamp(row, 1, static_cast<int>(bitmapr.size()));
    column = std::clamp(column, 1, static_cast<int>(kWeights.size()));
    bitmapr[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column - 1)]->setFocus(
        Qt::OtherFocusReason);
    event->accept();
}

void CustomCharactersPage::cmdSaveBitmap_Click()
{
    const int slot = cboUCH->currentIndex();
    if (slot < 0)
        return;
    table.saveSlot(slot, RowValue, m_context.settings);
}

void CustomCharactersPage::cmdLoadBitmap_Click()
{
    cmdClr_Click();
    const int slot = cboUCH->currentIndex();
    if (slot < 0)
        return;
    const GlyphTable::Rows rows = table.slot(slot);
    for (int r = 1; r <= 8; ++r) {
        for (int weight : {1, 2, 4, 8, 16}) {
            if (rows[static_cast<std::size_t>(r - 1)] & weight)
                bitmapr_Click(r, weight);
        }
    }
}

void CustomCharactersPage::cmdSendBitmap_Click()
{
    m_context.tx.sendFrame(proto::setCustomChars(table.UCharTable));
}

void CustomCharactersPage::loadGlyphTable()
{
    table.load(m_context.settings);
}
