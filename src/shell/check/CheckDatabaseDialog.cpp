#include "shell/check/CheckDatabaseDialog.h"

#include "shell/window/ReportTable.h"

#include "desktop/Desktop.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/reports/BillExport.h"

#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QVBoxLayout>

namespace shell {

namespace {

/// A text that a spreadsheet would take for a formula, guarded as the exports guard it.
QString guarded(const QString& cell) {
    if (!cell.isEmpty() && QStringView(u"=+-@").contains(cell.front()))
        return u'\'' + cell;
    return cell;
}

} // namespace

void writeFindingsCsv(const store::CheckReport& report, const QString& path) {
    QSaveFile file(path);
    const auto failed = [&] {
        return store::StoreError(
            store::ExportWriteFailed,
            QCoreApplication::translate("shell::CheckDatabaseDialog",
                                        "The file could not be written: %1 (%2)")
                .arg(QDir::toNativeSeparators(path), file.errorString()));
    };
    if (!file.open(QIODevice::WriteOnly))
        throw failed();
    QByteArray chunk;
    tree::appendCsvRecord(chunk, {QStringLiteral("Kind"), QStringLiteral("Assembly"),
                                  QStringLiteral("Component"), QStringLiteral("Detail")});
    // In pieces: a database with millions of findings would not fit in memory as one text.
    for (size_t i = 0; i < report.size(); ++i) {
        // In English whatever the window's language: other programs read the file.
        const store::CheckFinding finding = report.finding(i);
        tree::appendCsvRecord(chunk, {store::kindName(finding.kind), guarded(finding.assembly),
                                      guarded(finding.component), guarded(finding.detail)});
        if (chunk.size() >= (1 << 20) || i + 1 == report.size()) {
            if (file.write(chunk) != chunk.size())
                throw failed(); // the unfinished copy goes with `file`
            chunk.clear();
        }
    }
    if (!chunk.isEmpty() && file.write(chunk) != chunk.size())
        throw failed();
    if (!file.commit())
        throw failed();
}

/// The findings straight from the report, put into words only for the lines shown.
class CheckDatabaseDialog::Findings : public QAbstractTableModel {
public:
    enum Column { Kind, Assembly, Component, Detail, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void reset(store::CheckReport report) {
        beginResetModel();
        m_report = std::move(report);
        m_cachedRow = -1;
        endResetModel();
    }
    const store::CheckReport& report() const { return m_report; }
    const store::CheckFinding& finding(int row) const {
        if (row != m_cachedRow) {
            m_cached = m_report.finding(size_t(row), true);
            m_cachedRow = row;
        }
        return m_cached;
    }

    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : int(std::min<size_t>(m_report.size(), INT_MAX));
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : ColumnCount;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case Kind:
            return QCoreApplication::translate("shell::CheckDatabaseDialog", "Kind");
        case Assembly:
            return QCoreApplication::translate("shell::CheckDatabaseDialog", "Assembly");
        case Component:
            return QCoreApplication::translate("shell::CheckDatabaseDialog", "Component");
        case Detail:
            return QCoreApplication::translate("shell::CheckDatabaseDialog", "Detail");
        default: return {};
        }
    }
    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
            return {};
        const store::CheckFinding& line = finding(index.row());
        if (role == Qt::ToolTipRole)
            return index.column() == Detail ? line.detail : QVariant();
        switch (index.column()) {
        case Kind:
            return store::kindName(line.kind, true);
        case Assembly: return line.assembly;
        case Component: return line.component;
        case Detail: return line.detail;
        default: return {};
        }
    }
    void sort(int column, Qt::SortOrder order) override {
        Q_EMIT layoutAboutToBeChanged();
        m_report.sortBy(column, order == Qt::DescendingOrder);
        m_cachedRow = -1;
        Q_EMIT layoutChanged();
    }

private:
    store::CheckReport m_report;
    mutable int m_cachedRow = -1;
    mutable store::CheckFinding m_cached{};
};

CheckDatabaseDialog::CheckDatabaseDialog(desktop::Desktop& desktop,
                                         std::function<void(const QString&)> loadAssembly,
                                         QWidget* parent)
    : QDialog(parent), m_desktop(desktop), m_loadAssembly(std::move(loadAssembly)) {
    setObjectName(QStringLiteral("CheckDatabaseDialog"));
    setWindowTitle(tr("Check Database"));
    setModal(false);

    m_heading = reportHeading(QStringLiteral("checkHeading"));
    m_findings = new Findings(this);
    m_table = reportTable(QStringLiteral("checkTable"), tr("Findings"), m_findings);
    m_table->horizontalHeader()->setSortIndicator(Findings::Kind, Qt::AscendingOrder);
    m_table->setSortingEnabled(true);
    // Column widths from the first lines only: the list may hold millions.
    m_table->horizontalHeader()->setResizeContentsPrecision(200);
    m_heading->setBuddy(m_table);
    openRowsOnActivation(*m_table, [this](int row) { loadLine(row); });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* exportButton = buttons->addButton(tr("Export…"), QDialogButtonBox::ActionRole);
    exportButton->setObjectName(QStringLiteral("checkExport"));
    connect(exportButton, &QPushButton::clicked, this, &CheckDatabaseDialog::exportList);
    // Enter belongs to the table (it loads the line), never to a button.
    exportButton->setAutoDefault(false);
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_heading);
    column->addWidget(m_table, 1);
    column->addWidget(buttons);
    resize(900, 480);
}

CheckDatabaseDialog::~CheckDatabaseDialog() = default;

void CheckDatabaseDialog::showReport(store::CheckReport report, const QString& location) {
    m_location = location;
    const QString checked =
        tr("%1 and %2 of %3")
            .arg(tr("%Ln item(s)", nullptr, int(report.items)),
                 tr("%Ln line(s)", nullptr, int(report.lines)), store::shownLocation(location));
    m_heading->setText(report.empty()
                           ? tr("No problems found in %1.").arg(checked)
                           : tr("Findings: %Ln, in %1.", nullptr, int(report.size())).arg(checked));
    const bool any = !report.empty();
    m_findings->reset(std::move(report));
    // The check hands its findings over by kind, as the header says until the user sorts.
    m_table->horizontalHeader()->setSortIndicator(Findings::Kind, Qt::AscendingOrder);
    m_table->resizeColumnsToContents();
    if (any)
        m_table->setCurrentIndex(m_findings->index(0, 0));
    m_table->setFocus();
}

void CheckDatabaseDialog::loadLine(int row) {
    if (row < 0 || row >= m_findings->rowCount())
        return;
    const store::CheckFinding& finding = m_findings->finding(row);
    if (finding.loadable)
        m_loadAssembly(finding.assembly);
}

void CheckDatabaseDialog::exportList() {
    QString proposed = QStringLiteral("database-check.csv");
    // Beside the database file; a server has no folder, so the dialog's own folder then.
    if (const std::optional<QString> file = store::databaseFile(m_location);
        file && !file->isEmpty()) {
        const QFileInfo database(*file);
        proposed = database.absoluteDir().filePath(database.completeBaseName() +
                                                   QStringLiteral("-check.csv"));
    }
    const auto path = m_desktop.saveFile(tr("Export Check Database"), proposed,
                                         {tr("CSV files (*.csv)"), tr("All files (*)")});
    if (!path)
        return;
    try {
        const desktop::BusyPointer busy(m_desktop);
        writeFindingsCsv(m_findings->report(), *path);
    } catch (const store::StoreError& error) {
        m_desktop.messageBox(error.message(), desktop::OkOnly);
    }
}

} // namespace shell
