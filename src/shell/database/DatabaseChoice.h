#pragma once

#include "store/Store.h"
#include "tree/bill/BillReads.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

class QSettings;

namespace desktop {
class Desktop;
}

namespace shell {

/// What one opening of a database leaves for the window to show.
struct DatabaseChange {
    /// Another database than the one shown before, or a file written anew under its name:
    /// everything the window shows of the old one (the tree, its history, the windows over
    /// it) belongs to lines that are gone.
    bool another = false;
    /// Every item of the database, for the Item Master list; none when no list was read or
    /// the read failed (the failure has been shown, or passed over at start-up).
    std::optional<std::vector<store::ItemLine>> items;
};

/// The one owner of the open database: its path or server address, workdir.txt, File ▸
/// Recent Databases, the database chooser (with the import of a Jet file chosen there) and
/// the password prompt of a server. It holds no widget: it says what to show with working()
/// and databaseChanged(), and the window draws it. Between operations it holds the path only.
class DatabaseChoice : public QObject, public tree::DatabaseSession {
    Q_OBJECT
public:
    /// `workdirFolder` holds workdir.txt; `settings` keeps the recent databases.
    DatabaseChoice(desktop::Desktop& desktop, QString workdirFolder, QSettings& settings,
                   QObject* parent = nullptr);

    QString databasePath() const override { return m_databasePath; }
    void setDatabasePath(const QString& path) override { m_databasePath = path; }
    /// The chooser. A Jet (.mdb) file chosen is imported into a new SQLite file first (see
    /// ImportCommands), and the new file is the choice; a Cancel or failure there counts as
    /// Cancel.
    int openFileDialog() override;

    /// File ▸ Recent Databases, the newest first: addresses without their passwords.
    QStringList recentDatabases() const;

    /// Start-up: reads the remembered path (asking for a file when there is none) and reads
    /// the list. Silent on every failure: the user can pick a database with Open Database.
    /// A non-empty `location` (the command line's) is tried first, a Jet file imported as in
    /// the chooser; it is remembered only once its list is read, and a failure is shown
    /// before the remembered path is taken instead. True when the list was read.
    bool FillItemList(const QString& location = {});
    /// File ▸ Open Database: asks for a file (or takes `path`, a recent database, without
    /// asking), then reads the list of the current database (the old one after Cancel);
    /// failures are shown.
    void openDatabase(const std::optional<QString>& path = std::nullopt);
    /// File ▸ Connect to Server…: asks for the server's address, then opens it as
    /// openDatabase() does.
    void connectToServer();
    /// A database file that an import has just written: opened as openDatabase(path) does,
    /// and another database even under the current one's name.
    void openCreated(const QString& path);
    /// Reads the list of the current database again, as after Open Database, when its items
    /// have changed; failures are shown.
    void refillList();

Q_SIGNALS:
    /// The list is about to be read: it empties, and the status panel shows `status`.
    void working(const QString& status);
    /// Once at the end of each of the operations above, whatever became of it.
    void databaseChanged(const shell::DatabaseChange& change);

private:
    /// Opens `path` (or asks, without one). `replaced`: the file is new whatever its name.
    void open(const std::optional<QString>& path, bool replaced);
    /// The database named at start-up: read, imported when it is a Jet file; its items, or
    /// none after a failure (which is shown) or a Cancel of the import.
    std::optional<std::vector<store::ItemLine>> openGiven(const QString& location);
    /// Every item of the current database, read whole before any is shown; a server may ask
    /// for a password first, and later operations use the one kept. Throws StoreError.
    std::vector<store::ItemLine> readItems();
    /// working(), then readItems(); a failure is shown, and then there are no items.
    std::optional<std::vector<store::ItemLine>> readList();
    /// Ends an operation: the current database goes first among the recent ones when
    /// `recent`, and databaseChanged() says what to show.
    void finish(bool another, bool recent, std::optional<std::vector<store::ItemLine>> items);
    /// Puts the database first in File ▸ Recent Databases.
    void addRecent(const QString& location);

    desktop::Desktop& m_desktop;
    QString m_workdirFolder;
    QSettings& m_settings;
    QString m_databasePath;
    bool m_imported = false; ///< the last choice was a file written by an import
};

} // namespace shell
