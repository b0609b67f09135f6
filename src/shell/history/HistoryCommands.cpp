#include "shell/history/HistoryCommands.h"

#include "shell/history/RestoreDialog.h"

#include "shell/export/ExportCommands.h"
#include "shell/export/XlsxExport.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"

#include "desktop/Desktop.h"
#include "store/History.h"
#include "store/ServerAddress.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/bill/Structure.h"
#include "tree/edits/Quantity.h"
#include "tree/history/HistoryReads.h"
#include "tree/history/HistoryTexts.h"

#include <QAction>
#include <QPushButton>
#include <QLabel>
#include <QFormLayout>
#include <QDialogButtonBox>
#include <QDialog>
#include <QDateTimeEdit>
#include <QDir>
#include <QLocale>
#include <QMenu>

namespace shell {

HistoryCommands::HistoryCommands(CommandContext& context)
    : QObject(context.window()), m_context(context) {}

void HistoryCommands::addTo(CommandRegistry& commands) {
    QAction* action =
        commands.add(MenuGroup::ToolsHistory, "mnuChangeHistory", tr("Change &History…"));
    connect(action, &QAction::triggered, this, &HistoryCommands::open);
    // A file's history is kept by the editors themselves; a server keeps one only once asked.
    QAction* keep = commands.add(MenuGroup::ToolsHistory, "mnuKeepServerHistory",
                                 tr("&Keep History on This Server…"));
    connect(keep, &QAction::triggered, this, &HistoryCommands::keepOnServer);
    connect(commands.menu(MenuGroup::ToolsHistory), &QMenu::aboutToShow, keep, [this, keep] {
        keep->setEnabled(store::isServerAddress(m_context.databasePath()));
    });
    connect(&commands, &CommandRegistry::lineHistoryRequested, this, &HistoryCommands::openLine);
    connect(this, &HistoryCommands::billBeforeRequested, &commands,
            &CommandRegistry::billBeforeRequested);
    connect(this, &HistoryCommands::compareBeforeRequested, &commands,
            &CommandRegistry::compareBeforeRequested);
    connect(&commands, &CommandRegistry::databaseLeft, this, &HistoryCommands::closeWindow);
}

void registerHistoryCommands(CommandContext& context) {
    (new HistoryCommands(context))->addTo(context.commands());
}

void HistoryCommands::keepOnServer() {
    const QString server = m_context.databasePath();
    if (!store::isServerAddress(server) || tree::storeWaiting())
        return;
    desktop::Desktop& desktop = m_context.desktop();
    const QString informative =
        tr("This creates the schema bom_history on the server (its table of changes, bom_history."
           "change, one row for each transaction that changes the tables, bom_history.change_set, "
           "and the moment it keeps them since) and the triggers bom_history_record and "
           "bom_history_truncate on ItemMaster and BomDetail. From then on every write to those "
           "tables, by this editor, other editors and the manufacturing application alike, also "
           "writes the rows before and after to bom_history.change in the same transaction: each "
           "write takes a little longer (about one more row written for each row it changes, and "
           "the commits that record history are numbered one after another, so that \"as of\" "
           "follows the order of the commits), and the schema grows with every change until older "
           "changes are forgotten. Only its triggers may write there, whoever the user. The shared "
           "tables gain no column. It takes the right to create in the database and to make "
           "triggers on both tables and to read them; bom-import --disable-history removes it all "
           "again.");
    if (desktop.messageBox(tr("Keep The History Of Every Change On This Server?"),
                           desktop::OkCancel | desktop::IconQuestion,
                           QStringLiteral("Keep History on This Server"),
                           informative) != desktop::ResultOk)
        return;
    QStringList created;
    try {
        const desktop::BusyPointer busy(desktop);
        created = tree::keepServerHistory(desktop, server);
    } catch (const store::StoreError& error) {
        desktop.messageBox(error.message(), desktop::OkOnly | desktop::IconStop);
        return;
    }
    m_context.showStatus(created.isEmpty()
                             ? tr("The server keeps the history of every change already.")
                             : tr("The server keeps the history of every change from "
                                  "now on."));
}

ChangeHistoryDialog& HistoryCommands::dialog() {
    if (!m_dialog) {
        m_dialog = new ChangeHistoryDialog(m_context.window());
        connect(m_dialog, &ChangeHistoryDialog::readRequested, this, [this] {
            // The line chosen now is the tree's current one, as the context menu takes it.
            if (m_dialog->scope() == ChangeHistoryDialog::ThisLine)
                remember(m_context.tree().currentIndex());
            read();
        });
        connect(m_dialog, &ChangeHistoryDialog::exportRequested, this,
                &HistoryCommands::exportListed);
        connect(m_dialog, &ChangeHistoryDialog::restoreRequested, this, &HistoryCommands::restore);
        connect(m_dialog, &ChangeHistoryDialog::forgetRequested, this, &HistoryCommands::forget);
        connect(m_dialog, &ChangeHistoryDialog::showBeforeRequested, this, [this] {
            if (const auto before = beforeCurrent())
                Q_EMIT billBeforeRequested(before->first, before->second);
        });
        connect(m_dialog, &ChangeHistoryDialog::compareBeforeRequested, this, [this] {
            if (const auto before = beforeCurrent())
                Q_EMIT compareBeforeRequested(before->first, before->second);
        });
    }
    return *m_dialog;
}

void HistoryCommands::restore() {
    if (!m_dialog || tree::storeWaiting())
        return;
    const std::optional<store::ChangeRecord> change = m_dialog->currentChange();
    if (!change)
        return;
    const QString when = QLocale().toString(change->time.toLocalTime(), QLocale::ShortFormat);
    store::HistoryQuery query;
    QString name;
    if (m_dialog->scope() == ChangeHistoryDialog::ThisLine &&
        change->table == store::schema::BomDetail) {
        // The line as it was before this change: this change and every later one undone.
        query.assemblies = {change->key};
        query.component = change->component;
        query.since = change->time;
        name = QStringLiteral("Restore %1 in %2 as before %3").arg(change->component, change->key, when);
    } else {
        query.changeSet = change->changeSet;
        name = change->command.isEmpty()
                   ? QStringLiteral("Restore the changes of %1").arg(when)
                   : QStringLiteral("Restore before %1 (%2)").arg(change->command, when);
    }
    restoreFromHistory(m_context, query, name, m_opener);
    read();
}

std::optional<std::pair<QString, QDateTime>> HistoryCommands::beforeCurrent() const {
    if (!m_dialog)
        return std::nullopt;
    const std::optional<store::ChangeRecord> change = m_dialog->currentChange();
    if (!change)
        return std::nullopt;
    // The loaded bill where the change is in it; else the bill of what the change names.
    const QString loaded = m_context.model().document().topAssembly();
    const bool inLoaded =
        !loaded.isEmpty() && m_context.model().structure().itemOf(change->key) >= 0;
    // A change found afterwards was made at some moment after its notBefore: the bill before
    // it is the bill at that moment.
    const QDateTime moment =
        change->notBefore.isValid() ? change->notBefore.addMSecs(1) : change->time;
    return std::pair(inLoaded ? loaded : change->key, moment);
}

void HistoryCommands::forget() {
    if (!m_dialog || tree::storeWaiting())
        return;
    desktop::Desktop& desktop = m_context.desktop();
    QDialog ask(m_dialog);
    ask.setWindowTitle(tr("Forget Changes Before"));
    auto* moment = new QDateTimeEdit(QDateTime::currentDateTime().addMonths(-12), &ask);
    moment->setObjectName(QStringLiteral("forgetMoment"));
    moment->setCalendarPopup(true);
    moment->setDisplayFormat(QLocale().dateTimeFormat(QLocale::ShortFormat));
    auto* form = new QFormLayout(&ask);
    auto* label = new QLabel(tr("Forget every change &before:"), &ask);
    label->setBuddy(moment);
    form->addRow(label, moment);
    auto* note = new QLabel(tr("The bill can be shown as of any moment from then "
                               "on, never before it. Nothing of the database "
                               "changes."),
                            &ask);
    note->setWordWrap(true);
    form->addRow(note);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("&Forget"));
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    form->addRow(buttons);
    if (desktop.runDialog(ask) != QDialog::Accepted)
        return;
    const QDateTime cut = moment->dateTime().toUTC();
    tree::Forgotten forgotten;
    try {
        const desktop::BusyPointer busy(desktop);
        forgotten = tree::forgetHistoryBefore(desktop, m_context.databasePath(), cut, m_opener);
    } catch (const store::StoreError& error) {
        // The pieces forgotten before the failure are not counted: no "Done" is said.
        desktop.messageBox(error.message(), desktop::OkOnly | desktop::IconStop);
        return;
    }
    m_context.showStatus((forgotten.stopped ? tr("Stopped: %Ln change(s) of the history forgotten.",
                                                 nullptr, int(forgotten.changes))
                                            : tr("Done: %Ln change(s) of the history forgotten.",
                                                 nullptr, int(forgotten.changes))));
    read();
}

