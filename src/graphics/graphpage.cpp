#include "graphics/graphpage.h"

#include "link/transmitter.h"
#include "protocol/protocol.h"
#include "widgets/controls.h"
#include "widgets/twips.h"

using namespace controls;
using twips::element;

GraphPage::GraphPage(PageContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    const QStringList initCaptions = {QStringLiteral("Initialize Horizontal Graph"),
                                      QStringLiteral("Initialize Vertical Graph")};
    for (int i = 0; i < 2; ++i) {
        cmdInitGraph[i] = button(this, element("cmdInitGraph", i), initCaptions[i], 240,
                                 240 + 1320 * i, 2415, 495);
        connect(cmdInitGraph[i], &QPushButton::clicked, this, [this, i] { cmdInitGraph_Click(i); });
    }

    Label13 = label(this, QStringLiteral("Label13"), QStringLiteral("Graph Width (Max 100 )"), 2760,
                    120, 2175, 255);
    cboGraphWidth = list(this, QStringLiteral("cboGraphWidth"), numbers(1, proto::kMaxBarWidth),
                         2760, 420, 1095);
    labelBy(cboGraphWidth, Label13);
    const QStringList directionCaptions = {QStringLiteral("Left to Right Horizontal Graph"),
                                           QStringLiteral("Right to Left Horizontal Graph")};
    for (int i = 0; i < 2; ++i) {
        cmdHGraph[i] = button(this, element("cmdHGraph", i), QStringLiteral("Draw"), 5280,
                              240 + 600 * i, 855, 435);
        connect(cmdHGraph[i], &QPushButton::clicked, this, [this, i] { cmdHGraph_Click(i); });
        // "Draw" alone says nothing away from the caption beside it.
        cmdHGraph[i]->setAccessibleName(cmdHGraph[i]->text() + QLatin1Char(' ') +
                                        directionCaptions[i]);
    }
    Label14 = label(this, QStringLiteral("Label14"), directionCaptions[0], 6240, 330, 3135, 255);
    Label15 = label(this, QStringLiteral("Label15"), directionCaptions[1], 6240, 930, 3135, 255);

    Label16 = label(this, QStringLiteral("Label16"), QStringLiteral("Graph Height (MAX 32)"), 2760,
                    1440, 2175, 255);
    cboGraphHeight = list(this, QStringLiteral("cboGraphHeight"), numbers(1, proto::kMaxBarHeight),
                          2760, 1740, 1095);
    labelBy(cboGraphHeight, Label16);
    cmdVertical = button(this, QStringLiteral("cmdVertical"), QStringLiteral("Draw Vertical Graph"),
                         5280, 1560, 2295, 495);
    connect(cmdVertical, &QPushButton::clicked, this, &GraphPage::cmdVertical_Click);
}

void GraphPage::cmdInitGraph_Click(int index)
{
    m_context.tx.sendFrame(proto::initBarGraph(index));
}

void GraphPage::cmdHGraph_Click(int index)
{
    m_context.tx.sendFrame(proto::horizontalBar(index, cboGraphWidth->currentIndex() + 1));
}

void GraphPage::cmdVertical_Click()
{
    m_context.tx.sendFrame(proto::verticalBar(m_context.cboColumn->currentIndex(),
                                              cboGraphHeight->currentIndex() + 1));
}
