#pragma once

#include "import/Import.h"

namespace import {

/// Turns the steps of an import's phases into thousandths for the caller's Progress and
/// turns a false answer into store::ImportCancelled.
class Meter {
public:
    static constexpr qint64 Total = 1000;

    explicit Meter(const Progress& progress) : m_progress(progress) {}

    /// The next steps fill the thousandths [from, to).
    void phase(qint64 from, qint64 to);
    /// `done` of `total` steps of the current phase; asks the caller only when the
    /// thousandth changes, so it is cheap to call per row.
    void step(qint64 done, qint64 total);
    /// Asks the caller again with the current figure: for waits that make no steps.
    void poll();
    /// The work is done. Not `cancellable` once what it wrote is in place: the caller is told
    /// of the end, and a Cancel then means nothing.
    void finish(bool cancellable = true);

private:
    void ask();

    const Progress& m_progress;
    qint64 m_from = 0;
    qint64 m_to = Total;
    qint64 m_shown = -1;
    qint64 m_now = 0;
};

} // namespace import
