#pragma once

#include <QStringList>

namespace tools {

/// bom-import --history DATABASE [--since WHEN] [--item ID]: prints the changes kept in the
/// database's history as CSV on standard output, newest first, in the columns of the editor's
/// Change History window, times in ISO 8601 UTC. `arguments` are those after --history.
/// Returns the exit status: 0, or 1 with "NUMBER DESCRIPTION" on standard error.
int runHistory(const QStringList& arguments);

} // namespace tools
