#include "shell/history/ChangeHistoryDialog.h"

#include "tree/history/HistoryTexts.h"
#include "shell/window/ReportTable.h"

#include "tree/edits/Quantity.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTableView>
#include <QVBoxLayout>

namespace shell {

namespace {

/// A date-time edit at this value is empty: no bound on that side.
const QDateTime NoBound(QDate(2000, 1, 1), QTime(0, 0));

QDateTimeEdit* boundEdit(const QString& objectName, const QString& accessibleName) {
    auto* edit = new QDateTimeEdit;
    edit->setObjectName(objectName);
    edit->setAccessibleName(accessibleName);
    edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm"));
    edit->setCalendarPopup(true);
    edit->setMinimumDateTime(NoBound);
    edit->setSpecialValueText(QCoreApplication::translate("shell", "any"));
    edit->setDateTime(NoBound);
    return edit;
}

/// A row's label whose mnemonic goes to `buddy`: a row of several widgets has no buddy of
/// its own, and would show the '&' as it stands.
QLabel* buddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

std::optional<QDateTime> bound(const QDateTimeEdit& edit) {
    if (edit.dateTime() <= NoBound)
        return std::nullopt;
    return edit.dateTime();
}

} // namespace

/// The listed changes, one line each, made once: the view asks for them on every paint.
class ChangeHistoryDialog::Changes : public ReportTableModel {
public:
    explicit Changes(QObject* parent)
        : ReportTableModel(1, {QCoreApplication::translate("shell", "Change")}, {}, parent) {}

    void reset(std::vector<store::ChangeRecord> changes) {
        resetLines([&] {
            m_changes = std::move(changes);
            m_lines.clear();
            m_lines.reserve(m_changes.size());
            const QDate today = QDate::currentDate();
            for (const store::ChangeRecord& change : m_changes)
                m_lines.push_back(tree::historySummary(change, today));
        });
    }
    const std::vector<store::ChangeRecord>& changes() const { return m_changes; }

protected:
    int lineCount() const override { return int(m_lines.size()); }
    // Display text only: no tool tip, which Qt would take for rich text if it looked like it.
    QVariant cell(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole)
            return {};
        return m_lines[size_t(index.row())];
    }

private:
    std::vector<store::ChangeRecord> m_changes;
    std::vector<QString> m_lines;
};

ChangeHistoryDialog::ChangeHistoryDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ChangeHistoryDialog"));
    setWindowTitle(tr("Change History"));
    setModal(false);

    m_scope = new QComboBox;
    m_scope->setObjectName(QStringLiteral("historyScope"));
    m_scope->addItems({tr("Loaded bill"), tr("This line"), tr("Whole database")});
    m_since = boundEdit(QStringLiteral("historySince"), tr("Since"));
    m_until = boundEdit(QStringLiteral("historyUntil"), tr("Until"));
    m_person = new QLineEdit;
    m_person->setObjectName(QStringLiteral("historyPerson"));
    m_source = new QComboBox;
    m_source->setObjectName(QStringLiteral("historySource"));
    m_source->addItem(tr("any"));
    for (store::ChangeSource source :
         {store::ChangeSource::ThisEditor, store::ChangeSource::AnotherEditor,
          store::ChangeSource::AnotherProgram, store::ChangeSource::Restore})
        m_source->addItem(tree::sourceShown(source), int(source));
    m_item = new QLineEdit;
    m_item->setObjectName(QStringLiteral("historyItem"));
    auto* show = new QPushButton(tr("&Show"));
    show->setObjectName(QStringLiteral("historyShow"));
    show->setAutoDefault(false);

    auto* filters = new QFormLayout;
    filters->addRow(tr("S&cope:"), m_scope);
    auto* times = new QHBoxLayout;
    times->addWidget(m_since, 1);
    auto* untilLabel = new QLabel(tr("&until"));
    untilLabel->setBuddy(m_until);
    times->addWidget(untilLabel);
    times->addWidget(m_until, 1);
    filters->addRow(buddyLabel(tr("Si&nce:"), m_since), times);
    filters->addRow(tr("&Person:"), m_person);
    filters->addRow(tr("Sou&rce:"), m_source);
    auto* itemRow = new QHBoxLayout;
    itemRow->addWidget(m_item, 1);
    itemRow->addWidget(show);
    filters->addRow(buddyLabel(tr("&Item:"), m_item), itemRow);

    m_heading = reportHeading(QStringLiteral("historyHeading"));
    m_changes = new Changes(this);
    m_table = reportTable(QStringLiteral("historyTable"), tr("Changes"), m_changes);
    m_table->horizontalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_details = new QPlainTextEdit;
    m_details->setObjectName(QStringLiteral("historyDetails"));
    m_details->setAccessibleName(tr("The change's details"));
    m_details->setReadOnly(true);
    m_details->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_details->setMaximumHeight(m_details->fontMetrics().lineSpacing() * 12);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            &ChangeHistoryDialog::showDetails);
    m_size = reportHeading(QStringLiteral("historySize"));

    // What each change set offers, where the user stands on it: no time to type.
    auto* before = new QAction(tr("Show the Bill &Before This Change"), this);
    before->setObjectName(QStringLiteral("historyShowBefore"));
    connect(before, &QAction::triggered, this, &ChangeHistoryDialog::showBeforeRequested);
    auto* compare = new QAction(tr("&Compare With Before This Change"), this);
    compare->setObjectName(QStringLiteral("historyCompareBefore"));
    connect(compare, &QAction::triggered, this, &ChangeHistoryDialog::compareBeforeRequested);
    auto* restore = new QAction(tr("&Restore…"), this);
    restore->setObjectName(QStringLiteral("historyRestoreAction"));
    connect(restore, &QAction::triggered, this, &ChangeHistoryDialog::restoreRequested);
    const auto popup = [this, before, compare, restore](const QPoint& at) {
        if (!currentChange())
            return;
        QMenu menu(this);
        menu.addActions({before, compare});
        menu.addSeparator();
        menu.addAction(restore);
        menu.exec(m_table->viewport()->mapToGlobal(at));
    };
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this, popup);
    // Shift+F10 as the Menu key: the menu at the current change.
    auto* keyboardMenu = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), m_table, nullptr,
                                       nullptr, Qt::WidgetShortcut);
    connect(keyboardMenu, &QShortcut::activated, this, [this, popup] {
        popup(m_table->visualRect(m_table->currentIndex()).center());
    });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    buttons->button(QDialogButtonBox::Close)->setAutoDefault(false);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_exportCsv = buttons->addButton(tr("Export CS&V…"), QDialogButtonBox::ActionRole);
    m_exportCsv->setObjectName(QStringLiteral("historyExportCsv"));
    m_exportXlsx = buttons->addButton(tr("Export &Excel…"), QDialogButtonBox::ActionRole);
    m_exportXlsx->setObjectName(QStringLiteral("historyExportXlsx"));
    m_restore = buttons->addButton(tr("Res&tore…"), QDialogButtonBox::ActionRole);
    m_restore->setObjectName(QStringLiteral("historyRestore"));
    m_restore->setToolTip(tr("Puts back what the current change set changed; in "
                             "the scope of one line, the line as it was before the "
                             "current change"));
    m_forget = buttons->addButton(tr("&Forget Changes Before…"), QDialogButtonBox::ActionRole);
    m_forget->setObjectName(QStringLiteral("historyForget"));
    m_forget->setAutoDefault(false);
    connect(m_forget, &QPushButton::clicked, this, &ChangeHistoryDialog::forgetRequested);
    for (QPushButton* button : {m_exportCsv, m_exportXlsx, m_restore}) {
        button->setAutoDefault(false);
        button->setEnabled(false);
    }
    connect(m_restore, &QPushButton::clicked, this, &ChangeHistoryDialog::restoreRequested);
    connect(m_exportCsv, &QPushButton::clicked, this, [this] { Q_EMIT exportRequested(false); });
    connect(m_exportXlsx, &QPushButton::clicked, this, [this] { Q_EMIT exportRequested(true); });

    connect(show, &QPushButton::clicked, this, &ChangeHistoryDialog::readRequested);
    connect(m_scope, &QComboBox::activated, this, &ChangeHistoryDialog::readRequested);
    for (QLineEdit* edit : {m_person, m_item})
        connect(edit, &QLineEdit::returnPressed, this, &ChangeHistoryDialog::readRequested);

    auto* column = new QVBoxLayout(this);
    column->addLayout(filters);
    column->addWidget(m_heading);
    column->addWidget(m_table, 1);
    column->addWidget(m_details);
    column->addWidget(m_size);
    column->addWidget(buttons);
    // As wide as the screen allows: the one line of each change is read without scrolling.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QRect room = screen ? screen->availableGeometry() : QRect(0, 0, 1366, 768);
    resize(room.width() - 16, qMin(room.height() - 48, 640));
}

