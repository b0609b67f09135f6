#include "shell/compare/CompareDialog.h"

#include "shell/window/ColumnFit.h"
#include "shell/window/ReportTable.h"

#include "tree/edits/Quantity.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QColor>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>

namespace shell {

namespace {

/// The colour of each mark, as text on the palette's own background (dark or light).
QVariant markColour(tree::Mark mark) {
    switch (mark) {
    case tree::Mark::Added:
        return QColor(0x1b, 0x7f, 0x3b);
    case tree::Mark::Removed:
        return QColor(0xb0, 0x00, 0x20);
    case tree::Mark::Changed:
        return QColor(0x9a, 0x4f, 0x00);
    case tree::Mark::Unknown:
        return QColor(0x70, 0x70, 0x70);
    case tree::Mark::Unchanged:
        break;
    }
    return {};
}

/// The most levels the Item ID column indents by; the Level column says how deep a row is.
constexpr int MaxIndent = 12;

} // namespace

/// The lines of one tab, with those shown: all, or those that differ (and, in the indented
/// tab, the rows above a difference, so that each difference keeps its place in the tree).
class CompareDialog::Lines : public ReportTableModel {
public:
    enum Column { Level, Item, Description, QuantityA, QuantityB, Difference, MarkColumn, Note, ColumnCount };

    Lines(bool indented, QObject* parent)
        : ReportTableModel(ColumnCount, {}, {Level, QuantityA, QuantityB, Difference}, parent),
          m_indented(indented) {}

    void reset(std::vector<tree::ComparedLine> lines, bool hideUnchanged) {
        resetLines([&] {
            m_lines = std::move(lines);
            choose(hideUnchanged);
        });
    }
    void setHideUnchanged(bool hide) {
        resetLines([&] { choose(hide); });
    }
    const tree::ComparedLine& line(int row) const { return m_lines[m_shown[size_t(row)]]; }
    std::vector<const tree::ComparedLine*> shown() const {
        std::vector<const tree::ComparedLine*> lines;
        lines.reserve(m_shown.size());
        for (size_t at : m_shown)
            lines.push_back(&m_lines[at]);
        return lines;
    }
    bool indented() const { return m_indented; }

    int lineCount() const override { return int(m_shown.size()); }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        switch (section) {
        case Level:
            return QCoreApplication::translate("shell::CompareDialog", "Level");
        case Item:
            return QCoreApplication::translate("shell::CompareDialog", "Item ID");
        case Description:
            return QCoreApplication::translate("shell::CompareDialog", "Description");
        case QuantityA:
            return m_indented ? QCoreApplication::translate("shell::CompareDialog", "Quantity A")
                              : QCoreApplication::translate("shell::CompareDialog", "Total A");
        case QuantityB:
            return m_indented ? QCoreApplication::translate("shell::CompareDialog", "Quantity B")
                              : QCoreApplication::translate("shell::CompareDialog", "Total B");
        case Difference:
            return QCoreApplication::translate("shell::CompareDialog", "Difference");
        case MarkColumn:
            return QCoreApplication::translate("shell::CompareDialog", "Mark");
        case Note:
            return QCoreApplication::translate("shell::CompareDialog", "Note");
        default: return {};
        }
    }
    QVariant cell(const QModelIndex& index, int role) const override {
        const tree::ComparedLine& at = line(index.row());
        switch (role) {
        case Qt::DisplayRole:
            switch (index.column()) {
            case Level: return at.level;
            case Item:
                return m_indented ? QString(2 * (std::min(at.level, MaxIndent) - 1), u' ') + at.itemId
                                  : at.itemId;
            case Description: return at.description;
            case QuantityA: return quantity(at.inA, at.quantityA);
            case QuantityB: return quantity(at.inB, at.quantityB);
            case Difference: {
                const auto difference = at.difference();
                if (!difference)
                    return QString();
                const QString shown = tree::formatQuantity(*difference);
                return *difference > 0 ? u'+' + shown : shown;
            }
            case MarkColumn:
                return tree::markText(at.mark, true);
            case Note:
                return tree::compareNote(at, true);
            default: return {};
            }
        case Qt::ForegroundRole:
            return index.column() == Level ? QVariant() : markColour(at.mark);
        case Qt::ToolTipRole:
            if ((index.column() == QuantityA && at.inA && !at.quantityA) ||
                (index.column() == QuantityB && at.inB && !at.quantityB) ||
                (index.column() == Difference && !at.difference()))
                return QCoreApplication::translate(
                    "shell::CompareDialog",
                    "No number: a quantity on the way is Null, or a cycle "
                    "lies on the way, so the need has no end. The note says "
                    "which.");
            return {};
        default:
            return {};
        }
    }

private:
    static QString quantity(bool in, const std::optional<double>& value) {
        if (!in)
            return QStringLiteral("–"); // not in this bill: nothing of it is needed
        return value ? tree::formatQuantity(*value) : QString();
    }
    void choose(bool hideUnchanged) {
        m_shown.clear();
        m_shown.reserve(m_lines.size());
        for (size_t at = 0; at < m_lines.size(); ++at)
            if (!hideUnchanged || m_lines[at].changedHere)
                m_shown.push_back(at);
    }

