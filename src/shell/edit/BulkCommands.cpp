#include "shell/edit/BulkCommands.h"

#include "shell/edit/ItemPickDialog.h"
#include "shell/edit/ReplaceDialog.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"
#include "shell/live/ChangeNote.h"

#include "desktop/Desktop.h"
#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/Texts.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/BulkEdits.h"
#include "tree/edits/LineEdits.h"
#include "tree/edits/Quantity.h"

#include <QCoreApplication>
#include <QMenu>

#include <algorithm>

namespace shell {

BulkCommands::BulkCommands(CommandContext& context)
    : QObject(context.window()), m_context(context), m_desktop(context.desktop()),
      m_edits(context.edits()), m_model(context.model()), m_window(context.window()) {}

void BulkCommands::addTo(CommandRegistry& commands) {
    QAction* replace =
        commands.add(MenuGroup::EditBulk, "mnuReplaceComponent", tr("Rep&lace Component\u2026"));
    connect(replace, &QAction::triggered, this, [this] { this->replace(); });
    QAction* remove =
        commands.add(MenuGroup::EditBulk, "mnuRemoveEverywhere", tr("Remove From &Every Assembly"));
    connect(remove, &QAction::triggered, this, &BulkCommands::removeEverywhere);
    QAction* copy = commands.add(MenuGroup::EditBulk, "mnuCopyBill", tr("Cop&y Bill To\u2026"));
    connect(copy, &QAction::triggered, this, &BulkCommands::copyBill);
}

void BulkCommands::report(int number, const QString& description) {
    m_desktop.messageBox(store::StoreError(number, description).message(), desktop::OkOnly);
}

std::optional<QString> BulkCommands::oldComponent(const QString& given) {
    if (!given.isEmpty())
        return given;
    if (auto current = m_context.currentItem(); current && !current->isEmpty())
        return current;
    report(store::NoComponentChosen,
           tr("Choose the component first: a node of the tree, or a line of the "
              "Item Master list."));
    return std::nullopt;
}

std::optional<QString> BulkCommands::pickItem(const QString& title, const QString& prompt,
                                              QString* reason) {
    const auto items = m_edits.itemLines();
    if (!items)
        return std::nullopt;
    ItemPickDialog dialog(title, prompt, *items, m_window);
    if (reason)
        dialog.askReason();
    if (m_desktop.runDialog(dialog) != QDialog::Accepted || dialog.chosen().isEmpty())
        return std::nullopt;
    if (reason)
        *reason = dialog.reason();
    return dialog.chosen();
}

namespace {

/// Each line's refusal in a batch whose n-th removed line goes with its n-th added one: the
/// removal's, else the addition's.
std::vector<std::optional<store::StoreError>> perLineRefusals(const store::BatchRefusals& refusals) {
    std::vector<std::optional<store::StoreError>> perLine = refusals.added;
    for (size_t at = 0; at < perLine.size() && at < refusals.removed.size(); ++at)
        if (refusals.removed[at])
            perLine[at] = refusals.removed[at];
    return perLine;
}

/// How many assemblies a command's name counts, in the English of the names that the
/// database's change history records, whatever the user's language.
QString assemblies(size_t count) {
    return tree::counted(qint64(count), QStringLiteral("assembly"), QStringLiteral("assemblies"));
}

} // namespace

std::optional<std::pair<QString, std::vector<store::LineRow>>>
BulkCommands::usesOf(const QString& given, const QString& verb) {
    const auto old = oldComponent(given);
    if (!old)
        return std::nullopt;
    auto uses = m_edits.linesUsing(*old);
    if (!uses)
        return std::nullopt;
    if (uses->empty()) {
        report(store::NotAComponent,
               tr("'%1' is a component of no assembly: there is nothing to %2.").arg(*old, verb));
        return std::nullopt;
    }
    return std::pair(*old, std::move(*uses));
}

void BulkCommands::replace(const QString& given) {
    if (m_edits.refusesEdits())
        return;
    const auto uses = usesOf(given, tr("replace"));
    if (!uses)
        return;
    const QString& old = uses->first;
    const std::vector<store::LineRow>& rows = uses->second;
    const auto component =
        pickItem(tr("Replace Component"),
                 tr("Replace %1 with the item (%1 itself: set its quantity):").arg(old));
    if (!component)
        return;
    if (store::foldKey(*component) == store::foldKey(old)) {
        setQuantity(old, rows);
        return;
    }
    // Checked as a whole: a line refused here (a cycle, a duplicate) is shown and not ticked.
    const auto refusals = m_edits.checkLines(tree::replaceBatch(rows, *component, {}));
    if (!refusals)
        return;
    const std::vector<std::optional<store::StoreError>> perLine = perLineRefusals(*refusals);
    ReplaceDialog dialog(ReplaceDialog::Mode::Replace, old, *component, rows, perLine,
                         m_window);
    m_open = &dialog;
    if (m_desktop.runDialog(dialog) != QDialog::Accepted)
        return;
    const std::vector<store::LineRow> chosen = tree::linesAt(rows, dialog.ticked());
    if (chosen.empty())
        return;
    const store::LineBatch batch = tree::replaceBatch(chosen, *component, dialog.factor());
    // A factor that makes a quantity zero or less is asked about as a typed one is; a
    // quantity that was so already is kept without a question.
    QStringList unlikely;
    for (size_t at = 0; at < chosen.size(); ++at)
        if (tree::isNumber(chosen[at].quantity) && chosen[at].quantity.toDouble() > 0 &&
            batch.added[at].quantity.toDouble() <= 0)
            unlikely.append(tree::lineText(batch.added[at].assembly, batch.added[at].component,
                                           batch.added[at].quantity.toDouble()));
    if (!m_edits.confirmUnlikelyQuantities(unlikely))
        return;
    // The current node, when it is one of the lines replaced, stays on the line that takes its
    // place rather than moving to a sibling as its line goes.
    BomTreeView& view = m_context.tree();
    const QModelIndex current = view.currentIndex().siblingAtColumn(tree::ItemIdColumn);
    const bool replacesCurrent =
        current.isValid() && store::foldKey(m_model.text(current)) == store::foldKey(old) &&
        std::any_of(chosen.cbegin(), chosen.cend(), [&](const store::LineRow& row) {
            return store::foldKey(row.assembly) == store::foldKey(m_model.assemblyOf(current));
        });
    const QPersistentModelIndex parent = current.parent();
    const bool top = !current.parent().isValid();
    if (!m_edits.writeLines(batch,
                            QStringLiteral("Replace %1 with %2 in %3")
                                .arg(old, *component, assemblies(chosen.size())),
                            dialog.reason()) ||
        !replacesCurrent || (!top && !parent.isValid()))
        return;
    for (int row = 0; row < m_model.rowCount(parent); ++row) {
        const QModelIndex node = m_model.index(row, tree::ItemIdColumn, parent);
        if (store::foldKey(m_model.text(node)) == store::foldKey(*component)) {
            // The status keeps saying what was done, not what the new current node is.
            const QString done = m_context.status();
            view.setCurrentIndex(node);
            m_context.showStatus(done);
            return;
        }
    }
}

void BulkCommands::setQuantity(const QString& component, const std::vector<store::LineRow>& rows) {
    // Each line is written back under its own key with its new quantity: a line that changed
    // or went since it was read is refused here, shown and not ticked.
    const auto refusals = m_edits.checkLines(tree::quantityBatch(rows, {}));
    if (!refusals)
        return;
    const std::vector<std::optional<store::StoreError>> perLine = perLineRefusals(*refusals);
    ReplaceDialog dialog(ReplaceDialog::Mode::SetQuantity, component, component, rows, perLine,
                         m_window);
    m_open = &dialog;
    if (m_desktop.runDialog(dialog) != QDialog::Accepted)
        return;
    const std::vector<store::LineRow> chosen = tree::linesAt(rows, dialog.ticked());
    const auto rule = dialog.quantityRule();
    if (chosen.empty() || !rule)
        return;
    const store::LineBatch batch = tree::quantityBatch(chosen, *rule);
    QStringList unlikely;
    for (size_t at = 0; at < chosen.size(); ++at)
        if (tree::isNumber(batch.added[at].quantity) && batch.added[at].quantity.toDouble() <= 0 &&
            !(tree::isNumber(chosen[at].quantity) && chosen[at].quantity.toDouble() <= 0))
            unlikely.append(tree::lineText(batch.added[at].assembly, batch.added[at].component,
                                           batch.added[at].quantity.toDouble()));
    if (!m_edits.confirmUnlikelyQuantities(unlikely))
        return;
    m_edits.writeLines(batch,
                       QStringLiteral("Set the quantity of %1 in %2")
                           .arg(component, assemblies(chosen.size())),
                       dialog.reason());
}

void BulkCommands::removeEverywhere() {
    if (m_edits.refusesEdits())
        return;
    const auto uses = usesOf({}, tr("remove"));
    if (!uses)
        return;
    const QString& old = uses->first;
    const std::vector<store::LineRow>& rows = uses->second;
    const auto refusals = m_edits.checkLines(tree::removeBatch(rows));
    if (!refusals)
        return;
    ReplaceDialog dialog(ReplaceDialog::Mode::Remove, old, {}, rows, refusals->removed,
                         m_window);
    m_open = &dialog;
    if (m_desktop.runDialog(dialog) != QDialog::Accepted)
        return;
    const std::vector<store::LineRow> chosen = tree::linesAt(rows, dialog.ticked());
    if (chosen.empty())
        return;
    m_edits.writeLines(tree::removeBatch(chosen),
                       QStringLiteral("Remove %1 from %2").arg(old, assemblies(chosen.size())),
                       dialog.reason());
}

void BulkCommands::copyBill() {
    if (m_edits.refusesEdits())
        return;
    const QString source = m_model.topAssembly();
    const auto bill = source.isEmpty() ? std::optional<std::vector<store::LineRow>>(
                                             std::vector<store::LineRow>())
                                       : m_edits.linesOf(source);
    if (!bill)
        return;
    if (bill->empty()) {
        report(store::NoBillToCopy,
               source.isEmpty() ? tr("No item is loaded: load the item whose bill is to be copied.")
                                : tr("'%1' has no bill of material to copy.").arg(source));
        return;
    }
    QString reason;
    const auto target = pickItem(
        tr("Copy Bill To"),
        tr("Copy the %Ln line(s) of %1 into the bill of the item:", nullptr, int(bill->size()))
            .arg(source),
        &reason);
    if (!target)
        return;
    const store::LineBatch batch = tree::copyBatch(*bill, *target);
    const auto refusals = m_edits.checkLines(batch);
    const auto existing = m_edits.linesOf(*target);
    if (!refusals || !existing)
        return;
    const std::vector<size_t> going = tree::unrefused(refusals->added);
    const QString refused = tree::refusalList(batch.added, refusals->added);
    if (going.empty()) {
        report(store::EveryLineRefused,
               tr("None of the lines of %1 can go into the bill of %2; nothing was "
                  "written:\n%3")
                   .arg(source, *target, refused));
        return;
    }
    // A bill there already is added to only when the user says so; what cannot go in (a line
    // it lists already, a cycle) is listed and skipped.
    if (!existing->empty() || going.size() < batch.added.size()) {
        const QString question = !existing->empty()
                                     ? tr("%1 Has A Bill Of Material. Add To It?").arg(*target)
                                     : tr("Copy The Lines That Can Go In?");
        QString informative = tr("OK: %1 of the %Ln line(s) of %2 go into the bill of %3", nullptr,
                                 int(batch.added.size()))
                                  .arg(going.size())
                                  .arg(source, *target);
        informative += going.size() < batch.added.size()
                           ? tr("; these are skipped:\n%1\n").arg(refused)
                           : QStringLiteral(". ");
        informative += tr("Cancel: nothing is written.");
        if (m_desktop.messageBox(question, desktop::OkCancel | desktop::IconQuestion,
                                 tree::ShortTitle, informative) != desktop::ResultOk)
            return;
    }
    store::LineBatch chosen;
    chosen.added = tree::linesAt(batch.added, going);
    m_edits.writeLines(chosen, QStringLiteral("Copy Bill of %1 to %2").arg(source, *target),
                       reason);
}

void BulkCommands::noteChanges(const store::Changes& changes) {
    if (m_open)
        m_open->noteChange(changeNoteFor(changes, m_open->assemblies(),
                                         tr("a line that changed is refused when it is written.")));
}

} // namespace shell
