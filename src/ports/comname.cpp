#include "ports/comname.h"

#include <algorithm>

namespace ports
{

QString ComName::problem() const
{
    switch (kind) {
    case Kind::LeadingZero:
        return QStringLiteral("write it COM%1").arg(number);
    case Kind::Zero:
        return QStringLiteral("ports are numbered from COM1");
    case Kind::TooLarge:
        return QStringLiteral("ports end at COM%1").arg(kLastPort);
    case Kind::NotCom:
    case Kind::Port:
        break;
    }
    return {};
}

ComName readComName(QStringView text)
{
    if (text.size() < 4 || !text.startsWith(u"COM", Qt::CaseInsensitive))
        return {};
    const QStringView digits = text.sliced(3);
    qint64 number = 0;
    for (QChar c : digits) {
        if (c < u'0' || c > u'9')
            return {};
        // Past the last port the digits only need to be digits: no overflow to wrap round.
        number = std::min<qint64>(number * 10 + (c.unicode() - u'0'), kLastPort + 1);
    }
    if (number == 0)
        return {ComName::Kind::Zero};
    if (number > kLastPort)
        return {ComName::Kind::TooLarge};
    if (digits.startsWith(u'0'))
        return {ComName::Kind::LeadingZero, static_cast<int>(number)};
    return {ComName::Kind::Port, static_cast<int>(number)};
}

} // namespace ports
