#pragma once

#include <QDateTime>
#include <QString>

namespace desktop {

/// The program that used a file, as the desktop's list of recent files names it: the name of
/// its desktop file (com.fabrilux.BomEditor) and the command line that opens a file with it.
struct RecentApplication {
    QString name;
    QString exec;
};

/// The user's freedesktop list of recently used files: recently-used.xbel in XDG_DATA_HOME,
/// which the file dialogs and launchers of KDE and GNOME show and write.
QString recentlyUsedPath();

/// Puts the local file `file` (by its full path) into the list at `xbelPath` as used by `application` at `when`:
/// a new bookmark, or the existing one with its visit and the application's count brought up
/// to date. Other programs write the same list: it is read, merged and written to a temporary
/// file that replaces it only whole, under the lock file that KDE's writers take
/// (recently-used.xbel.lock), and written again from a fresh read when another program
/// replaced it meanwhile; every other bookmark stays as it was. A list that cannot be read as
/// one (damaged, not XBEL) is never overwritten, nor one that the user turned off (a link to
/// /dev/null, a folder). False when the list was left as it was (the file is not an existing
/// local file, the list is damaged, locked or turned off, or cannot be written).
bool addRecentlyUsed(const QString& xbelPath, const QString& file,
                     const RecentApplication& application,
                     const QDateTime& when = QDateTime::currentDateTimeUtc());

} // namespace desktop