void HistoryCommands::remember(const QModelIndex& node) {
    if (!node.isValid()) {
        m_line.reset();
        return;
    }
    // A node is the line from its parent (or the loaded item) to its own item.
    m_line = Line{m_context.model().assemblyOf(node), node.siblingAtColumn(0).data().toString()};
}

void HistoryCommands::open() {
    ChangeHistoryDialog& window = dialog();
    window.setScope(ChangeHistoryDialog::LoadedBill);
    window.show();
    window.raise();
    window.activateWindow();
    read();
}

void HistoryCommands::openLine(const QModelIndex& node) {
    remember(node);
    ChangeHistoryDialog& window = dialog();
    window.setScope(ChangeHistoryDialog::ThisLine);
    window.show();
    window.raise();
    window.activateWindow();
    read();
}

void HistoryCommands::closeWindow() {
    m_line.reset();
    if (m_dialog)
        m_dialog->close();
}

std::optional<store::HistoryQuery> HistoryCommands::query() {
    store::HistoryQuery query = m_dialog->filters();
    switch (m_dialog->scope()) {
    case ChangeHistoryDialog::LoadedBill: {
        // Every assembly of the bill: its lower levels may still be being read.
        if (!m_context.model().document().ensureWhole(m_context.desktop()))
            return std::nullopt;
        const tree::Structure& structure = m_context.model().structure();
        if (structure.topText().isEmpty()) {
            m_dialog->setHeading(tr("No bill is loaded: load an item, or choose "
                                    "the whole database."));
            return std::nullopt;
        }
        // Every assembly whose bill the structure holds, an empty one too: a line it had
        // once belongs to the bill's history.
        for (int item = 0; item < structure.itemCount(); ++item)
            if (structure.isRead(item))
                query.assemblies.append(structure.textOf(item));
        m_dialog->setHeading(tr("Changes to the bill of %1").arg(structure.topText()));
        break;
    }
    case ChangeHistoryDialog::ThisLine:
        if (!m_line) {
            m_dialog->setHeading(tr("No line is chosen: click a node of the tree "
                                    "first."));
            return std::nullopt;
        }
        query.assemblies = {m_line->assembly};
        query.component = m_line->component;
        m_dialog->setHeading(
            tr("Changes to the line %1 → %2").arg(m_line->assembly, m_line->component));
        break;
    case ChangeHistoryDialog::WholeDatabase:
        m_dialog->setHeading(tr("Changes to the whole database"));
        break;
    }
    return query;
}