ChangeHistoryDialog::~ChangeHistoryDialog() = default;

ChangeHistoryDialog::Scope ChangeHistoryDialog::scope() const {
    return Scope(m_scope->currentIndex());
}

void ChangeHistoryDialog::setScope(Scope scope) {
    m_scope->setCurrentIndex(int(scope));
}

void ChangeHistoryDialog::setHeading(const QString& heading) {
    m_heading->setText(heading);
}

store::HistoryQuery ChangeHistoryDialog::filters() const {
    store::HistoryQuery query;
    query.since = bound(*m_since);
    query.until = bound(*m_until);
    query.person = m_person->text().trimmed();
    query.item = m_item->text().trimmed();
    if (const QVariant source = m_source->currentData(); source.isValid())
        query.source = store::ChangeSource(source.toInt());
    return query;
}

void ChangeHistoryDialog::showChanges(std::vector<store::ChangeRecord> changes, qint64 kept,
                                      const QDateTime& keptSince) {
    const qsizetype listed = qsizetype(changes.size());
    m_changes->reset(std::move(changes));
    const QString since = keptSince.isValid()
                              ? keptSince.toLocalTime().toString(store::schema::StartDateFormat)
                              : tr("the start");
    m_size->setText(tr("%Ln change(s) listed; the history keeps %1 since %2.", nullptr, int(listed))
                        .arg(QLocale().toString(kept), since));
    m_exportCsv->setEnabled(listed > 0);
    m_exportXlsx->setEnabled(listed > 0);
    m_restore->setEnabled(listed > 0);
    if (listed > 0 && listed >= store::HistoryQuery().limit)
        m_size->setText(m_size->text() + tr(" Only the newest %1 are listed: narrow "
                                            "the time or the scope to see older "
                                            "ones.")
                                             .arg(QLocale().toString(listed)));
    if (listed > 0)
        m_table->setCurrentIndex(m_changes->index(0, 0));
    showDetails();
}

void ChangeHistoryDialog::showDetails() {
    const std::optional<store::ChangeRecord> change = currentChange();
    m_details->setPlainText(change ? tree::historyDetails(*change) : QString());
}

std::optional<store::ChangeRecord> ChangeHistoryDialog::currentChange() const {
    const int row = m_table->currentIndex().row();
    if (row < 0 || row >= int(changes().size()))
        return std::nullopt;
    return changes()[size_t(row)];
}

const std::vector<store::ChangeRecord>& ChangeHistoryDialog::changes() const {
    return m_changes->changes();
}

} // namespace shell
