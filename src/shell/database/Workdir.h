#pragma once

#include <QString>

class QSettings;

namespace shell {

/// workdir.txt in `folder`: the path of the database chosen last. Read at start-up: the first
/// line that is not blank is the path, as it stands (LF and CR LF both end a line); a file of
/// blank lines holds no path. A missing file is created empty; a folder that cannot be written
/// is treated as holding an empty file.
QString readRememberedPath(const QString& folder);

/// Replaces workdir.txt in `folder` with one line, `path` and CR LF; false when it cannot be
/// written. The old file stays whole until the new one is complete.
bool rememberPath(const QString& folder, const QString& path);

/// The folder that keeps workdir.txt: `programFolder` when a file can be made there (a build
/// tree, a copy of the program in a folder of the user's), which is where the files of earlier
/// releases stand; otherwise `configFolder`, the user's own (made when missing). A program run
/// from `installedFolder`, where the package puts it, always uses `configFolder`: even an
/// administrator who may write there should not leave a choice of theirs in a system folder.
/// A workdir.txt beside a program whose folder cannot be written is copied to `configFolder`
/// once, so that the choice it holds is not lost.
QString workdirFolder(const QString& programFolder, const QString& installedFolder,
                      const QString& configFolder);

/// The first start of an installed editor opens the sample, as the run command's first start
/// does in a build tree: when `folder` holds no workdir.txt yet and `sample` exists, the sample
/// is copied to `dataFolder` (an earlier copy there is kept as the user left it) and the copy
/// is remembered. The user may change the copy; the installed sample stays as it was. False
/// when nothing was remembered.
bool rememberSampleOnFirstStart(const QString& folder, const QString& sample,
                                const QString& dataFolder);

/// Settings saved before the program named its organisation sit under Qt's "Unknown
/// Organization". When `settings` holds nothing yet, every value of the settings of the same
/// application name there is copied into it and the old file is removed: the window's size,
/// place and column widths and the recent databases carry over, once. The old file stays when
/// the new one cannot be written. True when something was moved.
bool moveUnnamedSettings(QSettings& settings);

} // namespace shell
