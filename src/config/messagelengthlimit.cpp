#include "config/messagelengthlimit.h"

#include <algorithm>

MessageLengthLimit::MessageLengthLimit(QLineEdit *box, int limit)
    : QValidator(box), m_box(box), m_limit(limit), m_before(box->text())
{
    connect(box, &QLineEdit::textChanged, this, [this](const QString &text) { m_before = text; });
    box->setValidator(this);
}

void MessageLengthLimit::load(const QString &stored)
{
    m_box->setMaxLength(std::max<int>(m_limit, int(stored.size())));
    // Nothing in it counts as typed.
    m_before = stored;
    m_box->setText(stored);
}

QValidator::State MessageLengthLimit::validate(QString &input, int &pos) const
{
    if (input.size() <= m_limit)
        return Acceptable;
    // The edit replaced what lies between the part both texts begin with and the part both
    // end with. (Where a run of equal characters makes that ambiguous, every reading gives
    // the same text.)
    const qsizetype shorter = std::min(m_before.size(), input.size());
    qsizetype head = 0;
    while (head < shorter && m_before[head] == input[head])
        ++head;
    qsizetype tail = 0;
    while (tail < shorter - head &&
           m_before[m_before.size() - 1 - tail] == input[input.size() - 1 - tail])
        ++tail;
    const qsizetype inserted = input.size() - head - tail;
    if (inserted == 0)
        return Acceptable; // only removed characters from a longer stored text
    const qsizetype room = std::max<qsizetype>(0, m_limit - head - tail);
    input.remove(head + room, inserted - room);
    pos = int(head + room);
    return Acceptable;
}
