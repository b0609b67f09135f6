#pragma once

#include "tree/history/HistoryRestore.h"

#include <QDialog>

#include <vector>

class QLineEdit;
class QTableWidget;

namespace shell {

class CommandContext;

/// The preview of a restore: each line it would put back, with what it is to hold, what the
/// change left and what it holds now. A line that someone changed since shows all three and
/// is not put back unless the user ticks it; the others are ticked. Under the heading, where
/// else the assemblies it changes are used. An optional reason goes with the change into the
/// history.
class RestoreDialog : public QDialog {
    Q_OBJECT
public:
    RestoreDialog(const QString& heading, tree::RestorePlan plan, QWidget* parent);
    /// The lines with the user's choices.
    std::vector<tree::RestoreLine> lines() const;
    QString reason() const;

private:
    std::vector<tree::RestoreLine> m_lines;
    QTableWidget* m_table;
    QLineEdit* m_reason;
};

/// Restores what `query` finds in the history of the current database, as one new command
/// named `name`: the lines read, the preview shown, the chosen ones written through the
/// editor's write path (its checks, one undo step, recorded as a restore). Failures are
/// numbered messages; Cancel writes nothing.
void restoreFromHistory(CommandContext& context, const store::HistoryQuery& query,
                        const QString& name, const tree::HistoryOpener& opener = {});

} // namespace shell
