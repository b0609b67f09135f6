#pragma once

#include "store/History.h"

#include <QDialog>
#include <QString>

#include <optional>
#include <vector>

class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableView;

namespace shell {

/// The "Change History" window: the changes to the shared tables, newest first, one line each
/// (historySummary), for the loaded bill, one line or the whole database, narrowed by time,
/// person, source and item; every field of the current change in a pane below the list, and
/// under it how much history is kept. Each change set offers, in its context menu, the bill
/// as it stood before it and a comparison with that. What its buttons do is left to
/// HistoryCommands, which reads the history. It opens as wide as the screen allows.
///
/// Every text of the history (IDs, descriptions, commands, reasons, names) is data, shown as
/// plain text whatever markup or control characters it holds. Modeless, as Where Used.
class ChangeHistoryDialog : public QDialog {
    Q_OBJECT
public:
    /// Which changes the list is for.
    enum Scope { LoadedBill, ThisLine, WholeDatabase };

    explicit ChangeHistoryDialog(QWidget* parent = nullptr);
    ~ChangeHistoryDialog() override;

    Scope scope() const;
    /// Sets the scope without asking for a read.
    void setScope(Scope scope);
    /// Says what the list is for, above it.
    void setHeading(const QString& heading);
    /// The filters as a query; the scope's assemblies are the caller's to add.
    store::HistoryQuery filters() const;
    /// Lists `changes` and says under the list how much history is kept.
    void showChanges(std::vector<store::ChangeRecord> changes, qint64 kept,
                     const QDateTime& keptSince);
    /// The changes listed, newest first.
    const std::vector<store::ChangeRecord>& changes() const;
    /// The change of the list's current row, if any.
    std::optional<store::ChangeRecord> currentChange() const;

Q_SIGNALS:
    /// The user asked for the list again: Show, Enter in a filter, another scope.
    void readRequested();
    /// The user asked to export the listed changes, as CSV or as an Excel workbook.
    void exportRequested(bool excel);
    /// The user asked to put back what the current change changed.
    void restoreRequested();
    /// The user asked to forget the changes before a moment.
    void forgetRequested();
    /// The user asked for the bill as it stood before the current change set.
    void showBeforeRequested();
    /// The user asked to compare the bill now with the bill before the current change set.
    void compareBeforeRequested();

private:
    class Changes;
    void showDetails();
    QComboBox* m_scope;
    QDateTimeEdit* m_since;
    QDateTimeEdit* m_until;
    QLineEdit* m_person;
    QComboBox* m_source;
    QLineEdit* m_item;
    QLabel* m_heading;
    QTableView* m_table;
    QPlainTextEdit* m_details;
    QLabel* m_size;
    QPushButton* m_exportCsv;
    QPushButton* m_exportXlsx;
    QPushButton* m_restore;
    QPushButton* m_forget;
    Changes* m_changes;
};

} // namespace shell
