#include "text/cursorcontrolpage.h"

#include "link/transmitter.h"
#include "protocol/protocol.h"
#include "widgets/controls.h"
#include "widgets/twips.h"

using namespace controls;
using twips::element;

CursorControlPage::CursorControlPage(PageContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    Label5 =
        label(this, QStringLiteral("Label5"), QStringLiteral("Cursor Type"), 360, 240, 1575, 255);
    cboCursor =
        list(this, QStringLiteral("cboCursor"),
             {QStringLiteral("Hidden"), QStringLiteral("Underline"), QStringLiteral("Blinking")},
             360, 540, 1575);
    labelBy(cboCursor, Label5);
    cmdSetCursor = button(this, QStringLiteral("cmdSetCursor"), QStringLiteral("Set Cursor Type"),
                          360, 1020, 1575, 435);
    connect(cmdSetCursor, &QPushButton::clicked, this, &CursorControlPage::cmdSetCursor_Click);

    cmdSetPos = button(this, QStringLiteral("cmdSetPos"),
                       QStringLiteral("Set Cursor Position at Selected Row and Column"), 2520, 540,
                       3015, 735);
    connect(cmdSetPos, &QPushButton::clicked, this, &CursorControlPage::cmdSetPos_Click);

    const QStringList moveCaptions = {QStringLiteral("Move Cursor One Position Left"),
                                      QStringLiteral("Move Cursor One Position Right")};
    for (int i = 0; i < 2; ++i) {
        cmdCurLR[i] =
            button(this, element("cmdCurLR", i), moveCaptions[i], 6360, 240 + 720 * i, 3255, 495);
        connect(cmdCurLR[i], &QPushButton::clicked, this, [this, i] { cmdCurLR_Click(i); });
    }
}

void CursorControlPage::cmdSetCursor_Click()
{
    m_context.tx.sendFrame(proto::cursorType(cboCursor->currentIndex()));
}

void CursorControlPage::cmdSetPos_Click()
{
    m_context.tx.sendFrame(
        proto::setPosition(m_context.cboRow->currentIndex(), m_context.cboColumn->currentIndex()));
}

void CursorControlPage::cmdCurLR_Click(int index)
{
    m_context.tx.sendFrame(proto::cursorMove(index));
}
