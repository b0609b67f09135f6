#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <utility>

class QAction;
class QByteArray;
class QMenu;

namespace desktop {
class Desktop;
}
namespace tree {
class BomTreeModel;
}

namespace shell {

class WholeFile;

/// File ▸ Export ▸ "Indented Bill (CSV)…" and "Summarised Bill (CSV)…", and File ▸ "Print
/// Preview…" and "Print…":
/// the loaded bill written to a file of the user's choice or printed. The commands are enabled
/// while the tree holds nodes; failures are shown as numbered messages.
class ExportCommands : public QObject {
    Q_OBJECT
public:
    /// `databasePath` and `itemDescription` give the database and the loaded item's
    /// description at the moment a command runs; `showStatus` shows what a command has done.
    ExportCommands(desktop::Desktop& desktop, tree::BomTreeModel& model,
                   std::function<QString()> databasePath, std::function<QString()> itemDescription,
                   std::function<void(const QString&)> showStatus, QObject* parent = nullptr);

    /// Adds the Export submenu, Print Preview… and Print… at the end of `fileMenu`.
    void addTo(QMenu* fileMenu);

    /// Asks where to save the indented bill, then writes it.
    void exportIndented();
    /// Asks where to save the summarised bill, then writes it.
    void exportSummarised();
    /// Prints the indented bill through the print dialog.
    void print();
    /// Shows the indented bill as it will print, from where it can be printed.
    void printPreview();

private:
    bool haveBill();
    void printBill(bool preview);
    void updateEnabled();
    /// Asks for the file, then has `write` write its text and give its number of rows below
    /// the header; empty when the user cancelled, and then no file is written.
    void exportCsv(const QString& title, const QString& nameSuffix, const QString& what,
                   const std::function<std::optional<size_t>(WholeFile&)>& write);
    /// Asks before work on a bill of `count` rows; true for Yes.
    bool agreeToSize(qint64 count, const char* many, const QString& doing);
    void status(const QString& text);
    QString proposedPath(const QString& nameSuffix) const;

    desktop::Desktop& m_desktop;
    tree::BomTreeModel& m_model;
    std::function<QString()> m_databasePath;
    std::function<QString()> m_itemDescription;
    std::function<void(const QString&)> m_showStatus;
    QAction* m_indentedAction;
    QAction* m_summaryAction;
    QAction* m_previewAction;
    QAction* m_printAction;
};

} // namespace shell
