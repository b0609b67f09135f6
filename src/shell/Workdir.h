#pragma once

#include <QString>

namespace shell {

/// workdir.txt in `folder`: the path of the database chosen last. Read at start-up: the first
/// line that is not blank is the path, as it stands (LF and CR LF both end a line); a file of
/// blank lines holds no path. A missing file is created empty; a folder that cannot be written
/// is treated as holding an empty file.
QString readRememberedPath(const QString& folder);

/// Replaces workdir.txt in `folder` with one line, `path` and CR LF; false when it cannot be
/// written. The old file stays whole until the new one is complete.
bool rememberPath(const QString& folder, const QString& path);

} // namespace shell
