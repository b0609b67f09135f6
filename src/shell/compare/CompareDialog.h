#pragma once

#include "tree/reports/BillCompare.h"

#include <QDateTime>
#include <QDialog>
#include <QString>

#include <optional>
#include <vector>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableView;

namespace shell {

/// The "Compare Bills" window: item A (of the database shown) and item B (of the same
/// database, another file or a server), and their bills side by side in two tabs,
/// "Summarised" (each item once) and "Indented" (row by row along the tree). Each line shows
/// the item, its description, the quantity in A and in B, the difference and its mark, in
/// words and in colour; "Hide unchanged" leaves out what is the same on both sides. What the
/// buttons do is left to CompareCommands, which reads the bills.
///
/// Modeless, as Where Used: the comparison stays beside the tree while the user edits.
class CompareDialog : public QDialog {
    Q_OBJECT
public:
    /// Where B's bill is read.
    enum Source { ThisDatabase, AnotherFile, Server };

    explicit CompareDialog(QWidget* parent = nullptr);
    ~CompareDialog() override;

    QString itemA() const;
    QString itemB() const;
    /// The moment each side is to be read as of, from the history; none for the bill as it is.
    std::optional<QDateTime> asOfA() const;
    std::optional<QDateTime> asOfB() const;
    /// Sets item A, and item B too while B is empty.
    void setItemA(const QString& item);
    /// Sets both sides to the bill of `item`: A as it is, B as it stood at `moment` (exactly,
    /// to the millisecond), from the database shown.
    void setBefore(const QString& item, const QDateTime& moment);
    /// Where B comes from as the box shows it, and the location shown beside it.
    void setSource(Source source, const QString& shown);
    Source source() const;
    /// The draft the window shows (empty: none): while there is one, A may be read without it.
    void setDraftShown(const QString& name);
    /// Whether A is to be read from the tables themselves, without the draft shown.
    bool withoutDraftA() const;
    /// Sets both sides to the bill of `item` as it is: A without the draft shown, B with it.
    void setDraftComparison(const QString& item);

    /// Shows a comparison; `heading` says what was compared.
    void showComparison(const QString& heading, std::vector<tree::ComparedLine> summarised,
                        tree::IndentedComparison indented);
    /// The lines of the tab shown, as shown (without the unchanged ones when they are hidden),
    /// and whether they are the indented ones.
    std::vector<const tree::ComparedLine*> shownLines(bool& indented) const;
    bool hasComparison() const;

Q_SIGNALS:
    /// The user asked for a comparison (the Compare button, or Enter in an item field).
    void compareRequested();
    /// The user picked a source in the box: another one, or another file or server again (the
    /// previous one is given back on Cancel).
    void sourceChosen(shell::CompareDialog::Source source, shell::CompareDialog::Source previous);
    /// The user asked to export what the tab shows.
    void exportRequested();

private:
    void applyFilter();

    class Lines;
    QLineEdit* m_itemA;
    QLineEdit* m_itemB;
    QCheckBox* m_asOfA;
    QCheckBox* m_withoutDraftA;
    QCheckBox* m_asOfB;
    QDateTimeEdit* m_momentA;
    QDateTimeEdit* m_momentB;
    QComboBox* m_source;
    QLabel* m_location;
    QPushButton* m_compare;
    QLabel* m_heading;
    QTabWidget* m_tabs;
    QTableView* m_summarisedTable;
    QTableView* m_indentedTable;
    Lines* m_summarised;
    Lines* m_indented;
    QCheckBox* m_hideUnchanged;
    QPushButton* m_export;
    Source m_lastSource = ThisDatabase;
};

} // namespace shell
