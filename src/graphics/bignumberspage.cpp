#include "graphics/bignumberspage.h"

#include "link/transmitter.h"
#include "protocol/bignumber.h"
#include "protocol/protocol.h"
#include "widgets/controls.h"
#include "widgets/twips.h"

using namespace controls;

BigNumbersPage::BigNumbersPage(PageContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    cmdInitBN = button(this, QStringLiteral("cmdInitBN"), QStringLiteral("Load Big Numbers Bitmap"),
                       480, 600, 2415, 495);
    connect(cmdInitBN, &QPushButton::clicked, this, &BigNumbersPage::cmdInitBN_Click);

    txtBN = textBox(this, QStringLiteral("txtBN"), proto::kBigNumberWidth, 3240, 540, 1455, 570);
    QFont big = txtBN->font();
    big.setPointSizeF(14.25);
    txtBN->setFont(big);
    txtBN->setAccessibleName(QStringLiteral("Number to draw"));

    cmdDrawBN = button(this, QStringLiteral("cmdDrawBN"), QStringLiteral("Draw Big Numbers"), 5040,
                       600, 2055, 495);
    connect(cmdDrawBN, &QPushButton::clicked, this, &BigNumbersPage::cmdDrawBN_Click);
}

void BigNumbersPage::cmdInitBN_Click()
{
    m_context.tx.sendFrame(proto::loadBigNumbers());
}

void BigNumbersPage::cmdDrawBN_Click()
{
    if (!proto::bignumber::isNumeric(txtBN->text())) {
        openMessage(window(), QStringLiteral("Numeric Value Only"),
                    QStringLiteral("NumericValueOnlyBox"));
        return;
    }
    txtBN->setText(proto::bignumber::rightAligned(txtBN->text()));
    const auto codes = proto::bignumber::codes(txtBN->text());
    if (codes)
        m_context.tx.sendFrame(proto::bigNumber(*codes));
}
