#include "tree/BomEditor.h"

#include "desktop/Desktop.h"
#include "store/LineRules.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/AlsoUsed.h"
#include "tree/BomTreeModel.h"
#include "tree/EditCommands.h"
#include "tree/LineShow.h"
#include "tree/Quantity.h"
#include "tree/StoreWaiting.h"
#include "tree/TreeEdits.h"

#include <QDateTime>
#include <QLocale>
#include <QScopeGuard>

#include <algorithm>

namespace tree {

namespace {

/// A line as the questions and the status name it: "MAST → 1551AGY".
QString lineName(const QString& assembly, const QString& component) {
    return QStringLiteral("%1 \u2192 %2").arg(assembly, component);
}

/// "quantity 1", or what a Null quantity is called.
QString quantityPhrase(std::optional<double> quantity) {
    return quantity ? QStringLiteral("quantity %1").arg(formatQuantity(*quantity))
                    : QStringLiteral("no quantity");
}

} // namespace

bool DatabaseSession::chooseIfNone() {
    if (!isKnown())
        openFileDialog();
    return isKnown();
}

bool DatabaseSession::chooseForThisRunIfNone(desktop::Desktop& desktop) {
    if (isKnown())
        return true;
    const auto chosen = desktop.openFile(desktop::FileDialogTitle);
    if (!chosen)
        return false;
    setDatabasePath(*chosen);
    return true;
}

BomEditor::BomEditor(desktop::Desktop& desktop, DatabaseSession& session, BomTreeModel& model,
                     std::function<void(const QString&)> showStatus)
    : m_desktop(desktop), m_session(session), m_model(model),
      m_showStatus(std::move(showStatus)) {
    m_model.setLimits(DefaultNodeLimit, DefaultDepthLimit);
    QObject::connect(&m_history, &QUndoStack::indexChanged, &m_history,
                     [this](int index) { reportHistoryStep(index); });
}

void BomEditor::reportHistoryStep(int index) {
    const int count = m_history.count();
    const QUndoCommand* latest = index > 0 ? m_history.command(index - 1) : nullptr;
    // A step pushed is one the history has not held before: the command is made before the
    // push, while every command it may replace still lives, so its address is new.
    if (count == 0) {
        // The history was emptied with the database it belonged to: nothing was done.
    } else if (latest && index > m_historyIndex && !m_historySeen.contains(latest)) {
        m_showStatus(QStringLiteral("Done: %1.").arg(latest->text()));
    } else if (index < m_historyIndex && count == m_historyCount) {
        m_showStatus(QStringLiteral("Undone: %1.").arg(m_history.command(index)->text()));
    } else if (index > m_historyIndex && count == m_historyCount) {
        m_showStatus(QStringLiteral("Redone: %1.").arg(latest->text()));
    } else {
        // A step the database refused left the history; its refusal has been shown.
        m_showStatus(m_session.databasePath());
    }
    m_historyIndex = index;
    m_historyCount = count;
    m_historySeen.clear();
    for (int i = 0; i < count; ++i)
        m_historySeen.append(m_history.command(i));
}

bool BomEditor::confirmUnlikelyQuantity(const QString& typed, const QString& assembly,
                                        const QString& component) {
    return m_desktop.messageBox(
               QStringLiteral("Use Quantity %1?").arg(typed.trimmed()),
               desktop::YesNo | desktop::IconQuestion, ShortTitle,
               QStringLiteral("A quantity of zero or less is seldom meant. Yes: the line %1 "
                              "gets it. No: nothing is written.")
                   .arg(lineName(assembly, component))) == desktop::ResultYes;
}

bool BomEditor::confirmUnlikelyQuantities(const QStringList& lines) {
    if (lines.isEmpty())
        return true;
    constexpr qsizetype Listed = 12;
    QStringList shown = lines.mid(0, Listed);
    if (lines.size() > Listed)
        shown.append(QStringLiteral("and %1 more").arg(lines.size() - Listed));
    return m_desktop.messageBox(
               lines.size() == 1 ? QStringLiteral("Use a Quantity of Zero or Less?")
                                 : QStringLiteral("Use Quantities of Zero or Less?"),
               desktop::YesNo | desktop::IconQuestion, ShortTitle,
               QStringLiteral("A quantity of zero or less is seldom meant. Yes: these lines get "
                              "theirs:\n%1\nNo: nothing is written.")
                   .arg(shown.join(u'\n'))) == desktop::ResultYes;
}

void BomEditor::setLimits(int nodeLimit, int depthLimit) { m_model.setLimits(nodeLimit, depthLimit); }

void BomEditor::expandAll(const std::function<void(const std::vector<QModelIndex>&)>& expandView) {
    std::optional<desktop::BusyPointer> busy(std::in_place, m_desktop);
    const bool complete = m_model.openAll();
    m_model.holdFetching(true);
    expandView(m_model.openedNodes());
    m_model.holdFetching(false);
    busy.reset();
    if (m_model.reachesDepthLimit())
        report(store::StoreError(store::DepthLimit,
                                 QStringLiteral("The structure is deeper than %1 levels; the "
                                                "tree shows the first %1 and stops there.")
                                     .arg(m_model.depthLimit()))
                   .message());
    if (!complete)
        // Counted over the structure: the rows the tree would have, none of them made.
        report(store::StoreError(store::NodeLimit,
                                 QStringLiteral("The structure has %1 rows; Expand All opened "
                                                "the first %2.")
                                     .arg(QLocale().toString(m_model.structureRows()),
                                          QLocale().toString(m_model.nodeCount())))
                   .message());
}

void BomEditor::report(const QString& message) { m_desktop.messageBox(message, desktop::OkOnly); }

template <class Work>
std::optional<store::StoreError> BomEditor::tryStore(Work&& work, const QString& label) {
    // The work may name its later calls otherwise (nameCalls); the label is the work's own.
    const auto named = std::make_shared<QString>(label);
    const std::shared_ptr<QString> outer = std::exchange(m_callLabel, named);
    const auto restore = qScopeGuard([&] { m_callLabel = outer; });
    try {
        // Each store call runs off the window's thread; this code waits for it, in order.
        const std::unique_ptr<store::Store> opened =
            openStoreWaiting(m_desktop, m_session.databasePath(), named);
        std::forward<Work>(work)(*opened);
    } catch (const store::StoreError& error) {
        return error;
    }
    return std::nullopt;
}

template <class Work> bool BomEditor::withStore(Work&& work) {
    const auto failure = tryStore(std::forward<Work>(work));
    if (failure)
        report(failure->message());
    return !failure;
}

QString BomEditor::load(const QString& item) {
    m_showStatus(QStringLiteral("...searching Bill of Material structure..."));
    std::optional<desktop::BusyPointer> busy(std::in_place, m_desktop);
    // The loaded item is remembered with the tree: later edits of the Item ID field never
    // change which assembly the top-level nodes belong to.
    m_model.clear(item);
    // Without one, the load goes on and its open says that no database was chosen.
    m_session.chooseIfNone();

    QString description;
    std::optional<store::StoreError> failure;
    QHash<QString, store::ComponentLines> lines;
    const QString path = m_session.databasePath();
    if (const auto refused = tryStore([&](store::Store& db) {
            if (const auto found = db.findItem(item))
                description = found->description.value_or(NoDescription);
            else if (!item.isEmpty())
                // The load stays silent about an ID that names nothing, but shows it.
                description = NotInItemMaster;
            m_desktop.processEvents();
            // Each reachable line once, however many paths lead through it: the tree opens
            // its nodes from these as they are opened.
            lines = db.reachableLines(item);
        }, QStringLiteral("Loading the bill of material of %1\u2026").arg(item)))
        failure = refused;
    // Another database chosen while the load let events run: what was read belongs to the
    // file left, and the tree must not show it as the new one's.
    if (m_session.databasePath() != path) {
        m_model.clear(QString());
        m_topDescription.clear();
        m_showStatus(m_session.databasePath());
        return {};
    }
    m_model.load(item, failure ? QHash<QString, store::ComponentLines>() : lines);
    m_topDescription = description;
    if (failure) {
        busy.reset();
        report(failure->message());
    }
    m_showStatus(description == NotInItemMaster
                     ? QStringLiteral("'%1' is not in the Item Master of %2").arg(item, path)
                     : path);
    return description;
}

std::optional<ComponentFacts> BomEditor::statistics(const QModelIndex& node) {
    // With no node there is nothing to show, and nothing of another node may stay.
    if (!node.isValid())
        return ComponentFacts{};
    m_showStatus(QStringLiteral("...accessing Item Master record..."));
    if (!m_session.chooseForThisRunIfNone(m_desktop)) {
        m_showStatus(m_session.databasePath());
        return std::nullopt;
    }
    ComponentFacts facts;
    if (!withStore([&](store::Store& db) {
            const QString component = m_model.text(node);
            // The node's own line: (parent node, node), or (loaded item, node) at the top level.
            const auto line = db.findQuantity(m_model.assemblyOf(node), component);
            facts.quantity = line && *line ? formatQuantity(**line) : QString();
            if (const auto item = db.findItem(component)) {
                facts.unit = item->unit.value_or(QString());
                facts.description = item->description.value_or(NoDescription);
            } else {
                facts.description = NotInItemMaster;
            }
        }))
        // Half a read would show this node's quantity beside another node's description.
        facts = {};
    m_showStatus(m_session.databasePath());
    return facts;
}

void BomEditor::addComponent(const QModelIndex& dropTarget, const QString& component) {
    const QPersistentModelIndex target = dropTarget;
    // A new bill starts with a drop on the empty tree of the item loaded.
    const bool first = !target.isValid() && m_model.rowCount() == 0 &&
                       !m_model.topAssembly().isEmpty();
    if ((!target.isValid() && !first) || component.isEmpty())
        return;
    const int answer =
        first ? int(desktop::ResultYes)
              : m_desktop.messageBox(
                    QStringLiteral("Make Target Item A Parent?"),
                    desktop::YesNo | desktop::IconQuestion, ShortTitle,
                    withAlsoUsed(QStringLiteral("Yes: %1 goes into %2. No: beside %2, into %3.")
                                     .arg(component, m_model.text(target),
                                          m_model.assemblyOf(target)),
                                 {{m_model.text(target), m_model.assemblyOf(target)},
                                  {m_model.assemblyOf(target), assemblyAbove(m_model, target)}}));
    // Esc or closing the box: the user has not decided, so the drop ends here.
    if (answer == desktop::ResultCancel)
        return;
    const bool asChild = answer != desktop::ResultNo;
    const QString assembly = first     ? m_model.topAssembly()
                             : asChild ? m_model.text(target)
                                       : m_model.assemblyOf(target);
    // A line the database would refuse is refused before the quantity is asked for.
    if (m_session.isKnown() &&
        !withStore([&](store::Store& db) { db.checkNewLine(assembly, component); }))
        return;
    const auto typed =
        m_desktop.inputBox(QStringLiteral("Enter the quantity required of the new component."),
                           QStringLiteral("Add BOM Item"), QStringLiteral("0"));
    if (!typed)
        return;
    const auto quantity = parseQuantity(*typed);
    if (!quantity) {
        report(store::StoreError(store::InvalidQuantity, quantityProblem(*typed)).message());
        return;
    }
    if (*quantity <= 0 && !confirmUnlikelyQuantity(*typed, assembly, component))
        return;
    if (!target.isValid() && !first)
        return;
    if (!m_session.chooseIfNone())
        return;
    const QDateTime started = QDateTime::currentDateTime();
    // Only a saved line gets nodes: the tree never shows a line that is not in the database.
    // It goes into the assembly's bill once, and every copy shows it.
    const auto show = lineShowing(assembly, component);
    // One write transaction refuses a cycle or a line the assembly has, then inserts: a
    // Cancel while it runs rolls it back, and nothing was written.
    const auto [written, failure] = writeThenShow(
        [&](store::Store& db) { db.addLine(assembly, component, *quantity, started); }, show);
    if (!written) {
        report(failure->message());
        return;
    }
    // Committed: the step holds the line as written, whatever happens to its showing.
    m_history.push(new LineCommand(*this,
                                   {assembly, component, QVariant(*quantity),
                                    started.toString(store::schema::StartDateFormat)},
                                   LineCommand::Added));
    m_showStatus(QStringLiteral("Added the line %1, %2.")
                     .arg(lineName(assembly, component), quantityPhrase(*quantity)));
    afterShowing(failure, show);
}

void BomEditor::deleteComponent(const QModelIndex& selected) {
    const QPersistentModelIndex node = selected;
    if (!node.isValid())
        return;
    // What the question names is what is deleted: a line that another editor changed while
    // the question was up is refused, not deleted with a quantity nobody was asked about.
    const std::optional<double> asked = m_model.quantity(node);
    const QString line = QStringLiteral("the line %1, %2")
                             .arg(lineName(m_model.assemblyOf(node), m_model.text(node)),
                                  quantityPhrase(asked));
    if (m_desktop.messageBox(QStringLiteral("Delete Selected Item?"),
                             desktop::OkCancel | desktop::IconStop, ShortTitle,
                             withAlsoUsed(QStringLiteral("Deletes %1.").arg(line),
                                          {{m_model.assemblyOf(node),
                                            assemblyAbove(m_model, node)}})) ==
        desktop::ResultCancel)
        return;
    if (!node.isValid())
        return;
    const QString assembly = m_model.assemblyOf(node);
    const QString component = m_model.text(node);
    QString done;
    const auto failure = tryStore([&](store::Store& db) {
        const auto row = db.findLine(assembly, component);
        if (!row) {
            // Another program removed the line meanwhile. Its nodes go all the same: the
            // tree shows no line that the database does not hold.
            m_desktop.messageBox(QStringLiteral("Error in Database!  This item can not be located!"),
                                 desktop::IconStop, ShortTitle);
            return;
        }
        bool number = false;
        const double stored = row->quantity.toDouble(&number);
        // A quantity stored as text shows as none, as the tree shows it.
        const std::optional<double> shown =
            !row->quantity.isNull() && number ? std::optional<double>(stored) : std::nullopt;
        if (shown != asked)
            throw store::errors::lineChanged(assembly, component);
        db.removeUnchangedLine(*row);
        m_history.push(new LineCommand(*this, *row, LineCommand::Deleted));
        done = QStringLiteral("Deleted the line %1, %2.")
                   .arg(lineName(assembly, component),
                        row->quantity.isNull() || number
                            ? quantityPhrase(shown)
                            : QStringLiteral("quantity %1").arg(row->quantity.toString()));
    });
    if (failure) {
        report(failure->message());
        // The nodes show the line as the database now holds it.
        if (failure->number() == store::LineChanged)
            showLineAsStored(assembly, component);
        return;
    }
    // The assembly is one bill wherever it stands: the line leaves every copy of it.
    m_model.removeLine(assembly, component);
    if (!done.isEmpty())
        m_showStatus(done);
}

void BomEditor::changeQuantity(const QModelIndex& index, const QString& typed) {
    const QPersistentModelIndex node = index.siblingAtColumn(ItemIdColumn);
    if (!node.isValid())
        return;
    const auto shown = m_model.quantity(node);
    // The editor opens with the text the cell shows, which rounds to 15 digits: committed as
    // it opened, nothing was changed, and a write would replace the stored value by its
    // rounding.
    if (typed.trimmed() == (shown ? formatQuantity(*shown) : QString()))
        return;
    const auto quantity = parseQuantity(typed);
    if (!quantity) {
        report(store::StoreError(store::InvalidQuantity, quantityProblem(typed)).message());
        return;
    }
    if (shown == quantity)
        return;
    if (*quantity <= 0 &&
        !confirmUnlikelyQuantity(typed, m_model.assemblyOf(node), m_model.text(node)))
        return;
    const QString assembly = m_model.assemblyOf(node);
    const QString component = m_model.text(node);
    const QString above = assemblyAbove(m_model, node);
    QString alsoUsed;
    // The quantity the tree shows is what the user changed: the line must still hold it.
    store::LineRow row{assembly, component, shown ? QVariant(*shown) : QVariant(), QVariant()};
    if (const auto failure = tryStore([&](store::Store& db) {
            if (!shown) {
                // An empty cell shows Null, and also a quantity that is not a number (text that
                // another program wrote), which the user sets right this way: the line holds
                // what the cell shows if it holds either, and an undo puts that text back.
                if (const auto stored = db.findLine(assembly, component);
                    stored && !stored->quantity.isNull() && !isNumber(stored->quantity))
                    row.quantity = stored->quantity;
            }
            const QVariant before = row.quantity;
            row = db.changeQuantity(assembly, component, before, *quantity);
            // The step starts from the line as it was: its quantity, and the start date the
            // write left as it found it.
            store::LineRow was = row;
            was.quantity = before;
            showQuantity(row);
            m_history.push(new QuantityCommand(*this, std::move(was), std::move(row)));
            // The edit asks nothing: where else it shows is said once it is written.
            alsoUsed = alsoUsedNote(assembly, otherUsers(db, assembly, above));
        })) {
        report(failure->message());
        if (failure->number() == store::LineChanged)
            showLineAsStored(assembly, component);
        return;
    }
    if (!alsoUsed.isEmpty())
        m_showStatus(alsoUsed);
}

QString BomEditor::withAlsoUsed(const QString& informative,
                                const std::vector<std::pair<QString, QString>>& assemblies) {
    if (!m_session.isKnown())
        return informative;
    QString notes;
    // The question is asked all the same when the read fails: the write that follows says
    // what is wrong with the database.
    tryStore([&](store::Store& db) { notes = alsoUsedNotes(db, assemblies); });
    return notes.isEmpty() ? informative : informative + u'\n' + notes;
}

void BomEditor::undo() { stepHistory(false); }

void BomEditor::redo() { stepHistory(true); }

void BomEditor::stepHistory(bool forward) {
    m_stepKept = false;
    const int steps = m_history.count();
    forward ? m_history.redo() : m_history.undo();
    // A redo whose step left the history moves no index, and the stack then tells nobody:
    // Redo would go on offering the step that is gone. Its signals tell the menu here.
    if (forward && m_history.count() < steps) {
        Q_EMIT m_history.indexChanged(m_history.index());
        Q_EMIT m_history.canRedoChanged(m_history.canRedo());
        Q_EMIT m_history.redoTextChanged(m_history.redoText());
    }
    // The stack has moved past a step whose write was refused for a passing cause: moving it
    // back (the step skips this replay) leaves Undo and Redo offering what they offered, so
    // that the step can be taken once the cause is gone.
    if (std::exchange(m_stepKept, false)) {
        forward ? m_history.undo() : m_history.redo();
        // The two moves said "Undone" and "Redone": the status says what really happened.
        m_showStatus(forward ? QStringLiteral("Not redone: %1.").arg(m_history.redoText())
                             : QStringLiteral("Not undone: %1.").arg(m_history.undoText()));
    }
}

StepOutcome BomEditor::refusedStep(const store::StoreError& error, const QString& assembly,
                                   const QString& component) {
    report(error.message());
    if (error.number() == store::LineChanged)
        showLineAsStored(assembly, component);
    // Only a changed line makes a step impossible for good.
    if (error.number() == store::LineChanged || error.number() == store::CircularComponent)
        return StepOutcome::Dropped;
    m_stepKept = true;
    return StepOutcome::Kept;
}

void BomEditor::showQuantity(const store::LineRow& row) {
    const std::optional<double> quantity =
        isNumber(row.quantity) ? std::optional<double>(row.quantity.toDouble()) : std::nullopt;
    // A line that shows this quantity already changes nothing: of a refused step's many lines
    // read back, most are as shown, and each change has every view paint again.
    const Structure& structure = m_model.structure();
    const int item = structure.itemOf(row.assembly);
    const int position = item < 0 ? -1 : structure.positionOf(item, row.component);
    if (position >= 0 &&
        structure.line(structure.linesOf(item)[size_t(position)]).quantity == quantity)
        return;
    m_model.setLineQuantity(row.assembly, row.component, quantity);
}

StepOutcome BomEditor::writeQuantity(store::LineRow& row, const QVariant& quantity) {
    if (const auto failure =
            tryStore([&](store::Store& db) { row = db.changeUnchangedLine(row, quantity); }))
        return refusedStep(*failure, row.assembly, row.component);
    showQuantity(row);
    return StepOutcome::Done;
}

StepOutcome BomEditor::removeLine(const store::LineRow& row) {
    if (const auto failure = tryStore([&](store::Store& db) { db.removeUnchangedLine(row); }))
        return refusedStep(*failure, row.assembly, row.component);
    m_model.removeLine(row.assembly, row.component);
    return StepOutcome::Done;
}

StepOutcome BomEditor::restoreLine(const store::LineRow& row) {
    const auto show = lineShowing(row.assembly, row.component);
    const auto [written, failure] =
        writeThenShow([&](store::Store& db) { db.restoreLine(row); }, show);
    if (!written)
        return refusedStep(*failure, row.assembly, row.component);
    // The line is back whatever becomes of its showing: the step is done.
    afterShowing(failure, show);
    return StepOutcome::Done;
}

std::optional<std::vector<store::LineRow>> BomEditor::linesUsing(const QString& component) {
    std::optional<std::vector<store::LineRow>> rows;
    if (!withStore([&](store::Store& db) { rows = db.lineRowsUsing(component); }))
        return std::nullopt;
    return rows;
}

std::optional<std::vector<store::LineRow>> BomEditor::linesOf(const QString& assembly) {
    std::optional<std::vector<store::LineRow>> rows;
    if (!withStore([&](store::Store& db) { rows = db.lineRowsOf(assembly); }))
        return std::nullopt;
    return rows;
}

std::optional<store::BatchRefusals> BomEditor::checkLines(const store::LineBatch& batch) {
    std::optional<store::BatchRefusals> refusals;
    if (!withStore([&](store::Store& db) { refusals = db.checkLines(batch); }))
        return std::nullopt;
    return refusals;
}

std::function<void(store::Store&)> BomEditor::batchShowing(const store::LineBatch& batch) {
    return [this, &batch](store::Store& db) {
        nameCalls(ShowingSavedLabel);
        for (const store::LineRow& row : batch.removed)
            if (m_model.hasLine(row.assembly, row.component))
                m_model.removeLine(row.assembly, row.component);
        const auto shown = [this](const store::LineRow& row) {
            return m_model.holdsBill(row.assembly) && !m_model.hasLine(row.assembly, row.component);
        };
        if (std::any_of(batch.added.cbegin(), batch.added.cend(), shown))
            showAddedLines(m_model, db, batch.added);
    };
}

std::function<void(store::Store&)> BomEditor::lineShowing(const QString& assembly,
                                                          const QString& component) {
    return [this, assembly, component](store::Store& db) {
        nameCalls(ShowingSavedLabel);
        if (m_model.holdsBill(assembly) && !m_model.hasLine(assembly, component))
            showAddedLine(m_model, db, assembly, component);
    };
}

bool BomEditor::writeLines(const store::LineBatch& batch, const QString& text) {
    if (batch.removed.empty() && batch.added.empty())
        return true;
    const auto show = batchShowing(batch);
    const auto [written, failure] =
        writeThenShow([&](store::Store& db) { db.writeLines(batch); }, show);
    if (!written) {
        report(failure->message());
        return false;
    }
    // Committed: the step is there whatever happens to the showing.
    m_history.push(new BatchCommand(*this, batch, text));
    afterShowing(failure, show);
    return true;
}

StepOutcome BomEditor::applyLines(const store::LineBatch& batch) {
    const auto show = batchShowing(batch);
    const auto [written, failure] =
        writeThenShow([&](store::Store& db) { db.writeLines(batch); }, show);
    if (!written) {
        report(failure->message());
        // A line that another program changed, removed, added or made part of a cycle
        // meanwhile: the step can never be taken. Its lines show as the database holds them.
        const int number = failure->number();
        if (number == store::LineChanged || number == store::CircularComponent ||
            number == store::DuplicateLine || number == store::UnknownAssembly) {
            std::vector<store::LineRow> lines = batch.removed;
            lines.insert(lines.end(), batch.added.cbegin(), batch.added.cend());
            showLinesAsStored(lines);
            return StepOutcome::Dropped;
        }
        m_stepKept = true;
        return StepOutcome::Kept;
    }
    afterShowing(failure, show);
    return StepOutcome::Done;
}

BomEditor::Written BomEditor::writeThenShow(const std::function<void(store::Store&)>& write,
                                           const std::function<void(store::Store&)>& show) {
    Written done;
    done.failure = tryStore([&](store::Store& db) {
        write(db);
        done.committed = true;
        show(db);
    });
    return done;
}

void BomEditor::nameCalls(const QString& label) {
    if (m_callLabel)
        *m_callLabel = label;
}

void BomEditor::afterShowing(std::optional<store::StoreError> failure,
                             const std::function<void(store::Store&)>& show) {
    while (failure) {
        // The change is saved all the same: a read that failed (a limit that kept part of a
        // structure from showing, a server gone) is said as it is, and the tree shows the
        // change at the next load.
        if (failure->number() != store::OperationCancelled) {
            report(failure->message());
            return;
        }
        // The user stopped the reads, not the write: never "nothing was written".
        m_showStatus(ShowingStopped);
        if (m_desktop.messageBox(ShowingStopped, desktop::YesNo | desktop::IconQuestion,
                                 ShortTitle, ShowingStoppedChoice) != desktop::ResultYes)
            return;
        failure = tryStore(show, ShowingSavedLabel);
    }
}

void BomEditor::showLineAsStored(const QString& assembly, const QString& component) {
    showLinesAsStored({{assembly, component, {}, {}}});
}

void BomEditor::showLinesAsStored(const std::vector<store::LineRow>& lines) {
    // A failure stays unsaid: the refusal has been shown, and without a read the nodes stay
    // as they were.
    tryStore([&](store::Store& db) {
        // Read back in one call, however many lines a step has: one call a line kept the
        // window waiting for half a minute after a refused step of 10,000.
        const std::vector<std::optional<store::LineRow>> stored = db.findLines(lines);
        std::vector<store::LineRow> putIn;
        for (size_t at = 0; at < lines.size(); ++at) {
            const store::LineRow& line = lines[at];
            if (!stored[at])
                m_model.removeLine(line.assembly, line.component);
            else if (!m_model.hasLine(line.assembly, line.component))
                // A line put in by the other program: it shows as a load would show it.
                putIn.push_back(*stored[at]);
            else
                showQuantity(*stored[at]);
        }
        showAddedLines(m_model, db, putIn);
    });
}

std::optional<store::StoreError> BomEditor::showChanges(const StoreChanges& changes,
                                                        ShownChanges& shown) {
    shown = {};
    // Should the tree change while the read runs (an edit, a load), what was read may miss
    // what the tree shows now, and it is read again.
    constexpr int Attempts = 3;
    for (int attempt = 0; attempt < Attempts; ++attempt) {
        const auto plan = planChanges(changes);
        if (!plan)
            return std::nullopt;
        FreshLines fresh;
        if (const auto failure =
                tryStore([&](store::Store& db) { fresh = readChanges(db, plan->read); }))
            return failure;
        if (showFresh(plan->revision, fresh, shown))
            return std::nullopt;
    }
    return std::nullopt;
}

std::optional<ChangePlan> BomEditor::planChanges(const StoreChanges& changes) const {
    if (m_model.topAssembly().isEmpty() || !m_session.isKnown())
        return std::nullopt;
    // Planned on this thread, over the structure as it stands; the read itself touches only
    // the store, so it may run on any thread.
    ChangePlan plan{m_model.structure().revision(), planChangeRead(m_model.structure(), changes)};
    if (plan.read.empty())
        return std::nullopt;
    return plan;
}

bool BomEditor::showFresh(quint64 revision, const FreshLines& fresh, ShownChanges& shown) {
    shown = {};
    if (m_model.structure().revision() != revision)
        return false;
    const Structure::Refresh refresh = m_model.showFresh(fresh);
    shown.assemblies = refresh.assemblies;
    shown.items = refresh.items;
    if (fresh.top) {
        const QString description =
            *fresh.top ? (*fresh.top)->description.value_or(NoDescription) : NotInItemMaster;
        if (description != m_topDescription)
            shown.topDescription = m_topDescription = description;
    }
    return true;
}

} // namespace tree