void HistoryCommands::read() {
    // One operation at a time: a Show pressed again while the window waits on the store
    // would start a second trip inside the first one's wait.
    if (!m_dialog || tree::storeWaiting())
        return;
    const std::optional<store::HistoryQuery> wanted = query();
    if (!wanted) {
        m_dialog->showChanges({}, 0, {});
        return;
    }
    desktop::Desktop& desktop = m_context.desktop();
    const QString location = m_context.databasePath();
    tree::HistoryPage page;
    try {
        const desktop::BusyPointer busy(desktop);
        page = tree::readHistory(desktop, location, *wanted, m_opener);
    } catch (const store::StoreError& error) {
        // The user's own Cancel needs no message; the list stays as it was.
        if (error.number() != store::OperationCancelled)
            desktop.messageBox(error.message(), desktop::OkOnly);
        return;
    }
    if (m_dialog)
        m_dialog->showChanges(std::move(page.changes), page.kept, page.keptSince);
}

void HistoryCommands::exportListed(bool excel) {
    if (!m_dialog || m_dialog->changes().empty())
        return;
    desktop::Desktop& desktop = m_context.desktop();
    const std::vector<store::ChangeRecord>& changes = m_dialog->changes();
    const auto path = desktop.saveFile(
        tr("Export Change History"),
        proposedExportPath(QStringLiteral("change-history"),
                           excel ? QStringLiteral(".xlsx") : QStringLiteral(".csv"),
                           m_context.databasePath()),
        excel ? QStringList{tr("Excel workbooks (*.xlsx)"), tr("All files (*)")}
              : QStringList{tr("CSV files (*.csv)"), tr("All files (*)")});
    if (!path)
        return;
    try {
        const desktop::BusyPointer busy(desktop);
        if (excel) {
            XlsxSheet sheet(*path, QStringLiteral("Change History"), tree::historyHeader());
            for (const store::ChangeRecord& change : changes) {
                sheet.startRow();
                const QStringList cells = tree::historyCells(change, tree::HistoryTime::Local);
                for (int column = 0; column < cells.size(); ++column)
                    sheet.text(column, cells[column]);
            }
            sheet.commit();
        } else {
            WholeFile file(*path);
            file.write(tree::historyCsv(changes, tree::HistoryTime::Local));
            file.commit();
        }
        m_context.showStatus(
            tr("Change history written to %1: %Ln row(s).", nullptr, int(changes.size()))
                .arg(QDir::toNativeSeparators(*path)));
    } catch (const store::StoreError& error) {
        desktop.messageBox(error.message(), desktop::OkOnly);
    }
}

} // namespace shell
