#pragma once

#include "BenchData.h"

#include <QString>

namespace bench {

/// The "server" group: a throw-away server with the deep and items databases copied onto it,
/// and the cases that reach the store measured there (rows named "server: ..."); one line and
/// no rows where the machine has no server binaries.
void serverCases(int runs, const Sizes& sizes, const QString& dataDir, const QString& deep,
                 const QString& items, int deepNodes);

} // namespace bench
