#pragma once
// One row of the benchmark's table, and the figures every part of the benchmark writes into
// its rows the same way: medians, spreads and verdicts.

#include <vector>

#include <QString>

struct Row {
    QString name;
    QString median;
    QString range;
    QString target;
    QString verdict; // empty: no target of its own
};

// p from 0 to 1, between neighbouring samples where it falls between them; 0 for no samples.
double percentile(std::vector<double> values, double p);
double median(const std::vector<double> &values);
QString number(double value, int decimals);
// "lo-hi unit (n=count)"
QString spread(const std::vector<double> &values, int decimals, const QString &unit);
QString verdict(bool met);
