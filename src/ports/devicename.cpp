#include "ports/devicename.h"

namespace ports
{

namespace
{

bool isControl(QChar c)
{
    return c.category() == QChar::Other_Control;
}

QString escaped(QChar c)
{
    return QStringLiteral("\\x") +
           QString::number(c.unicode(), 16).toUpper().rightJustified(2, u'0');
}

} // namespace

QString deviceNameProblem(QStringView device)
{
    QString shown;
    QString first;
    for (const QChar c : device) {
        if (!isControl(c)) {
            shown += c;
            continue;
        }
        shown += escaped(c);
        if (first.isEmpty())
            first = escaped(c);
    }
    if (first.isEmpty())
        return {};
    return QStringLiteral("'%1' holds the control character %2").arg(shown, first);
}

} // namespace ports
