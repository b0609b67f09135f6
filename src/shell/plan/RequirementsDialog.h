#pragma once

#include "tree/plan/Requirements.h"

#include <QDialog>
#include <QString>

#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableView;
class QTableWidget;

namespace shell {

/// The "Requirements" window: the items to build, each with its quantity, the options, and the
/// answer, every item the plan needs with its total. The window only shows and collects; its
/// buttons ask RequirementsCommands, which reads the store and works the answer out.
///
/// Modeless, like Where Used: a planner keeps it open beside the tree, loads bills from it and
/// works the plan out again after a change.
class RequirementsDialog : public QDialog {
    Q_OBJECT
public:
    explicit RequirementsDialog(QWidget* parent = nullptr);

    /// One line of the plan as typed: the item and the quantity's text, and its row in the
    /// list (from 0).
    struct PlanLine {
        QString item;
        QString quantity;
        int row = -1;
    };
    /// The plan's lines with an item, in their order.
    std::vector<PlanLine> planLines() const;
    /// Adds a line to the plan (or, for an item listed already, sets its quantity); its row.
    int addPlanLine(const QString& item, const QString& quantity);
    /// What a listed item's line does with a quantity pasted for it.
    enum class Listed { Add, Replace };
    /// What mergePlanLines did.
    struct Merged {
        std::vector<int> rows; ///< the rows given or changed, each once, in the rows' order
        int added = 0;         ///< new lines
        QStringList listed;    ///< the items listed already (or more than once in `lines`)
    };
    /// The items of `lines` listed already or given more than once (under the store's case
    /// rule), each once, in their order.
    QStringList repeatedAmong(const std::vector<PlanLine>& lines) const;
    /// Puts `lines` into the plan in one step: a new item becomes a new line; an item listed
    /// already takes the quantity given (Replace) or that quantity added to its own (Add: when
    /// both are numbers; otherwise the one given). The work follows the lines, not the lines
    /// times the plan.
    Merged mergePlanLines(const std::vector<PlanLine>& lines, Listed listed);
    /// Empties the plan.
    void clearPlan();
    tree::RequirementOptions options() const;

    /// What the plan's row says of its item. `Unknown`: not in the Item Master, the row marked
    /// and `note` saying so (with the nearest IDs where they are known); `UnknownUnsuggested`
    /// as Unknown, its nearest IDs not looked for yet; `Known`: no mark.
    enum class ItemState { Known, Unknown, UnknownUnsuggested };
    void markItem(int row, ItemState state, const QString& note = {});
    ItemState itemState(int row) const;
    /// The row's note as shown ("not in the Item Master — did you mean …?"), empty for none.
    QString itemNote(int row) const;
    /// Gives the row's item the spelling `id` (the Item Master's), without calling it an edit.
    void respell(int row, const QString& id);
    /// Says under the plan what the last paste or check did.
    void setPlanNote(const QString& text);

    /// Shows the answer, under `heading`.
    void showRequirements(const QString& heading, std::vector<tree::RequirementLine> lines);
    const std::vector<tree::RequirementLine>& requirements() const { return m_lines; }
    /// The answer as tab-separated text, a header row first (what Copy puts on the clipboard).
    QString requirementsText() const;

Q_SIGNALS:
    void addRequested();
    void pasteRequested();
    void workOutRequested();
    void exportCsvRequested();
    void exportExcelRequested();
    void printRequested();
    /// A line of the answer double-clicked (or Enter): its item's bill is to be loaded.
    void itemChosen(const QString& item);
    /// The user typed an item ID into row `row` of the plan: it is to be checked.
    void planItemEdited(int row);
    /// Row `row` of the plan became the current one.
    void planRowEntered(int row);

private:
    class Lines;
    void removeCurrent();
    void copy();

    QTableWidget* m_plan;
    QLabel* m_planNote;
    QCheckBox* m_boughtOnly;
    QCheckBox* m_stopAtLevel;
    QSpinBox* m_level;
    QCheckBox* m_includeListed;
    QLabel* m_heading;
    QTableView* m_table;
    Lines* m_model;
    std::vector<QPushButton*> m_answerButtons;
    std::vector<tree::RequirementLine> m_lines;
};

} // namespace shell
