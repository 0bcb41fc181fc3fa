#include "io/indicator.h"

#include "widgets/controls.h"

Indicator::Indicator(const QString &what, const Words &words, const QColor &startFill,
                     QWidget *parent)
    : QFrame(parent), m_what(what), m_words(words)
{
    setFrameShape(QFrame::Box);
    setLineWidth(1);
    controls::setFill(this, startFill);
    nameState();
}

void Indicator::showBit(bool set)
{
    m_bit = set;
    controls::setFill(this, controls::fromBgr(set ? kBitSetColour : kBitClearColour));
    nameState();
}

void Indicator::nameState()
{
    const QString state = !m_bit ? QStringLiteral("unknown") : *m_bit ? m_words.set : m_words.clear;
    const QString name = m_what + QStringLiteral(": ") + state;
    // Every status reply rewrites every indicator; only a bit that changed is news.
    if (accessibleName() != name)
        setAccessibleName(name);
}
