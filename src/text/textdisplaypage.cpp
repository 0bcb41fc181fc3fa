#include "text/textdisplaypage.h"

#include "link/transmitter.h"
#include "protocol/protocol.h"
#include "text/asciiinputbox.h"
#include "widgets/controls.h"
#include "widgets/twips.h"

#include <QFont>

using namespace controls;
using twips::element;

TextDisplayPage::TextDisplayPage(PageContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    txtASCIIInput = twips::make<AsciiInputBox>(this, QStringLiteral("txtASCIIInput"));
    QFont big = txtASCIIInput->font();
    big.setPointSizeF(14.25);
    txtASCIIInput->setFont(big);
    txtASCIIInput->setAlignment(Qt::AlignCenter);
    setTextFill(txtASCIIInput, fromBgr(0x00FF00));
    twips::place(txtASCIIInput, 240, 120, 1815, 495);
    Label3 = label(this, QStringLiteral("Label3"),
                   QStringLiteral("Type Here to Send ASCII Text to LCD"), 240, 660, 1815, 615);
    Label3->setWordWrap(true);
    Label3->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    labelBy(txtASCIIInput, Label3);
    connect(txtASCIIInput, &AsciiInputBox::KeyPress, this,
            &TextDisplayPage::txtASCIIInput_KeyPress);

    const QStringList commandCaptions = {QStringLiteral("Cursor Home"), QStringLiteral("Next Line"),
                                         QStringLiteral("Clear LCD")};
    for (int i = 0; i < 3; ++i) {
        cmdCommand[i] = button(this, element("cmdCommand", i), commandCaptions[i], 2280 + 1200 * i,
                               120, 1095, 435);
        connect(cmdCommand[i], &QPushButton::clicked, this, [this, i] { cmdCommand_Click(i); });
    }
    cmdBackSp = button(this, QStringLiteral("cmdBackSp"), QStringLiteral("Back Space"), 4680, 600,
                       1095, 435);
    connect(cmdBackSp, &QPushButton::clicked, this, &TextDisplayPage::cmdBackSp_Click);

    Label12 = label(this, QStringLiteral("Label12"), QStringLiteral("Insert Custom Character"),
                    2280, 1140, 3000, 255);
    for (int i = 0; i < 8; ++i) {
        cmdCustomChar[i] = button(this, element("cmdCustomChar", i), QString::number(i),
                                  2280 + 420 * i, 1440, 375, 375);
        connect(cmdCustomChar[i], &QPushButton::clicked, this,
                [this, i] { cmdCustomChar_Click(i); });
        // "3" alone says nothing away from the caption above the row.
        cmdCustomChar[i]->setAccessibleName(Label12->text() + QLatin1Char(' ') +
                                            cmdCustomChar[i]->text());
    }

    QStringList specials;
    for (int code = proto::kFirstSpecialChar; code <= proto::kLastSpecialChar; ++code)
        specials << QStringLiteral("0x") + QString::number(code, 16).toUpper();
    cboSpecial = list(this, QStringLiteral("cboSpecial"), specials, 2280, 2010, 1095);
    cmdSC = button(this, QStringLiteral("cmdSC"), QStringLiteral("Insert Special Character"), 3480,
                   1965, 2295, 405);
    connect(cmdSC, &QPushButton::clicked, this, &TextDisplayPage::cmdSC_Click);

    cmdLoadCC = button(this, QStringLiteral("cmdLoadCC"),
                       QStringLiteral("Load Custom Characters Bitmap"), 480, 1680, 1335, 735);
    connect(cmdLoadCC, &QPushButton::clicked, this, &TextDisplayPage::cmdLoadCC_Click);

    const QStringList clearCaptions = {QStringLiteral("Clear Selected Row"),
                                       QStringLiteral("Clear Selected Column")};
    for (int i = 0; i < 2; ++i) {
        cmdClrCR[i] =
            button(this, element("cmdClrCR", i), clearCaptions[i], 6240, 120 + 480 * i, 2415, 435);
        connect(cmdClrCR[i], &QPushButton::clicked, this, [this, i] { cmdClrCR_Click(i); });
    }

    cmdDisTxt =
        button(this, QStringLiteral("cmdDisTxt"),
               QStringLiteral("Display Predefined Message on selected Row"), 6240, 1680, 2775, 735);
    connect(cmdDisTxt, &QPushButton::clicked, this, &TextDisplayPage::cmdDisTxt_Click);
    cboPMsg =
        list(this, QStringLiteral("cboPMsg"), numbers(1, proto::kMessageCount), 9120, 1890, 855);
    // Each list stands beside the button that uses its item.
    labelBy(cboSpecial, cmdSC->text());
    labelBy(cboPMsg, cmdDisTxt->text());
}

void TextDisplayPage::txtASCIIInput_KeyPress(int code)
{
    m_context.tx.sendFrame(proto::typedCharacter(code));
}

void TextDisplayPage::cmdCommand_Click(int index)
{
    m_context.tx.sendFrame(proto::screenCommand(index));
}

void TextDisplayPage::cmdBackSp_Click()
{
    m_context.tx.sendFrame(proto::backSpace());
}

void TextDisplayPage::cmdCustomChar_Click(int index)
{
    m_context.tx.sendFrame(proto::customCharacter(index));
}

void TextDisplayPage::cmdSC_Click()
{
    m_context.tx.sendFrame(proto::specialCharacter(cboSpecial->currentIndex()));
}

void TextDisplayPage::cmdLoadCC_Click()
{
    m_context.tx.sendFrame(proto::loadCustomChars());
}

void TextDisplayPage::cmdClrCR_Click(int index)
{
    const QComboBox *source = index == 0 ? m_context.cboRow : m_context.cboColumn;
    m_context.tx.sendFrame(proto::clearRowOrColumn(index, source->currentIndex()));
}

void TextDisplayPage::cmdDisTxt_Click()
{
    m_context.tx.sendFrame(
        proto::showMessage(m_context.cboRow->currentIndex(), cboPMsg->currentIndex() + 1));
}
