#include "shell/drafts/DraftReviewDialog.h"

#include "shell/window/ColumnFit.h"
#include "shell/window/ReportTable.h"

#include "tree/bill/BomTreeModel.h"
#include "tree/drafts/DraftTrips.h"
#include "tree/edits/Quantity.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace shell {

/// The draft's lines, straight from the review: no copy per cell.
class DraftReviewDialog::Lines : public ReportTableModel {
    Q_DECLARE_TR_FUNCTIONS(shell::DraftReviewDialog)
public:
    enum Column {
        Change,
        Assembly,
        Component,
        BaseQuantity,
        BaseStart,
        DraftQuantity,
        DraftStart,
        LiveQuantity,
        LiveStart,
        Live,
        ColumnCount
    };

    explicit Lines(QObject* parent)
        : ReportTableModel(ColumnCount, {}, {BaseQuantity, DraftQuantity, LiveQuantity},
                           parent) {}

    void reset(const std::vector<store::DraftLineNow>* lines) {
        resetLines([&] { m_lines = lines; });
    }
    const store::DraftLineNow& line(int at) const { return (*m_lines)[size_t(at)]; }

    int lineCount() const override { return m_lines ? int(m_lines->size()) : 0; }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return ReportTableModel::headerData(section, orientation, role);
        switch (section) {
        case Change: return tr("Change");
        case Assembly: return tr("Assembly");
        case Component: return tr("Component");
        case BaseQuantity: return tr("Base Quantity");
        case BaseStart: return tr("Base Start Date");
        case DraftQuantity: return tr("Draft Quantity");
        case DraftStart: return tr("Draft Start Date");
        case LiveQuantity: return tr("Live Quantity");
        case LiveStart: return tr("Live Start Date");
        case Live: return tr("Live");
        default: return {};
        }
    }

    QVariant cell(const QModelIndex& index, int role) const override {
        const store::DraftLineNow& now = line(index.row());
        const bool changedSince = now.since == store::DraftLineNow::Since::Changed;
        switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
            case Change:
                if (!now.line.base)
                    return tr("added");
                return now.line.draft ? tr("changed") : tr("removed");
            case Assembly: return now.line.assembly();
            case Component: return now.line.component();
            case BaseQuantity: return quantityText(now.line.base);
            case BaseStart: return startText(now.line.base);
            case DraftQuantity: return quantityText(now.line.draft);
            case DraftStart: return startText(now.line.draft);
            case LiveQuantity: return quantityText(now.live);
            case LiveStart: return startText(now.live);
            case Live:
                switch (now.since) {
                case store::DraftLineNow::Since::Unchanged: return tr("as it was");
                case store::DraftLineNow::Since::AlreadyAsDraft: return tr("already as drafted");
                case store::DraftLineNow::Since::Changed: return tr("changed since");
                }
                return {};
            default: return {};
            }
        case Qt::ForegroundRole:
            // Marked as the tree marks what needs a look: Apply Draft asks about this line.
            return changedSince ? QVariant(tree::MarkedColour) : QVariant();
        case Qt::ToolTipRole:
            if (changedSince)
                return tr("The tables' line was changed, removed or added since it entered the "
                          "draft: Apply Draft asks whether to keep the tables' or take the "
                          "draft's.");
            return {};
        default:
            return {};
        }
    }

private:
    static QString quantityText(const std::optional<store::LineRow>& row) {
        if (!row || row->quantity.isNull())
            return {};
        bool number = false;
        const double quantity = row->quantity.toDouble(&number);
        return number ? tree::formatQuantity(quantity) : row->quantity.toString();
    }
    static QString startText(const std::optional<store::LineRow>& row) {
        return row && !row->startDate.isNull() ? row->startDate.toString() : QString();
    }

    const std::vector<store::DraftLineNow>* m_lines = nullptr;
};

DraftReviewDialog::DraftReviewDialog(std::function<void(const QString&)> loadAssembly,
                                     QWidget* parent)
    : QDialog(parent), m_loadAssembly(std::move(loadAssembly)) {
    setObjectName(QStringLiteral("DraftReviewDialog"));
    setWindowTitle(tr("Review Draft"));
    setModal(false);

    m_heading = reportHeading(QStringLiteral("draftReviewHeading"));
    m_lines = new Lines(this);
    m_table = reportTable(QStringLiteral("draftReviewTable"), tr("Lines of the draft"), m_lines);
    m_heading->setBuddy(m_table);
    openRowsOnActivation(*m_table, [this](int row) {
        if (row >= 0 && row < m_lines->rowCount())
            m_loadAssembly(m_lines->line(row).line.assembly());
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    QPushButton* refresh = buttons->addButton(tr("&Refresh"), QDialogButtonBox::ActionRole);
    refresh->setObjectName(QStringLiteral("draftReviewRefresh"));
    QPushButton* csv = buttons->addButton(tr("Export &CSV…"), QDialogButtonBox::ActionRole);
    csv->setObjectName(QStringLiteral("draftReviewCsv"));
    QPushButton* excel = buttons->addButton(tr("Export &Excel…"), QDialogButtonBox::ActionRole);
    excel->setObjectName(QStringLiteral("draftReviewExcel"));
    QPushButton* print = buttons->addButton(tr("&Print…"), QDialogButtonBox::ActionRole);
    print->setObjectName(QStringLiteral("draftReviewPrint"));
    connect(print, &QPushButton::clicked, this, &DraftReviewDialog::printWanted);
    connect(refresh, &QPushButton::clicked, this, &DraftReviewDialog::refreshWanted);
    connect(csv, &QPushButton::clicked, this, [this] { Q_EMIT exportWanted(false); });
    connect(excel, &QPushButton::clicked, this, [this] { Q_EMIT exportWanted(true); });
    // Enter belongs to the table (it loads the line's assembly), never to a button.
    for (QAbstractButton* button : buttons->buttons())
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* column = new QVBoxLayout(this);
    column->addWidget(m_heading);
    column->addWidget(m_table, 1);
    column->addWidget(buttons);
    resize(1100, 480);
}

DraftReviewDialog::~DraftReviewDialog() = default;

void DraftReviewDialog::showReview(store::DraftNow review) {
    // The model shows the review kept here: reset it around the swap.
    m_lines->reset(nullptr);
    m_review = std::move(review);
    m_lines->reset(&m_review.lines);
    qint64 changedSince = 0;
    std::vector<store::DraftLine> lines;
    lines.reserve(m_review.lines.size());
    for (const store::DraftLineNow& line : m_review.lines) {
        lines.push_back(line.line);
        if (line.since == store::DraftLineNow::Since::Changed)
            ++changedSince;
    }
    QString heading = tree::draftShownText(m_review.draft.name, tree::countsOf(lines));
    if (!m_review.draft.reason.isEmpty())
        heading += u'\n' + tr("Reason: %1").arg(m_review.draft.reason);
    heading += u'\n' + tr("Made by %1 on %2.")
                           .arg(m_review.draft.madeBy,
                                QLocale().toString(m_review.draft.made.toLocalTime(),
                                                   QLocale::ShortFormat));
    if (changedSince > 0)
        heading += u'\n' + tr("%Ln line(s) changed in the database since entering the draft, "
                              "marked: Apply Draft asks about each.",
                              nullptr, int(changedSince));
    m_heading->setText(heading);
    fitColumns(*m_table, *m_table->horizontalHeader(), 320);
    if (!m_review.lines.empty() && !m_table->currentIndex().isValid())
        m_table->setCurrentIndex(m_lines->index(0, 0));
    m_table->setFocus();
}

} // namespace shell
