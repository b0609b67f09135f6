#pragma once

#include "tree/Requirements.h"

#include <QDialog>
#include <QString>

#include <vector>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QStandardItemModel;
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

    /// One line of the plan as typed: the item and the quantity's text.
    struct PlanLine {
        QString item;
        QString quantity;
    };
    /// The plan's lines with an item, in their order.
    std::vector<PlanLine> planLines() const;
    /// Adds a line to the plan (or, for an item listed already, sets its quantity).
    void addPlanLine(const QString& item, const QString& quantity);
    /// Empties the plan.
    void clearPlan();
    tree::RequirementOptions options() const;

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

private:
    void removeCurrent();
    void copy();

    QTableWidget* m_plan;
    QCheckBox* m_boughtOnly;
    QCheckBox* m_stopAtLevel;
    QSpinBox* m_level;
    QCheckBox* m_includeListed;
    QLabel* m_heading;
    QTableView* m_table;
    QStandardItemModel* m_model;
    std::vector<QPushButton*> m_answerButtons;
    std::vector<tree::RequirementLine> m_lines;
};

} // namespace shell
