#include "tree/edits/LineEdits.h"

#include "desktop/Desktop.h"
#include "store/ItemKey.h"
#include "store/LineRules.h"
#include "store/StoreError.h"
#include "store/runtime/StoreThread.h"
#include "tree/DatabaseSession.h"
#include "tree/StoreWaiting.h"
#include "tree/Texts.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/edits/AlsoUsed.h"
#include "tree/edits/Quantity.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QSet>

namespace tree {

namespace {

/// The lines a question lists before it says how many more there are.
constexpr qsizetype ListedLines = 12;

/// A line as the questions and the status name it: "MAST → 1551AGY".
QString lineName(const QString& assembly, const QString& component) {
    return QStringLiteral("%1 \u2192 %2").arg(assembly, component);
}

/// "quantity 1", or what a Null quantity is called.
QString quantityPhrase(std::optional<double> quantity) {
    return quantity ? LineEdits::tr("quantity %1").arg(formatQuantity(*quantity))
                    : LineEdits::tr("no quantity");
}

/// A stored quantity as the tree shows it: none for Null and for text that is no number.
std::optional<double> shownQuantity(const QVariant& stored) {
    return isNumber(stored) ? std::optional<double>(stored.toDouble()) : std::nullopt;
}

} // namespace

QString lineText(const QString& assembly, const QString& component,
                 std::optional<double> quantity) {
    return QStringLiteral("%1, %2").arg(lineName(assembly, component), quantityPhrase(quantity));
}

QString shortened(const QStringList& texts) {
    QStringList shown = texts.mid(0, ListedLines);
    if (texts.size() > ListedLines)
        shown.append(LineEdits::tr("and %n more", nullptr, int(texts.size() - ListedLines)));
    return shown.join(u'\n');
}

LineEdits::LineEdits(desktop::Desktop& desktop, DatabaseSession& session, BomDocument& document,
                     BomTreeModel& model, std::function<void(const QString&)> showStatus)
    : m_desktop(desktop), m_session(session), m_document(document), m_model(model),
      m_showStatus(std::move(showStatus)) {}

void LineEdits::report(const QString& message) { m_desktop.messageBox(message, desktop::OkOnly); }

std::optional<store::StoreError>
LineEdits::trip(const std::function<void(store::StoreCall&)>& work, const QString& label) {
    try {
        const store::WriteCommand command = m_command;
        runOnStore(m_desktop, m_session.databasePath(), label, [&](store::StoreCall& call) {
            call.db().setCommand(command);
            work(call);
        });
    } catch (const store::StoreError& error) {
        return error;
    }
    return std::nullopt;
}

bool LineEdits::readTrip(const std::function<void(store::StoreCall&)>& work) {
    const auto failure = trip(work);
    if (failure)
        report(failure->message());
    return !failure;
}

bool LineEdits::confirmUnlikelyQuantity(const QString& typed, const QString& assembly,
                                        const QString& component) {
    return m_desktop.messageBox(tr("Use Quantity %1?").arg(typed.trimmed()),
                                desktop::YesNo | desktop::IconQuestion, ShortTitle,
                                tr("A quantity of zero or less is seldom meant. Yes: the line %1 "
                                   "gets it. No: nothing is written.")
                                    .arg(lineName(assembly, component))) == desktop::ResultYes;
}

bool LineEdits::confirmWholeUnit(double quantity, const QString& typed, const QString& unit,
                                 const QString& assembly, const QString& component) {
    if (!m_model.wholeUnits().broken(quantity, unit))
        return true;
    return m_desktop.messageBox(
               tr("Use %1 %2?").arg(typed.trimmed(), unit.trimmed()),
               desktop::OkCancel | desktop::IconQuestion, ShortTitle,
               tr("%1 is counted in whole pieces, and %2 is not a whole number. OK: "
                  "the line %3 gets it. Cancel: nothing is written.")
                   .arg(unit.trimmed(), typed.trimmed(), lineName(assembly, component))) ==
           desktop::ResultOk;
}

bool LineEdits::confirmUnlikelyQuantities(const QStringList& lines) {
    if (lines.isEmpty())
        return true;
    return m_desktop.messageBox(
               tr("Use Quantities of Zero or Less?", nullptr, int(lines.size())),
               desktop::YesNo | desktop::IconQuestion, ShortTitle,
               tr("A quantity of zero or less is seldom meant. Yes: these lines get "
                  "theirs:\n%1\nNo: nothing is written.")
                   .arg(shortened(lines))) == desktop::ResultYes;
}

QString LineEdits::withAlsoUsed(const QString& informative,
                                const std::vector<std::pair<QString, QString>>& assemblies,
                                const QStringList& answers) {
    const QString notes = alsoUsed(assemblies, answers);
    return notes.isEmpty() ? informative : informative + u'\n' + notes;
}

std::optional<bool> LineEdits::askParent(const QString& subject, const QString& into,
                                         const QString& beside, const QString& notes) {
    const QString informative =
        tr("Yes: %1 into %2. No: beside %2, into %3.").arg(subject, into, beside);
    const int answer = m_desktop.messageBox(
        tr("Make Target Item A Parent?"), desktop::YesNo | desktop::IconQuestion, ShortTitle,
        notes.isEmpty() ? informative : informative + u'\n' + notes);
    if (answer == desktop::ResultCancel)
        return std::nullopt;
    return answer != desktop::ResultNo;
}

std::optional<QString> LineEdits::askParentAt(const QPersistentModelIndex& target,
                                              const QString& subject) {
    const QString into = m_model.text(target);
    const QString beside = m_model.assemblyOf(target);
    const std::optional<bool> asChild = askParent(
        subject, into, beside,
        alsoUsed({{into, beside}, {beside, assemblyAbove(m_model, target)}}, yesNoAnswers()));
    // The node may have gone with another editor's change while the box was open.
    if (!asChild || !target.isValid())
        return std::nullopt;
    return *asChild ? into : beside;
}

QString LineEdits::alsoUsed(const std::vector<std::pair<QString, QString>>& assemblies,
                            const QStringList& answers) {
    if (!m_session.isKnown())
        return {};
    QString notes;
    // The question is asked all the same when the read fails: the write that follows says
    // what is wrong with the database.
    trip([&](store::StoreCall& call) { notes = alsoUsedNotes(call.db(), assemblies, answers); });
    return notes;
}

bool LineEdits::refusesEdits() {
    const QString why = store::writesRefusedAt(m_session.databasePath());
    if (why.isEmpty())
        return false;
    report(store::StoreError(store::StandbyReadOnly,
                             tr("The bill cannot be edited here: %1.").arg(why))
               .message());
    return true;
}

void LineEdits::addComponent(const QModelIndex& dropTarget, const QString& component) {
    const QPersistentModelIndex target = dropTarget;
    // A new bill starts with a drop on the empty tree of the item loaded.
    const bool first = !target.isValid() && m_model.rowCount() == 0 &&
                       !m_model.topAssembly().isEmpty();
    if ((!target.isValid() && !first) || component.isEmpty() || refusesEdits())
        return;
    // The two assemblies the line may go into, checked in the trip that reads where else they
    // are used: a line the database would refuse is refused before the quantity is asked for.
    const QString intoTarget = first ? m_model.topAssembly() : m_model.text(target);
    const QString beside = first ? QString() : m_model.assemblyOf(target);
    std::optional<store::StoreError> intoRefused, besideRefused, readFailure;
    QString notes;
    QString unit; // the component's: for the box's line and the question about whole pieces
    if (m_session.isKnown()) {
        const std::vector<std::pair<QString, QString>> asked =
            first ? std::vector<std::pair<QString, QString>>()
                  : std::vector<std::pair<QString, QString>>{
                        {intoTarget, beside}, {beside, assemblyAbove(m_model, target)}};
        readFailure = trip([&](store::StoreCall& call) {
            store::Store& db = call.db();
            const auto check = [&](const QString& assembly) -> std::optional<store::StoreError> {
                try {
                    db.checkNewLine(assembly, component);
                } catch (const store::StoreError& error) {
                    if (error.number() == store::OperationCancelled)
                        throw;
                    return error;
                }
                return std::nullopt;
            };
            if (!first)
                notes = alsoUsedNotes(db, asked, yesNoAnswers());
            // The quantity box names the unit the quantity is counted in.
            if (const auto item = db.findItem(component))
                unit = item->unit.value_or(QString());
            intoRefused = check(intoTarget);
            if (const auto item = db.findItem(component))
                unit = item->unit.value_or(QString());
            if (!first)
                besideRefused = check(beside);
        });
    }
    const std::optional<bool> into =
        first ? std::optional<bool>(true)
              : askParent(QStringLiteral("%1 goes").arg(component), intoTarget, beside, notes);
    // Esc or closing the box: the user has not decided, so the drop ends here.
    if (!into)
        return;
    const bool asChild = *into;
    const QString assembly = asChild ? intoTarget : beside;
    if (const auto& refused = asChild ? intoRefused : besideRefused) {
        report(refused->message());
        return;
    }
    // The read before the question failed (a lock held meanwhile, a Cancel of it): the line is
    // checked now, in a trip of its own, as the database is after the answer.
    if (readFailure &&
        !readTrip([&](store::StoreCall& call) { call.db().checkNewLine(assembly, component); }))
        return;
    // Under the prompt, the line the quantity is for: "PRT-GROMMET into ASM-HEAD-10, in EA".
    QString line = tr("%1 into %2").arg(component, assembly);
    if (!unit.trimmed().isEmpty())
        line += tr(", in %1").arg(unit.trimmed());
    const auto typed =
        m_desktop.inputBox(tr("Enter the quantity required of the new component.\n") + line,
                           tr("Add BOM Item"), QStringLiteral("0"));
    if (!typed)
        return;
    const auto quantity = parseQuantity(*typed);
    if (!quantity) {
        report(store::StoreError(store::InvalidQuantity, quantityProblem(*typed)).message());
        return;
    }
    if (*quantity <= 0 && !confirmUnlikelyQuantity(*typed, assembly, component))
        return;
    if (!confirmWholeUnit(*quantity, *typed, unit, assembly, component))
        return;
    if (!target.isValid() && !first)
        return;
    if (!m_session.chooseIfNone())
        return;
    const QDateTime started = QDateTime::currentDateTime();
    // Only a saved line gets nodes: the tree never shows a line that is not in the database.
    // It goes into the assembly's bill once, and every copy shows it.
    const LinesToShow plan = m_document.planShowing({{assembly, component, {}, {}}});
    ShowingRead read;
    // One write transaction refuses a cycle or a line the assembly has, then inserts: a
    // Cancel while it runs rolls it back, and nothing was written.
    const Command command(*this, QStringLiteral("Add %1 to %2").arg(component, assembly));
    const Written written = writeThenRead(
        [&](store::Store& db) { db.addLine(assembly, component, *quantity, started); }, plan,
        read);
    if (!written.committed) {
        report(written.failure->message());
        return;
    }
    if (!written.failure)
        m_document.showSaved(read);
    // Committed: the step holds the line as written, whatever happens to its showing.
    m_document.history().push(lineStep(*this,
                                       {assembly, component, QVariant(*quantity),
                                        started.toString(store::schema::StartDateFormat)},
                                       true));
    m_showStatus(
        tr("Added the line %1, %2.").arg(lineName(assembly, component), quantityPhrase(*quantity)));
    if (written.failure)
        showWritten(written, plan, read);
}

void LineEdits::deleteComponent(const QModelIndex& selected) {
    const QPersistentModelIndex node = selected;
    if (!node.isValid() || refusesEdits())
        return;
    // What the question names is what is deleted: a line that another editor changed while
    // the question was up is refused, not deleted with a quantity nobody was asked about.
    const std::optional<double> asked = m_model.quantity(node);
    const QString line =
        tr("the line %1, %2")
            .arg(lineName(m_model.assemblyOf(node), m_model.text(node)), quantityPhrase(asked));
    if (m_desktop.messageBox(
            tr("Delete Selected Item?"), desktop::OkCancel | desktop::IconStop, ShortTitle,
            withAlsoUsed(tr("Deletes %1.").arg(line),
                         {{m_model.assemblyOf(node), assemblyAbove(m_model, node)}})) ==
        desktop::ResultCancel)
        return;
    if (!node.isValid())
        return;
    const QString assembly = m_model.assemblyOf(node);
    const QString component = m_model.text(node);
    std::optional<store::LineRow> removed;
    bool missing = false;
    const Command command(*this, QStringLiteral("Delete %1 from %2").arg(component, assembly));
    const auto failure = trip([&](store::StoreCall& call) {
        store::Store& db = call.db();
        const auto row = db.findLine(assembly, component);
        if (!row) {
            missing = true;
            return;
        }
        if (shownQuantity(row->quantity) != asked)
            throw store::errors::lineChanged(assembly, component);
        call.stopIfCancelled();
        db.removeUnchangedLine(*row);
        removed = row;
    });
    if (failure) {
        report(failure->message());
        // The nodes show the line as the database now holds it.
        if (failure->number() == store::LineChanged)
            showLinesAsStored({{assembly, component, {}, {}}});
        return;
    }
    if (missing)
        // Another program removed the line meanwhile. Its nodes go all the same: the tree
        // shows no line that the database does not hold.
        m_desktop.messageBox(tr("Error in Database!  This item can not be located!"),
                             desktop::IconStop, ShortTitle);
    // The assembly is one bill wherever it stands: the line leaves every copy of it.
    m_document.removeLine(assembly, component);
    if (!removed)
        return;
    m_document.history().push(lineStep(*this, *removed, false));
    const QVariant& stored = removed->quantity;
    m_showStatus(
        tr("Deleted the line %1, %2.")
            .arg(lineName(assembly, component), stored.isNull() || isNumber(stored)
                                                    ? quantityPhrase(shownQuantity(stored))
                                                    : tr("quantity %1").arg(stored.toString())));
}

void LineEdits::deleteLines(const std::vector<QModelIndex>& nodes) {
    if (refusesEdits())
        return;
    // Each line as stored, read before the question that lists it: the write deletes only
    // what was listed, and a line another program changes while the question is open is
    // refused (LineChanged), with nothing deleted.
    std::vector<std::pair<QString, QString>> lines;     // assembly, component
    std::vector<std::pair<QString, QString>> changed; // each line's assembly, and the one above
    for (const QModelIndex& node : nodes) {
        lines.emplace_back(m_model.assemblyOf(node), m_model.text(node));
        changed.emplace_back(m_model.assemblyOf(node), assemblyAbove(m_model, node));
    }
    store::LineBatch batch;
    QStringList gone;
    std::vector<std::pair<QString, QString>> goneLines;
    QString notes;
    if (!readTrip([&](store::StoreCall& call) {
            store::Store& db = call.db();
            std::vector<store::LineRow> asked;
            for (const auto& [assembly, component] : lines)
                asked.push_back({assembly, component, {}, {}});
            const std::vector<std::optional<store::LineRow>> stored = db.findLines(asked);
            for (size_t at = 0; at < lines.size(); ++at) {
                if (stored[at]) {
                    batch.removed.push_back(*stored[at]);
                } else {
                    gone.append(lineName(lines[at].first, lines[at].second));
                    goneLines.push_back(lines[at]);
                }
            }
            if (gone.isEmpty())
                notes = alsoUsedNotes(db, changed);
        }))
        return;
    if (!gone.isEmpty()) {
        report(store::StoreError(store::LineChanged, tr("Another program has removed these lines "
                                                        "meanwhile; nothing was deleted:\n%1")
                                                         .arg(shortened(gone)))
                   .message());
        // The tree shows no line that the database does not hold.
        const BomDocument::ChangeScope scope(m_document);
        for (const auto& [assembly, component] : goneLines)
            m_document.removeLine(assembly, component);
        return;
    }
    QStringList texts;
    for (const store::LineRow& row : batch.removed)
        texts.append(lineText(row.assembly, row.component, shownQuantity(row.quantity)));
    const QString informative = tr("Deletes these lines, all or none:\n%1").arg(shortened(texts));
    if (m_desktop.messageBox(tr("Delete %n Selected Line(s)?", nullptr, int(batch.removed.size())),
                             desktop::OkCancel | desktop::IconStop, ShortTitle,
                             notes.isEmpty() ? informative : informative + u'\n' + notes) ==
        desktop::ResultCancel)
        return;
    writeLines(batch, QStringLiteral("Delete %1 lines").arg(batch.removed.size()));
}

MoveOutcome LineEdits::moveLines(const std::vector<MovedLine>& moved, const QModelIndex& at) {
    const QPersistentModelIndex target = at;
    const bool empty = !target.isValid() && m_model.rowCount() == 0 &&
                       !m_model.topAssembly().isEmpty();
    if (moved.empty() || (!target.isValid() && !empty) || refusesEdits())
        return MoveOutcome::Kept;
    QString assembly = m_model.topAssembly();
    if (target.isValid()) {
        const std::optional<QString> chosen =
            askParentAt(target, tr("the %Ln cut line(s) move(s)", nullptr, int(moved.size())));
        // Esc: the user has not decided, and nothing moves.
        if (!chosen)
            return MoveOutcome::Kept;
        assembly = *chosen;
    }
    // A line already in the assembly chosen stays where it is.
    std::vector<MovedLine> lines;
    for (const MovedLine& line : moved)
        if (store::foldKey(line.assembly) != store::foldKey(assembly))
            lines.push_back(line);
    if (lines.empty()) {
        m_showStatus(tr("The cut lines are in %1 already; nothing was moved.").arg(assembly));
        return MoveOutcome::Kept;
    }
    if (!m_session.chooseIfNone())
        return MoveOutcome::Kept;
    // Each line as stored now: one that another editor changed or removed since the cut is
    // not moved, and neither is any other, so that no line is made up from what the tree
    // showed nor lost on the way. The write checks the same again in its transaction.
    store::LineBatch batch;
    QStringList changed;
    std::vector<store::LineRow> changedRows;
    store::BatchRefusals refusals;
    if (!readTrip([&](store::StoreCall& call) {
            store::Store& db = call.db();
            std::vector<store::LineRow> asked;
            for (const MovedLine& line : lines)
                asked.push_back({line.assembly, line.component, {}, {}});
            const std::vector<std::optional<store::LineRow>> stored = db.findLines(asked);
            for (size_t i = 0; i < lines.size(); ++i) {
                const auto& row = stored[i];
                if (!row || shownQuantity(row->quantity) != lines[i].quantity) {
                    changed.append(lineName(lines[i].assembly, lines[i].component));
                    changedRows.push_back(asked[i]);
                    continue;
                }
                batch.removed.push_back(*row);
                store::LineRow into = *row;
                into.assembly = assembly;
                batch.added.push_back(std::move(into));
            }
            if (changed.isEmpty())
                refusals = db.checkLines(batch);
        }))
        return MoveOutcome::Kept;
    if (!changed.isEmpty()) {
        report(
            store::StoreError(store::LineChanged, tr("Another program has changed or removed these "
                                                     "lines since they were cut; nothing was "
                                                     "moved:\n%1")
                                                      .arg(shortened(changed)))
                .message());
        showLinesAsStored(changedRows);
        return MoveOutcome::Stale;
    }
    QStringList refused;
    for (const auto& refusal : refusals.added)
        if (refusal)
            refused.append(refusal->message());
    if (!refused.isEmpty()) {
        report(refused.size() == 1 ? refused.front()
                                   : tr("Nothing was moved:\n%1").arg(shortened(refused)));
        return MoveOutcome::Kept;
    }
    const store::LineRow& first = batch.removed.front();
    const QString text =
        batch.removed.size() == 1
            ? QStringLiteral("Move %1 from %2 to %3").arg(first.component, first.assembly, assembly)
            : QStringLiteral("Move %1 lines to %2").arg(batch.removed.size()).arg(assembly);
    if (!writeLines(batch, text))
        return MoveOutcome::Kept;
    m_showStatus(
        batch.removed.size() == 1
            ? tr("Moved the line %1 into %2.")
                  .arg(lineName(first.assembly, first.component), assembly)
            : tr("Moved %n line(s) into %1.", nullptr, int(batch.removed.size())).arg(assembly));
    return MoveOutcome::Moved;
}

void LineEdits::changeQuantity(const QModelIndex& index, const QString& typed) {
    const QPersistentModelIndex node = index.siblingAtColumn(ItemIdColumn);
    if (!node.isValid())
        return;
    const auto shown = m_model.quantity(node);
    // The editor opens with the text the cell shows, which rounds to 15 digits: committed as
    // it opened, nothing was changed, and a write would replace the stored value by its
    // rounding.
    if (typed.trimmed() == (shown ? formatQuantity(*shown) : QString()) || refusesEdits())
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
    if (!confirmWholeUnit(*quantity, typed, m_model.unit(node), m_model.assemblyOf(node),
                          m_model.text(node)))
        return;
    const QString assembly = m_model.assemblyOf(node);
    const QString component = m_model.text(node);
    const QString above = assemblyAbove(m_model, node);
    QString alsoUsed;
    // The quantity the tree shows is what the user changed: the line must still hold it.
    store::LineRow row{assembly, component, shown ? QVariant(*shown) : QVariant(), QVariant()};
    store::LineRow was;
    bool written = false;
    const Command command(*this,
                          QStringLiteral("Change Quantity of %1 in %2").arg(component, assembly));
    const auto failure = trip([&](store::StoreCall& call) {
        store::Store& db = call.db();
        if (!shown) {
            // An empty cell shows Null, and also a quantity that is not a number (text that
            // another program wrote), which the user sets right this way: the line holds
            // what the cell shows if it holds either, and an undo puts that text back.
            if (const auto stored = db.findLine(assembly, component);
                stored && !stored->quantity.isNull() && !isNumber(stored->quantity))
                row.quantity = stored->quantity;
            call.stopIfCancelled();
        }
        const QVariant before = row.quantity;
        row = db.changeQuantity(assembly, component, before, *quantity);
        // The step starts from the line as it was: its quantity, and the start date the
        // write left as it found it.
        was = row;
        was.quantity = before;
        written = true;
        // The edit asks nothing: where else it shows is said once it is written.
        alsoUsed = alsoUsedNote(assembly, otherUsers(db, assembly, above));
    });
    if (written) {
        m_document.showQuantity(row);
        m_document.history().push(quantityStep(*this, std::move(was), row));
    }
    if (failure) {
        report(failure->message());
        if (failure->number() == store::LineChanged)
            showLinesAsStored({{assembly, component, {}, {}}});
        return;
    }
    if (!alsoUsed.isEmpty())
        m_showStatus(alsoUsed);
}

LineEdits::Command::Command(LineEdits& edits, QString name, QString reason, bool restore)
    : m_edits(edits), m_was(edits.m_command) {
    m_edits.m_command = {std::move(name), std::move(reason), restore};
}

LineEdits::Command::~Command() {
    m_edits.m_command = m_was;
}

void LineEdits::undo() {
    if (refusesEdits())
        return;
    const Command command(*this, QStringLiteral("Undo %1").arg(m_document.history().undoText()));
    m_document.history().undo();
}

void LineEdits::redo() {
    if (refusesEdits())
        return;
    const Command command(*this, QStringLiteral("Redo %1").arg(m_document.history().redoText()));
    m_document.history().redo();
}

} // namespace tree
