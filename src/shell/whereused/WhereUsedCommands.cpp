#include "shell/whereused/WhereUsedCommands.h"

#include "shell/live/ChangeNote.h"

#include "shell/whereused/WhereUsedDialog.h"
#include "desktop/Desktop.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/BomEditor.h"
#include "tree/StoreWaiting.h"
#include "tree/WhereUsedReport.h"

#include <QApplication>
#include <QAbstractItemView>
#include <QTreeView>

namespace shell {

WhereUsedCommands::WhereUsedCommands(desktop::Desktop& desktop, tree::DatabaseSession& session,
                                     QTreeView& tree, QAbstractItemView& list,
                                     std::function<void(const QString&)> loadAssembly,
                                     QWidget* window)
    : QObject(window), m_desktop(desktop), m_session(session), m_tree(tree), m_list(list),
      m_loadAssembly(std::move(loadAssembly)), m_window(window) {
    // The menu takes the focus while it is open, so the item follows the control that had it
    // last, not the one that has it now.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (now == &m_tree)
            m_treeLast = true;
        else if (now == &m_list)
            m_treeLast = false;
    });
}

std::optional<QString> WhereUsedCommands::item() const {
    const QModelIndex current = m_treeLast ? m_tree.currentIndex() : m_list.currentIndex();
    if (!current.isValid())
        return std::nullopt;
    // Whatever column of the node is current, the item is its ID.
    return current.siblingAtColumn(0).data().toString();
}

std::optional<tree::WhereUsedReport> WhereUsedCommands::find(const QString& item) {
    std::optional<store::StoreError> failure;
    {
        const desktop::BusyPointer busy(m_desktop);
        // The first Where Used on a file reads all its lines, seconds on millions of them: a
        // progress window with Cancel, opened only when the store starts such a reading, and
        // closed before any message about the outcome.
        std::unique_ptr<desktop::Progress> progress;
        const auto report = [&](qint64 done, qint64 total) {
            if (!progress)
                progress = m_desktop.startProgress(
                    QStringLiteral("Reading the bills of material of %1…")
                        .arg(store::shownLocation(m_session.databasePath())),
                    QStringLiteral("Where Used"));
            return progress->advance(done, total);
        };
        try {
            const std::unique_ptr<store::Store> db = tree::openStoreWaiting(
                m_desktop, m_session.databasePath(),
                QStringLiteral("Finding where %1 is used…").arg(item));
            tree::WhereUsedReport found;
            found.item = item;
            if (const auto known = db->findItem(item)) {
                found.item = known->id;
                found.description = known->description.value_or(tree::NoDescription);
                found.unit = known->unit.value_or(QString());
            }
            found.rows = db->whereUsed(item, report);
            return found;
        } catch (const store::StoreError& error) {
            failure = error;
        }
    }
    // The user's own Cancel needs no message: nothing was kept of the reading.
    if (failure->number() != store::WhereUsedCancelled &&
        failure->number() != store::OperationCancelled)
        m_desktop.messageBox(failure->message(), desktop::OkOnly);
    return std::nullopt;
}

void WhereUsedCommands::run() {
    const std::optional<QString> chosen = item();
    // With no item, the numbered message says what to choose.
    const auto report = chosen ? find(*chosen)
                               : tree::findWhereUsed(m_desktop, m_session.databasePath(), chosen);
    if (!report)
        return;
    if (!m_dialog) {
        m_dialog = new WhereUsedDialog(m_loadAssembly, m_window);
        m_dialog->setReplace(m_replace);
    }
    m_dialog->showReport(*report);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

} // namespace shell

namespace shell {

void WhereUsedCommands::closeWindow() {
    if (m_dialog)
        m_dialog->close();
}

void WhereUsedCommands::noteChanges(const store::Changes& changes) {
    if (m_dialog && m_dialog->isVisible())
        m_dialog->noteChange(changeNoteFor(
            changes, m_dialog->assemblies(),
            QStringLiteral("run Where Used again to see them as they are now.")));
}

} // namespace shell
