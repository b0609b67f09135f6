#pragma once

#include "tree/BomEditor.h"

#include <QString>

#include <optional>

class QLabel;

namespace desktop {
class Desktop;
}

namespace shell {

class ItemList;

/// Which database the editor works on, and the Item Master list that shows its items: the
/// start-up fill, the database chooser that remembers its choice in workdir.txt, and the Open
/// Database command. It holds nothing between operations but the path.
class DatabaseChoice : public tree::DatabaseSession {
public:
    DatabaseChoice(desktop::Desktop& desktop, QString workdirFolder, ItemList& List1, QLabel& statusText);

    QString databasePath() const override { return m_databasePath; }
    void setDatabasePath(const QString& path) override { m_databasePath = path; }
    /// The chooser. A Jet (.mdb) file chosen is imported into a new SQLite file first (see
    /// ImportCommands), and the new file is the choice; a Cancel or failure there counts as
    /// Cancel.
    int openFileDialog() override;

    /// Start-up: reads the remembered path (asking for a file when there is none) and fills
    /// the list. Silent on every failure: the user can pick a database with Open Database.
    /// A non-empty `location` (the command line's) is tried first, a Jet file imported as in
    /// the chooser; it is remembered only once its list is filled, and a failure is shown
    /// before the remembered path is taken instead. True when the list was filled.
    bool FillItemList(const QString& location = {});
    /// File > Open Database: asks for a file (or takes `path`, a recent database, without
    /// asking), then empties and refills the list from the current path (the old one after
    /// Cancel); failures are shown. True when the file chosen was written just now by an
    /// import, which may have replaced the current database under the same name.
    bool openDatabase(const std::optional<QString>& path = std::nullopt);
    /// Empties and refills the list from the current database, as after Open Database, when
    /// its items have changed; failures are shown.
    void refillList();

private:
    /// The database named at start-up: read, imported when it is a Jet file, and its list
    /// filled; true then, false after a failure (which is shown) or a Cancel of the import.
    bool openGiven(const QString& location);
    /// Appends every item of the current database to the list and shows the path; throws
    /// StoreError, and then adds no line: the items are read whole before any is shown.
    void fillList();

    desktop::Desktop& m_desktop;
    QString m_workdirFolder;
    ItemList& m_list;
    QLabel& m_statusText;
    QString m_databasePath;
    bool m_imported = false; ///< the last choice was a file written by an import
};

} // namespace shell
