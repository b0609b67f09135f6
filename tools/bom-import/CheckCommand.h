#pragma once

#include <QStringList>

namespace tools {

/// bom-import --check DATABASE: prints every finding of the database check, one a line, and
/// their count. `arguments` are those after --check. Exit status 0 when the database is
/// sound, 1 when there are findings, 2 (with "NUMBER DESCRIPTION" on standard error) when it
/// cannot be read or the command line is wrong.
int runCheck(const QStringList& arguments);

} // namespace tools
