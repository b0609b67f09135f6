#pragma once

#include "store/DraftApply.h"

#include <QDialog>
#include <QObject>
#include <QString>

#include <functional>

class QLabel;
class QTableView;

namespace shell {

/// The "Review Draft" window: each line of the open draft with what the tables held when it
/// entered the draft (Base), what the draft gives it (Draft) and what the tables hold now
/// (Live), side by side; a line changed in the tables since it entered the draft is marked, as
/// Apply Draft will ask about it. Double-click or Enter on a line hands its assembly to
/// `loadAssembly`. Modeless, as the other report windows: the user reads the draft with the
/// tree beside it.
class DraftReviewDialog : public QDialog {
    Q_OBJECT
public:
    explicit DraftReviewDialog(std::function<void(const QString&)> loadAssembly,
                               QWidget* parent = nullptr);
    ~DraftReviewDialog() override;

    /// Replaces what the window shows by `review`.
    void showReview(store::DraftNow review);
    const store::DraftNow& review() const { return m_review; }

Q_SIGNALS:
    /// Read the draft and the tables again.
    void refreshWanted();
    /// Write the lines shown to a file: a workbook (`excel`) or CSV.
    void exportWanted(bool excel);
    /// Print the lines shown, to hand to whoever approves the draft.
    void printWanted();

private:
    class Lines;
    std::function<void(const QString&)> m_loadAssembly;
    store::DraftNow m_review;
    QLabel* m_heading;
    QTableView* m_table;
    Lines* m_lines;
};

} // namespace shell
