#pragma once

#include <QString>

namespace bench {

/// The "responsive" group: the window's thread while an edit waits on another connection's
/// write lock (4 s on the deep file, 10 s on a throw-away server), and the cost of running
/// store calls off that thread, per call and on a load's read, against a store used directly.
void responsiveCases(int runs, const QString& deep);

} // namespace bench
