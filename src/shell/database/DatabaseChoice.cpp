#include "shell/database/DatabaseChoice.h"

#include "desktop/CrashReport.h"
#include "desktop/Desktop.h"
#include "import/Import.h"
#include "shell/database/ImportCommands.h"
#include "shell/database/ServerLogin.h"
#include "shell/database/Workdir.h"
#include "store/Store.h"
#include "store/StoreError.h"

#include <QSettings>

namespace shell {

namespace {
constexpr int RecentLimit = 5;
const QString RecentKey = QStringLiteral("recentDatabases");
} // namespace

DatabaseChoice::DatabaseChoice(desktop::Desktop& desktop, QString workdirFolder,
                               QSettings& settings, QObject* parent)
    : QObject(parent), m_desktop(desktop), m_workdirFolder(std::move(workdirFolder)),
      m_settings(settings) {}

int DatabaseChoice::openFileDialog() {
    m_imported = false;
    auto chosen = m_desktop.openFile(desktop::FileDialogTitle);
    if (!chosen)
        return store::FileDialogCancelled;
    // The editor cannot work on a Jet file itself: its bills are copied into a new SQLite file,
    // which is then the choice. A Cancel or a failure there chooses nothing, as a Cancel here.
    if (import::isJetFile(*chosen)) {
        chosen = ImportCommands(m_desktop).convertJet(*chosen);
        if (!chosen)
            return store::FileDialogCancelled;
        m_imported = true;
    }
    m_databasePath = *chosen;
    // A file that cannot be written loses only the memory of the choice for the next start.
    return rememberPath(m_workdirFolder, m_databasePath) ? 0 : store::WriteFailed;
}

std::vector<store::ItemLine> DatabaseChoice::readItems() {
    return ServerLogin(m_desktop).readItems(m_databasePath);
}

std::optional<std::vector<store::ItemLine>> DatabaseChoice::readList() {
    Q_EMIT working(tr("...Loading Item Master file..."));
    try {
        return readItems();
    } catch (const store::StoreError& error) {
        m_desktop.messageBox(error.message(), desktop::OkOnly);
        return std::nullopt;
    }
}

std::optional<std::vector<store::ItemLine>> DatabaseChoice::openGiven(const QString& location) {
    std::vector<store::ItemLine> items;
    try {
        // A password in a server's address is kept in memory, never shown or remembered.
        QString path = store::withPasswordInMemory(location);
        // As in the chooser: the bills of a Jet file are copied into a new SQLite file first.
        if (import::isJetFile(path)) {
            const auto converted = ImportCommands(m_desktop).convertJet(path);
            if (!converted)
                return std::nullopt; // Cancel, or a failure that has been shown
            path = *converted;
        }
        m_databasePath = path;
        items = readItems();
    } catch (const store::StoreError& error) {
        m_databasePath.clear();
        m_desktop.messageBox(error.message(), desktop::OkOnly);
        return std::nullopt;
    }
    rememberPath(m_workdirFolder, m_databasePath);
    return items;
}

bool DatabaseChoice::FillItemList(const QString& location) {
    Q_EMIT working(tr("...Loading Item Master file..."));
    desktop::BusyPointer busy(m_desktop);
    m_desktop.processEvents();
    if (!location.isEmpty()) {
        if (auto items = openGiven(location)) {
            finish(false, true, std::move(items));
            return true;
        }
        Q_EMIT working(tr("...Loading Item Master file..."));
    }
    // A remembered address that cannot be read counts as no path, so that nothing of it is
    // ever shown; the file then holds no path either.
    const QString stored = readRememberedPath(m_workdirFolder);
    try {
        m_databasePath = store::withPasswordInMemory(stored);
    } catch (const store::StoreError&) {
        m_databasePath.clear();
    }
    if (m_databasePath != stored)
        rememberPath(m_workdirFolder, m_databasePath);
    if (m_databasePath.isEmpty())
        openFileDialog();
    std::optional<std::vector<store::ItemLine>> items;
    try {
        items = readItems();
    } catch (const store::StoreError& error) {
        // Silent at start-up, where the user picks another database with Open Database; the
        // loading text stays as the sign that no list was loaded. An item ID that cannot be
        // read is no choice of the user's, though: an empty list would hide it. Nor is a server
        // that does not answer: an empty list would look like an empty database (a password
        // box the user cancelled has said what it needed).
        const bool passwordAsked = error.number() == store::PasswordNeeded ||
                                   error.number() == store::PasswordRefused;
        if (error.number() == store::UnreadableId ||
            (store::isServerAddress(m_databasePath) && !passwordAsked))
            m_desktop.messageBox(error.message(), desktop::OkOnly);
    }
    const bool read = items.has_value();
    finish(false, read, std::move(items));
    return read;
}

void DatabaseChoice::openDatabase(const std::optional<QString>& path) { open(path, false); }

void DatabaseChoice::openCreated(const QString& path) { open(path, true); }

void DatabaseChoice::connectToServer() {
    if (const auto uri = ServerLogin(m_desktop).ask(m_databasePath))
        openDatabase(*uri);
}

void DatabaseChoice::open(const std::optional<QString>& path, bool replaced) {
    const QString before = m_databasePath;
    m_imported = false;
    if (path) {
        try {
            m_databasePath = store::withPasswordInMemory(*path);
        } catch (const store::StoreError& error) {
            // Nothing of an address that cannot be read is shown or remembered.
            m_desktop.messageBox(error.message(), desktop::OkOnly);
            // The database shown stays, and goes first among the recent ones.
            finish(replaced, !before.isEmpty(), std::nullopt);
            return;
        }
        rememberPath(m_workdirFolder, m_databasePath);
    } else {
        openFileDialog();
    }
    auto items = readList();
    // A file just written by an import holds other lines even under the old name.
    finish(m_databasePath != before || m_imported || replaced,
           !m_databasePath.isEmpty() && (m_databasePath != before || path), std::move(items));
}

void DatabaseChoice::refillList() { finish(false, false, readList()); }

void DatabaseChoice::finish(bool another, bool recent,
                            std::optional<std::vector<store::ItemLine>> items) {
    // The database opened, remembered or named on the command line at start-up, chosen or
    // named later, is a choice like any other.
    if (recent)
        addRecent(m_databasePath);
    if (recent && items && !store::isServerAddress(m_databasePath))
        m_desktop.noteRecentFile(m_databasePath);
    desktop::noteDatabaseKind(m_databasePath.isEmpty() ? desktop::DatabaseKind::None
                              : store::isServerAddress(m_databasePath) ? desktop::DatabaseKind::Server
                                                                       : desktop::DatabaseKind::File);
    Q_EMIT databaseChanged({another, std::move(items)});
}

QStringList DatabaseChoice::recentDatabases() const {
    return m_settings.value(RecentKey).toStringList();
}

void DatabaseChoice::addRecent(const QString& location) {
    QStringList recent;
    // A list written by an older version may hold an address with its password: it is kept
    // without it, and one that cannot be read is dropped, since nothing of it may be shown.
    for (const QString& kept : recentDatabases())
        if (const QString shown = store::withoutPassword(kept);
            shown != location && !recent.contains(shown) &&
            shown != QStringLiteral("postgresql://…"))
            recent.append(shown);
    recent.prepend(location);
    m_settings.setValue(RecentKey, recent.mid(0, RecentLimit));
}

} // namespace shell
