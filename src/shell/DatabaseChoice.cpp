#include "shell/DatabaseChoice.h"

#include "desktop/Desktop.h"
#include "import/Import.h"
#include "shell/ImportCommands.h"
#include "shell/ItemList.h"
#include "shell/ServerLogin.h"
#include "shell/Workdir.h"
#include "store/ServerAddress.h"
#include "store/Store.h"
#include "store/StoreError.h"

#include <QLabel>

namespace shell {

namespace {
const QString LoadingText = QStringLiteral("...Loading Item Master file...");
}

DatabaseChoice::DatabaseChoice(desktop::Desktop& desktop, QString workdirFolder, ItemList& List1,
                               QLabel& statusText)
    : m_desktop(desktop), m_workdirFolder(std::move(workdirFolder)), m_list(List1),
      m_statusText(statusText) {}

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

void DatabaseChoice::fillList() {
    // A server may ask for a password first; later operations use the one kept.
    const std::unique_ptr<store::Store> opened = ServerLogin(m_desktop).open(m_databasePath);
    store::Store& db = *opened;
    m_list.appendItems(db.itemLines());
    m_statusText.setText(m_databasePath);
}

bool DatabaseChoice::openGiven(const QString& location) {
    try {
        // A password in a server's address is kept in memory, never shown or remembered.
        QString path = store::withPasswordInMemory(location);
        // As in the chooser: the bills of a Jet file are copied into a new SQLite file first.
        if (import::isJetFile(path)) {
            const auto converted = ImportCommands(m_desktop).convertJet(path);
            if (!converted)
                return false; // Cancel, or a failure that has been shown
            path = *converted;
        }
        m_databasePath = path;
        fillList();
    } catch (const store::StoreError& error) {
        m_databasePath.clear();
        m_desktop.messageBox(error.message(), desktop::OkOnly);
        return false;
    }
    rememberPath(m_workdirFolder, m_databasePath);
    return true;
}

bool DatabaseChoice::FillItemList(const QString& location) {
    m_statusText.setText(LoadingText);
    desktop::BusyPointer busy(m_desktop);
    m_desktop.processEvents();
    if (!location.isEmpty()) {
        if (openGiven(location))
            return true;
        m_statusText.setText(LoadingText);
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
    try {
        fillList();
        return true;
    } catch (const store::StoreError& error) {
        // Silent at start-up, where the user picks another database with Open Database; the
        // loading text stays as the sign that no list was loaded. An item ID that cannot be
        // read is no choice of the user's, though: an empty list would hide it.
        if (error.number() == store::UnreadableId)
            m_desktop.messageBox(error.message(), desktop::OkOnly);
        return false;
    }
}

bool DatabaseChoice::openDatabase(const std::optional<QString>& path) {
    m_imported = false;
    if (path) {
        try {
            m_databasePath = store::withPasswordInMemory(*path);
        } catch (const store::StoreError& error) {
            // Nothing of an address that cannot be read is shown or remembered.
            m_desktop.messageBox(error.message(), desktop::OkOnly);
            return false;
        }
        rememberPath(m_workdirFolder, m_databasePath);
    } else {
        openFileDialog();
    }
    refillList();
    return m_imported;
}

void DatabaseChoice::refillList() {
    m_statusText.setText(LoadingText);
    m_list.removeAllItems();
    try {
        fillList();
    } catch (const store::StoreError& error) {
        m_desktop.messageBox(error.message(), desktop::OkOnly);
    }
}

} // namespace shell
