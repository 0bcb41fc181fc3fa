#include "benchrow.h"

#include <algorithm>

double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const double rank = p * double(values.size() - 1);
    const auto low = std::size_t(rank);
    const std::size_t high = std::min(low + 1, values.size() - 1);
    return values[low] + (values[high] - values[low]) * (rank - double(low));
}

double median(const std::vector<double> &values)
{
    return percentile(values, 0.5);
}

QString number(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

QString spread(const std::vector<double> &values, int decimals, const QString &unit)
{
    if (values.empty())
        return QStringLiteral("no data");
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    return QStringLiteral("%1-%2 %3 (n=%4)")
        .arg(number(*lo, decimals), number(*hi, decimals), unit)
        .arg(values.size());
}

QString verdict(bool met)
{
    return met ? QStringLiteral("PASS") : QStringLiteral("FAIL");
}
