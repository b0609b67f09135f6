#pragma once

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace bench {

/// The median of the runs' times.
inline double median(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const size_t n = ms.size();
    return n % 2 ? ms[n / 2] : (ms[n / 2 - 1] + ms[n / 2]) / 2;
}

/// The times of `runs` runs of `work`, in milliseconds.
inline std::vector<double> timedRuns(int runs, const std::function<void()>& work) {
    std::vector<double> ms;
    for (int run = 0; run < runs; ++run) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return ms;
}

/// One row of the table: the case, its runs, their median and range in milliseconds.
inline void printRow(const QString& name, const std::vector<double>& ms) {
    const auto [lo, hi] = std::minmax_element(ms.begin(), ms.end());
    std::printf("%-52s %5zu %10.2f %10.2f-%-10.2f\n", qPrintable(name), ms.size(), median(ms),
                *lo, *hi);
    std::fflush(stdout);
}

} // namespace bench
