#pragma once

#include "store/StoreError.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QObject>
#include <QSaveFile>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

class QAction;
class QByteArray;
class QMenu;
class QSettings;

namespace desktop {
class Desktop;
}
namespace tree {
class BomTreeModel;
struct IndentedLine;
}

namespace shell {

class CommandContext;
class CommandRegistry;

/// A file written all or nothing: it appears, or replaces the one there, only at commit(), once
/// every byte is written; gone without a commit, it leaves no trace.
class WholeFile {
public:
    explicit WholeFile(const QString& path) : m_path(path), m_file(path) {
        // The file is replaced by renaming a new one over it: that must never happen to a
        // device or a pipe (a superuser's export to /dev/full would replace the device itself).
        if (const QFileInfo target(path); target.exists() && !target.isFile())
            throw store::StoreError(
                store::ExportWriteFailed,
                QCoreApplication::translate("shell",
                                            "The file could not be written: %1 (not a plain file)")
                    .arg(QDir::toNativeSeparators(path)));
        // Unbuffered, and written until all is out: a write that stops short (a full disk)
        // says nothing of why, and only the next one fails with the system's own words.
        if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw failed();
    }
    void write(const QByteArray& data) {
        for (qint64 done = 0; done < data.size();) {
            const qint64 written = m_file.write(data.constData() + done, data.size() - done);
            if (written <= 0)
                throw failed(); // the unfinished copy goes with m_file
            done += written;
        }
    }
    void commit() {
        if (!m_file.commit())
            throw failed();
    }

private:
    store::StoreError failed() const {
        return store::StoreError(
            store::ExportWriteFailed,
            QCoreApplication::translate("shell", "The file could not be written: %1 (%2)")
                .arg(QDir::toNativeSeparators(m_path), m_file.errorString()));
    }
    QString m_path;
    QSaveFile m_file;
};

/// The save box's filters of a CSV export and of a workbook's, "All files" after each.
QStringList csvFilters();
QStringList xlsxFilters();

/// Where an export of `item`'s bill is proposed: `item` + `nameSuffix` (with '_' for what no
/// file name can hold), beside the database file; a bare name for a server.
QString proposedExportPath(const QString& item, const QString& nameSuffix, const QString& database);

/// File ▸ Export ▸ "Indented Bill (CSV)…", "Summarised Bill (CSV)…", "Indented Bill
/// (Excel)…" and "Summarised Bill (Excel)…", and File ▸ "Print Preview…" and "Print…":
/// the loaded bill written to a file of the user's choice or printed. The commands are enabled
/// while the tree holds nodes; failures are shown as numbered messages.
///
/// Export ▸ "With Title Block" (off unless the user turns it on) puts the item, its
/// description, the database and the date above the files' header row; off, a file's first
/// line is its header, as scripts that read the files expect. A print is of the indented bill,
/// the summarised bill or the Where Used list of the current node's item, chosen in the print
/// dialog or the preview. Both choices are remembered in the settings, when there are any.
class ExportCommands : public QObject {
    Q_OBJECT
public:
    /// The database, the loaded bill and its description come from `context` at the moment a
    /// command runs; the status says what a command has done.
    explicit ExportCommands(CommandContext& context, QObject* parent = nullptr,
                            QSettings* settings = nullptr);

    /// Registers the Export submenu, Print Preview… and Print… in `commands`.
    void addTo(CommandRegistry& commands);

    /// Asks where to save the indented bill, then writes it.
    void exportIndented();
    /// Asks where to save the summarised bill, then writes it.
    void exportSummarised();
    /// The indented bill as an Excel workbook: the same rows and columns as the CSV file, the
    /// rows folded by level.
    void exportIndentedXlsx();
    /// The summarised bill as an Excel workbook.
    void exportSummarisedXlsx();
    /// Prints through the print dialog the bill chosen there: the indented bill, the
    /// summarised bill, or the Where Used list of the current node's item.
    void print();
    /// Shows the bill chosen as it will print (the choice in the preview's Show box), from
    /// where it can be printed.
    void printPreview();
    /// The Export menu's "With Title Block": whether the exports carry one.
    QAction* titleBlockAction() const { return m_titleBlockAction; }

private:
    /// The title block's lines (name and value), or none when the user has not asked for it.
    QList<std::pair<QString, QString>> titleBlock() const;
    bool haveBill();
    void printBill(bool preview);
    void updateEnabled();
    /// Asks for the file, then has `write` write it whole to the path chosen and give its
    /// number of rows below the header; empty when the user cancelled, and then no file is
    /// written.
    void exportFile(const QString& title, const QString& nameSuffix, const QStringList& filters,
                    const QString& what,
                    const std::function<std::optional<size_t>(const QString&)>& write);
    /// exportFile for a CSV file.
    void exportCsv(const QString& title, const QString& nameSuffix, const QString& what,
                   const std::function<std::optional<size_t>(WholeFile&)>& write);
    /// Asks before an indented bill of `total` rows is written, as a file of `rowLimit` rows
    /// at most (the header included); true to go on.
    bool agreeToIndented(qint64 total, qint64 rowLimit);
    /// Every row of the indented bill to `row`, with `flush` after each piece of them and the
    /// progress (and its Cancel) shown past a moment's work; the rows, or empty on Cancel.
    std::optional<size_t> walkIndented(qint64 total,
                                       const std::function<void(const tree::IndentedLine&)>& row,
                                       const std::function<void()>& flush);
    /// Asks before work on a bill of `count` rows; true for Yes.
    bool agreeToSize(qint64 count, const QString& doing);
    void status(const QString& text);
    QString proposedPath(const QString& nameSuffix) const;

    CommandContext& m_context;
    desktop::Desktop& m_desktop;
    tree::BomTreeModel& m_model;
    QAction* m_indentedAction;
    QAction* m_summaryAction;
    QAction* m_indentedXlsxAction;
    QAction* m_summaryXlsxAction;
    QAction* m_previewAction;
    QAction* m_printAction;
    QAction* m_titleBlockAction;
    QSettings* m_settings;
};

/// Registers File ▸ Export, Print Preview… and Print…, remembering the user's choices in the
/// window's settings.
void registerExportCommands(CommandContext& context);

} // namespace shell
