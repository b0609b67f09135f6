#pragma once

#include "store/DatabaseCheck.h"

#include <QDialog>
#include <QObject>
#include <QString>

#include <functional>

class QLabel;
class QTableView;

namespace desktop {
class Desktop;
}

namespace shell {

/// The "Check Database" window: what the check found in the whole database, one line per
/// finding (Kind, Assembly, Component, Detail), sortable by each column. Double-click or Enter
/// on a line hands its assembly to `loadAssembly`; "Export…" writes the list as CSV.
///
/// Modeless, as the Where Used window is: the user works through the findings one assembly
/// after another with the tree beside the list.
class CheckDatabaseDialog : public QDialog {
    Q_OBJECT
public:
    CheckDatabaseDialog(desktop::Desktop& desktop, std::function<void(const QString&)> loadAssembly,
                        QWidget* parent = nullptr);
    ~CheckDatabaseDialog() override;

    /// Replaces what the window shows by the check of `location`.
    void showReport(store::CheckReport report, const QString& location);

private:
    void loadLine(int row);
    void exportList();

    class Findings;
    desktop::Desktop& m_desktop;
    std::function<void(const QString&)> m_loadAssembly;
    QString m_location;
    QLabel* m_heading;
    QTableView* m_table;
    Findings* m_findings;
};

/// The findings as CSV, as the exports write it (RFC 4180, UTF-8), a header row first; a cell
/// that a spreadsheet would run as a formula starts with a single quote. Written to `path`
/// whole or not at all. Throws StoreError (ExportWriteFailed).
void writeFindingsCsv(const store::CheckReport& report, const QString& path);

} // namespace shell
