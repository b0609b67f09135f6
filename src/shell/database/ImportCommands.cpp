#include "shell/database/ImportCommands.h"

#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"

#include "desktop/Desktop.h"
#include "import/Import.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"
#include "tree/edits/LineEdits.h"
#include "tree/edits/Quantity.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMenu>

namespace shell {

namespace {

const QString ImportTitle = QStringLiteral("Import");
QStringList accessFilters() {
    return {QCoreApplication::translate("shell", "Access databases (*.mdb)"),
            QCoreApplication::translate("shell", "All files (*)")};
}
QStringList csvFilters() {
    return {QCoreApplication::translate("shell", "CSV files (*.csv)"),
            QCoreApplication::translate("shell", "All files (*)")};
}
QStringList databaseFilters() {
    return {QCoreApplication::translate("shell", "SQLite databases (*.db *.sqlite *.sqlite3)"),
            QCoreApplication::translate("shell", "All files (*)")};
}

QString native(const QString& path) {
    return QDir::toNativeSeparators(path);
}

/// NAME.db in the folder of `source`.
QString besideAs(const QString& source) {
    const QFileInfo info(source);
    return info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".db"));
}

} // namespace

ImportCommands::ImportCommands(desktop::Desktop& desktop) : m_desktop(desktop) {}

ImportCommands::ImportCommands(CommandContext& context)
    : QObject(context.window()), m_desktop(context.desktop()), m_context(&context) {}

void ImportCommands::addTo(CommandRegistry& commands) {
    QMenu* menu = commands.addMenu(MenuGroup::FileImport, "mnuImport", tr("&Import"));
    QAction* access = menu->addAction(tr("From &Access Database…"));
    access->setObjectName(QStringLiteral("mnuImportAccess"));
    QAction* csv = menu->addAction(tr("From &CSV Files…"));
    csv->setObjectName(QStringLiteral("mnuImportCsv"));
    connect(access, &QAction::triggered, this, &ImportCommands::importAccess);
    connect(csv, &QAction::triggered, this, &ImportCommands::importCsvFiles);
}

bool ImportCommands::run(const QString& source,
                     const std::function<void(const std::function<bool(qint64, qint64)>&)>& work) {
    std::optional<store::StoreError> failure;
    {
        const desktop::BusyPointer busy(m_desktop);
        // The progress window closes before any message about the outcome appears.
        const QString label = tr("Importing %1…").arg(native(source));
        const auto progress = m_desktop.startProgress(label, tr("Import"));
        try {
            // Off the window's thread: the window paints while the rows are read and written;
            // the progress is shown, and its Cancel taken, on the window's thread.
            tree::runWaiting(m_desktop, label, work, [&progress](qint64 done, qint64 total) {
                return progress->advance(done, total);
            });
        } catch (const store::StoreError& error) {
            failure = error;
        }
    }
    if (!failure)
        return true;
    // The user's own Cancel needs no message: the import has left nothing behind.
    if (failure->number() != store::ImportCancelled)
        m_desktop.messageBox(failure->message(), desktop::OkOnly);
    return false;
}

std::optional<QString> ImportCommands::askNewDatabase(const QString& proposed) {
    // The dialog asks before an existing file is replaced; the import replaces it only once the
    // new one is complete.
    return m_desktop.saveFile(tr("Save Imported Database As"), proposed, databaseFilters());
}

std::optional<QString> ImportCommands::convertJet(const QString& mdbPath) {
    const int answer = m_desktop.messageBox(
        tr("%1 is an Access (Jet) database. The editor works on SQLite databases: "
           "it will copy the bills of material into a new SQLite database file and "
           "open that one. The Access file is left unchanged.")
            .arg(native(mdbPath)),
        desktop::OkCancel | desktop::IconQuestion, ImportTitle);
    if (answer != desktop::ResultOk)
        return std::nullopt;
    const auto output = askNewDatabase(besideAs(mdbPath));
    if (!output)
        return std::nullopt;
    if (!run(mdbPath, [&](const import::Progress& progress) {
            m_summary = import::importJet(mdbPath, *output, progress);
        }))
        return std::nullopt;
    return output;
}

void ImportCommands::importAccess() {
    const auto mdbPath =
        m_desktop.openFile(tr("Select Access Database to Import"), accessFilters());
    if (!mdbPath)
        return;
    // Refused before any question about the new file, which could not come of it anyway.
    if (QFileInfo(*mdbPath).isFile() && !import::isJetFile(*mdbPath)) {
        m_desktop.messageBox(
            store::StoreError(store::ImportNotJet,
                              tr("'%1' is not a Jet 3 or Jet 4 (.mdb) database.").arg(*mdbPath))
                .message(),
            desktop::OkOnly);
        return;
    }
    if (const auto output = convertJet(*mdbPath)) {
        Q_EMIT databaseCreated(*output);
        tellImported();
    }
}

void ImportCommands::importCsvFiles() {
    const auto items =
        m_desktop.openFile(tr("Select the Items File (items.csv) to Import"), csvFilters());
    if (!items)
        return;
    const auto lines =
        m_desktop.openFile(tr("Select the Lines File (lines.csv) to Import"), csvFilters());
    if (!lines)
        return;

    const QString current = m_context ? m_context->databasePath() : QString();
    int answer = desktop::ResultNo; // with no current database there is only a new file
    if (!current.isEmpty())
        // The buttons say what each answer does, and the words name the buttons.
        answer = m_desktop.choiceBox(
            !store::databaseFile(current)
                // The rows go to the server that every desk shares, not to a file here.
                ? tr("Add the items and lines of these files to the current "
                     "database on the server %1?\n\nAdd Here: add them to it "
                     "(every row or none; the other editors see them once all are "
                     "in).\nNew File\u2026: write them into a new database file on "
                     "this computer.")
                      .arg(current)
                : tr("Add the items and lines of these files to the current "
                     "database, %1?\n\nAdd Here: add them to it (every row or "
                     "none).\nNew File\u2026: write them into a new database file.")
                      .arg(native(current)),
            desktop::YesNoCancel | desktop::IconQuestion, ImportTitle,
            {tr("Add Here"), tr("New File\u2026"), tr("Cancel")});
    if (answer == desktop::ResultYes) {
        // A command of the editor's: recorded in the history as its edits are, and shown in
        // the loaded bill as they are, its open nodes kept.
        if (run(*items, [&](const import::Progress& progress) {
                m_summary = import::addCsvAsCommand(*items, *lines, current, progress);
            })) {
            m_context->edits().showWrittenRows(m_summary.changed);
            Q_EMIT rowsAdded();
            tellImported();
        }
        return;
    }
    if (answer != desktop::ResultNo)
        return;
    const auto output = askNewDatabase(besideAs(*items));
    if (!output)
        return;
    if (run(*items, [&](const import::Progress& progress) {
            m_summary = import::importCsv(*items, *lines, *output, progress);
        })) {
        Q_EMIT databaseCreated(*output);
        tellImported();
    }
}

void ImportCommands::tellImported() {
    Q_EMIT imported(tr("%1 and %2 imported into %3")
                        .arg(tr("%Ln item(s)", nullptr, int(m_summary.items)),
                             tr("%Ln line(s)", nullptr, int(m_summary.lines)),
                             native(m_summary.output)));
}

} // namespace shell