    bool m_indented;
    std::vector<tree::ComparedLine> m_lines;
    std::vector<size_t> m_shown;
};

CompareDialog::CompareDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(tr("Compare Bills"));
    setModal(false);

    m_itemA = new QLineEdit;
    m_itemA->setObjectName(QStringLiteral("itemA"));
    m_itemB = new QLineEdit;
    m_itemB->setObjectName(QStringLiteral("itemB"));
    m_source = new QComboBox;
    m_source->setObjectName(QStringLiteral("sourceB"));
    m_source->addItems({tr("This database"), tr("Another database file…"), tr("A server…")});
    m_location = new QLabel;
    m_location->setObjectName(QStringLiteral("locationB"));
    m_location->setTextFormat(Qt::PlainText);
    m_location->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_compare = new QPushButton(tr("&Compare"));
    m_compare->setObjectName(QStringLiteral("compare"));
    auto* sourceRow = new QHBoxLayout;
    sourceRow->addWidget(m_source);
    sourceRow->addWidget(m_location, 1);
    // Either side may be the bill as it stood at a moment, rebuilt from the history: "now
    // against last Monday" is the same item twice, B as of Monday.
    const auto asOfRow = [this](QLineEdit* item, QCheckBox*& asOf, QDateTimeEdit*& moment,
                                const QString& label, const char* name) {
        asOf = new QCheckBox(label);
        asOf->setObjectName(QLatin1String(name));
        // The start of today, with no seconds the field does not show: a moment the history
        // holds for anyone who edited today (an earlier one is read as the history's start).
        moment = new QDateTimeEdit(QDate::currentDate().startOfDay());
        moment->setObjectName(QLatin1String(name) + QStringLiteral("Moment"));
        moment->setAccessibleName(
            tr("The moment of bill %1").arg(QLatin1Char(name[std::strlen(name) - 1])));
        moment->setCalendarPopup(true);
        moment->setDisplayFormat(QLocale().dateTimeFormat(QLocale::ShortFormat));
        moment->setEnabled(false);
        connect(asOf, &QCheckBox::toggled, moment, &QWidget::setEnabled);
        auto* row = new QHBoxLayout;
        row->addWidget(item, 1);
        row->addWidget(asOf);
        row->addWidget(moment);
        return row;
    };
    auto* form = new QFormLayout;
    auto* labelA = new QLabel(tr("Item &A:"));
    labelA->setBuddy(m_itemA);
    QHBoxLayout* rowA = asOfRow(m_itemA, m_asOfA, m_momentA, tr("as &of"), "asOfA");
    // While the window shows a draft, "this database" is read with the draft applied; A may be
    // the tables themselves, so that the draft's changes to a bill show as a comparison.
    m_withoutDraftA = new QCheckBox(tr("without the &draft"));
    m_withoutDraftA->setObjectName(QStringLiteral("withoutDraftA"));
    m_withoutDraftA->hide();
    rowA->insertWidget(1, m_withoutDraftA);
    form->addRow(labelA, rowA);
    auto* labelB = new QLabel(tr("Item &B:"));
    labelB->setBuddy(m_itemB);
    form->addRow(labelB, asOfRow(m_itemB, m_asOfB, m_momentB, tr("as o&f"), "asOfB"));
    auto* sourceLabel = new QLabel(tr("B &from:"));
    sourceLabel->setBuddy(m_source);
    form->addRow(sourceLabel, sourceRow);

    m_heading = reportHeading(QStringLiteral("compareHeading"));
    m_summarised = new Lines(false, this);
    m_indented = new Lines(true, this);
    m_summarisedTable =
        reportTable(QStringLiteral("summarisedTable"), tr("Summarised comparison"), m_summarised);
    m_summarisedTable->hideColumn(Lines::Level);
    m_indentedTable =
        reportTable(QStringLiteral("indentedTable"), tr("Indented comparison"), m_indented);
    for (QTableView* table : {m_summarisedTable, m_indentedTable}) {
        table->horizontalHeader()->setResizeContentsPrecision(200);
        trackUserSizing(*table->horizontalHeader());
    }
    m_tabs = new QTabWidget;
    m_tabs->setObjectName(QStringLiteral("compareTabs"));
    m_tabs->addTab(m_summarisedTable, tr("&Summarised"));
    m_tabs->addTab(m_indentedTable, tr("&Indented"));

    m_hideUnchanged = new QCheckBox(tr("&Hide unchanged"));
    m_hideUnchanged->setObjectName(QStringLiteral("hideUnchanged"));
    m_export = new QPushButton(tr("&Export CSV…"));
    m_export->setObjectName(QStringLiteral("exportComparison"));
    m_export->setEnabled(false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    for (QPushButton* button : {m_export, buttons->button(QDialogButtonBox::Close)})
        button->setAutoDefault(false);
    // Enter in an item field compares; the tables keep their own keys.
    m_compare->setAutoDefault(false);
    m_compare->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_hideUnchanged);
    bottom->addStretch(1);
    bottom->addWidget(m_export);
    bottom->addWidget(buttons);

    auto* top = new QHBoxLayout;
    top->addLayout(form, 1);
    top->addWidget(m_compare, 0, Qt::AlignBottom);
    auto* column = new QVBoxLayout(this);
    column->addLayout(top);
    column->addWidget(m_heading);
    column->addWidget(m_tabs, 1);
    column->addLayout(bottom);
    setTabOrder(m_itemA, m_itemB);
    setTabOrder(m_itemB, m_source);
    setTabOrder(m_source, m_compare);
    setTabOrder(m_compare, m_tabs);

    connect(m_compare, &QPushButton::clicked, this, &CompareDialog::compareRequested);
    for (QLineEdit* field : {m_itemA, m_itemB})
        connect(field, &QLineEdit::returnPressed, this, &CompareDialog::compareRequested);
    connect(m_source, &QComboBox::activated, this, [this](int index) {
        const Source previous = m_lastSource;
        m_lastSource = Source(index);
        // Another file or server chosen again asks again: the user may want another one.
        if (m_lastSource != previous || m_lastSource != ThisDatabase)
            Q_EMIT sourceChosen(m_lastSource, previous);
    });
    connect(m_hideUnchanged, &QCheckBox::toggled, this, &CompareDialog::applyFilter);
    connect(m_export, &QPushButton::clicked, this, &CompareDialog::exportRequested);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(900, 520);
}

