#pragma once

#include "tree/reports/WhereUsedReport.h"

#include <QDialog>
#include <QString>

#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

namespace shell {

/// The "Where Used" window: the item in its heading and one line per assembly that uses it
/// (Assembly, Level, Quantity, Description), by level and then assembly ID. Double-click or
/// Enter on a line hands its assembly to `loadAssembly`, which loads it in the main window.
///
/// Modeless: the user keeps the list beside the tree and loads one assembly after another from
/// it, or compares it with the tree, without closing and reopening it each time. Where Used
/// asked for again shows the new item in the same window.
class WhereUsedDialog : public QDialog {
    Q_OBJECT
public:
    WhereUsedDialog(std::function<void(const QString&)> loadAssembly, QWidget* parent = nullptr);
    ~WhereUsedDialog() override;

    /// Replaces what the window shows.
    void showReport(const tree::WhereUsedReport& report);
    /// The "Replace Component…" button hands the window's item to `replace`; without one the
    /// button is hidden.
    void setReplace(std::function<void(const QString&)> replace);
    /// The assemblies listed, in the report's order.
    QStringList assemblies() const;
    /// Says under the heading that lines listed have changed since they were read (empty: no
    /// change); showReport clears it.
    void noteChange(const QString& text);

private:
    void loadLine(int row);
    /// Shows the report's rows, or only its finished items, each with its paths, when that
    /// box is ticked.
    void showRows();

    class Lines;
    std::function<void(const QString&)> m_loadAssembly;
    std::function<void(const QString&)> m_replace;
    QString m_item;
    tree::WhereUsedReport m_report;
    QCheckBox* m_topsOnly;
    QPushButton* m_replaceButton;
    QLabel* m_heading;
    QLabel* m_changeNote;
    QTableView* m_table;
    Lines* m_lines;
};

} // namespace shell
