#pragma once

#include <QString>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace bench {

/// The median of the runs' times.
inline double median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    return n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
}

/// One row of the table: the case, its runs, their median and range in milliseconds.
inline void printRow(const QString& name, const std::vector<double>& ms) {
    const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
    std::printf("%-52s %5zu %10.2f %10.2f-%-10.2f\n", qPrintable(name), ms.size(), median(ms),
                *lo, *hi);
    std::fflush(stdout);
}

} // namespace bench
