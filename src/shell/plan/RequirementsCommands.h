#pragma once

#include "shell/plan/RequirementsDialog.h"

#include "store/Store.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace desktop {
class Desktop;
}

namespace shell {

class CommandContext;
class CommandRegistry;

/// Tools ▸ "Requirements…": the one Requirements window of the main window and what its
/// buttons do. "Work Out" reads every line reachable from the listed items in one trip to the
/// store (off the window's thread, with Cancel after a moment) and sums over each item's
/// structure (tree::requirements); the answer is exported as CSV or Excel, printed, or copied.
/// Failures are numbered messages.
class RequirementsCommands : public QObject {
    Q_OBJECT
public:
    explicit RequirementsCommands(CommandContext& context);

    /// Registers "Requirements…" in `commands`.
    void addTo(CommandRegistry& commands);
    /// Opens the window; a new one lists the loaded item, to build 1.
    void open();
    /// Reads the plan's bills and shows what the plan needs.
    void workOut();
    /// Adds an item of the Item Master, chosen in the find box, to the plan.
    void addItem();
    /// Adds the rows on the clipboard (item ID and quantity, as a spreadsheet copies them).
    void pasteRows();
    void exportCsv();
    void exportExcel();
    void print();
    RequirementsDialog* dialog() const { return m_dialog; }

private:
    /// Asks where to write the requirements (named after the plan worked out, with `suffix`),
    /// runs `write` there and says what was written, or the error.
    void exportTo(const QString& suffix, const QStringList& filters,
                  const std::function<void(const QString& path)>& write);
    void fail(int number, const QString& text);
    /// Looks the items of `lines` up in the Item Master, in one trip, and marks their rows;
    /// how many are not there, or empty when the database could not be read (said) or the
    /// user cancelled.
    std::optional<int> checkItems(const std::vector<RequirementsDialog::PlanLine>& lines);
    /// Marks the rows of `lines` by what the Item Master holds of each (`found`, in their
    /// order): an item it holds takes its spelling there, one it does not is marked with the
    /// nearest IDs, looked for while a moment lasts (the rest when their row is entered).
    /// How many are not there.
    int markFound(const std::vector<RequirementsDialog::PlanLine>& lines,
                  const std::vector<std::optional<store::Item>>& found);
    /// "not in the Item Master — did you mean …?" for `item`; without the nearest IDs unless
    /// `suggest`.
    QString unknownNote(const QString& item, bool suggest) const;
    void checkEditedRow(int row);
    void suggestForRow(int row);
    /// The plan the answer shown was worked out for, as a file records it above the list.
    QList<std::pair<QString, QString>> planRecord(bool withItems) const;
    /// Whether the user asked the exports for a title block (Export ▸ With Title Block).
    bool titleBlockWanted();

    CommandContext& m_context;
    desktop::Desktop& m_desktop;
    QPointer<RequirementsDialog> m_dialog;
    /// What the answer shown was worked out for: the plan, its options, the database, when.
    struct WorkedOut {
        std::vector<tree::PlannedBuild> builds;
        tree::RequirementOptions options;
        QString database;
        QDateTime at;
    };
    WorkedOut m_workedOut;
};

/// Registers Tools ▸ "Requirements…" and the Item Master list's low-level codes.
void registerRequirementsCommands(CommandContext& context);

} // namespace shell
