#pragma once

#include <QStringList>

namespace tools {

/// bom-import --drafts DATABASE, --show-draft NAME DATABASE and --apply-draft NAME DATABASE:
/// the drafts of changes kept beside the database's history. `option` is which, `arguments`
/// those after it. Returns the exit status: 0, or 1 with "NUMBER DESCRIPTION" on standard
/// error (an apply that meets a line changed since writes nothing and exits 1).
int runDrafts(const QString& option, const QStringList& arguments);

} // namespace tools