CompareDialog::~CompareDialog() = default;

QString CompareDialog::itemA() const { return m_itemA->text(); }

std::optional<QDateTime> CompareDialog::asOfA() const {
    return m_asOfA->isChecked() ? std::optional<QDateTime>(m_momentA->dateTime()) : std::nullopt;
}

std::optional<QDateTime> CompareDialog::asOfB() const {
    return m_asOfB->isChecked() ? std::optional<QDateTime>(m_momentB->dateTime()) : std::nullopt;
}
QString CompareDialog::itemB() const { return m_itemB->text(); }

void CompareDialog::setBefore(const QString& item, const QDateTime& moment) {
    m_itemA->setText(item);
    m_itemB->setText(item);
    m_asOfA->setChecked(false);
    m_asOfB->setChecked(true);
    m_momentB->setDateTime(moment.toLocalTime());
}

void CompareDialog::setItemA(const QString& item) {
    m_itemA->setText(item);
    if (m_itemB->text().isEmpty())
        m_itemB->setText(item);
}

void CompareDialog::setSource(Source source, const QString& shown) {
    m_source->setCurrentIndex(int(source));
    m_lastSource = source;
    m_location->setText(shown);
}

CompareDialog::Source CompareDialog::source() const { return m_lastSource; }

void CompareDialog::setDraftShown(const QString& name) {
    m_withoutDraftA->setVisible(!name.isEmpty());
    m_withoutDraftA->setToolTip(name.isEmpty() ? QString()
                                               : tr("Bill A as the database holds it, without "
                                                    "the draft %1")
                                                     .arg(name));
    if (name.isEmpty())
        m_withoutDraftA->setChecked(false);
}

bool CompareDialog::withoutDraftA() const {
    return !m_withoutDraftA->isHidden() && m_withoutDraftA->isChecked();
}

void CompareDialog::setDraftComparison(const QString& item) {
    m_itemA->setText(item);
    m_itemB->setText(item);
    m_asOfA->setChecked(false);
    m_asOfB->setChecked(false);
    m_withoutDraftA->setChecked(true);
}

void CompareDialog::showComparison(const QString& heading,
                                   std::vector<tree::ComparedLine> summarised,
                                   tree::IndentedComparison indented) {
    m_heading->setText(heading);
    const bool hide = m_hideUnchanged->isChecked();
    m_summarised->reset(std::move(summarised), hide);
    m_indented->reset(std::move(indented.rows), hide);
    m_export->setEnabled(true);
    for (QTableView* table : {m_summarisedTable, m_indentedTable})
        fitColumns(*table, *table->horizontalHeader(), table->fontMetrics().averageCharWidth() * 40);
}

bool CompareDialog::hasComparison() const { return m_export->isEnabled(); }

void CompareDialog::applyFilter() {
    m_summarised->setHideUnchanged(m_hideUnchanged->isChecked());
    m_indented->setHideUnchanged(m_hideUnchanged->isChecked());
}

std::vector<const tree::ComparedLine*> CompareDialog::shownLines(bool& indented) const {
    const Lines* lines = m_tabs->currentIndex() == 1 ? m_indented : m_summarised;
    indented = lines->indented();
    return lines->shown();
}

} // namespace shell
