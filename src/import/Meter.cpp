#include "import/Meter.h"

#include "store/StoreError.h"

#include <QCoreApplication>
#include <algorithm>

namespace import {

void Meter::phase(qint64 from, qint64 to) {
    m_from = from;
    m_to = to;
    m_now = std::max(m_now, from);
}

void Meter::step(qint64 done, qint64 total) {
    const qint64 now = total > 0 ? m_from + (m_to - m_from) * std::min(done, total) / total : m_to;
    m_now = std::max(m_now, now);
    if (m_now != m_shown)
        ask();
}

void Meter::poll() {
    ask();
}

void Meter::finish(bool cancellable) {
    m_now = Total;
    if (cancellable)
        ask();
    else if (m_progress)
        m_progress(m_now, Total);
}

void Meter::ask() {
    m_shown = m_now;
    if (m_progress && !m_progress(m_now, Total))
        throw store::StoreError(store::ImportCancelled,
                                QCoreApplication::translate(
                                    "import", "The import was cancelled; nothing was written."));
}

} // namespace import
