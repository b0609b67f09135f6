#pragma once

#include <QString>

namespace shell {

/// workdir.txt in `folder`: the path of the database chosen last. Read at start-up: every
/// line in turn replaces the path, so the last line wins and an empty last line means no path
/// (LF and CR LF both end a line). A missing file is created empty; a folder that cannot be
/// written is treated as holding an empty file.
QString readRememberedPath(const QString& folder);

/// Replaces workdir.txt in `folder` with one line, `path` and CR LF; false when it cannot be
/// written. The old file stays whole until the new one is complete.
bool rememberPath(const QString& folder, const QString& path);

} // namespace shell
