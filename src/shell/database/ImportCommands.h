#pragma once

#include "import/Import.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class QAction;
class QMenu;

namespace desktop {
class Desktop;
}

namespace shell {

class CommandContext;
class CommandRegistry;

/// Bringing existing bills into the editor from the window: a Jet (.mdb) file chosen as the
/// database, and File ▸ Import ▸ "From Access Database…" and "From CSV Files…". Each asks its
/// questions through the desktop services, imports with a progress window that offers Cancel,
/// and shows a failure as "NUMBER DESCRIPTION". A Cancel at any step, or a failure, leaves no
/// new file behind; a Jet file is only read.
class ImportCommands : public QObject {
    Q_OBJECT
public:
    /// For the database chooser's own use: there is no current database.
    explicit ImportCommands(desktop::Desktop& desktop);
    /// For the window's menu: the current database (a file path or a server address, empty
    /// when there is none) comes from `context` at the moment a command runs.
    explicit ImportCommands(CommandContext& context);

    /// Registers the Import submenu (`mnuImport`, with `mnuImportAccess` and `mnuImportCsv`)
    /// in the File menu.
    void addTo(CommandRegistry& commands);

    /// A Jet file chosen as the database: explains that its bills are copied into a new SQLite
    /// file, asks where (proposing NAME.db beside it) and imports. Returns the new database, or
    /// nothing after a Cancel or a failure (which is shown).
    std::optional<QString> convertJet(const QString& mdbPath);

    /// File ▸ Import ▸ From Access Database…: asks for the .mdb file, then as convertJet().
    void importAccess();
    /// File ▸ Import ▸ From CSV Files…: asks for items.csv and lines.csv, then whether to add
    /// their rows to the current database or to write a new database file.
    void importCsvFiles();

Q_SIGNALS:
    /// A new database file was written from the menu: it is to become the current database.
    void databaseCreated(const QString& path);
    /// Rows were added to the current database: the loaded bill shows them already; the Item
    /// Master list is out of date.
    void rowsAdded();
    /// After an import that wrote its rows, what it wrote: "414 items and 255 lines imported
    /// into /home/ann/plant.db".
    void imported(const QString& summary);

private:
    /// Runs `work` with the busy pointer and a progress window; false after a Cancel or a
    /// failure (which is shown, a Cancel silently).
    bool run(const QString& source,
             const std::function<void(const std::function<bool(qint64, qint64)>&)>& work);
    /// The save dialog for a new database, proposing `proposed`.
    std::optional<QString> askNewDatabase(const QString& proposed);

    desktop::Desktop& m_desktop;
    /// Says what the import that just ended wrote (imported).
    void tellImported();

    CommandContext* m_context = nullptr;
    /// What the last import wrote, as its work returned it.
    import::Summary m_summary;
};

} // namespace shell
