#include "shell/history/RestoreDialog.h"

#include "desktop/Desktop.h"
#include "shell/window/CommandContext.h"
#include "store/StoreError.h"
#include "tree/edits/LineEdits.h"

#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace shell {

namespace {

enum Column { Chosen, Assembly, Component, Target, Left, Now, Columns };

QTableWidgetItem* cell(const QString& text) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

store::RowImage nowImage(const std::optional<store::LineRow>& row) {
    if (!row)
        return {};
    return {true, row->quantity, row->startDate, std::nullopt, std::nullopt};
}

} // namespace

RestoreDialog::RestoreDialog(const QString& heading, tree::RestorePlan plan, QWidget* parent)
    : QDialog(parent), m_lines(std::move(plan.lines)), m_table(new QTableWidget(this)),
      m_reason(new QLineEdit(this)) {
    setObjectName(QStringLiteral("frmRestore"));
    setWindowTitle(tr("Restore"));
    auto* label = new QLabel(heading, this);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    auto* alsoUsed = new QLabel(plan.alsoUsed, this);
    alsoUsed->setObjectName(QStringLiteral("restoreAlsoUsed"));
    alsoUsed->setTextFormat(Qt::PlainText);
    alsoUsed->setWordWrap(true);
    alsoUsed->setVisible(!plan.alsoUsed.isEmpty());
    m_table->setObjectName(QStringLiteral("restoreLines"));
    m_table->setColumnCount(Columns);
    m_table->setHorizontalHeaderLabels({tr("Put back"), tr("Assembly"), tr("Component"),
                                        tr("Restore to"), tr("The change left"), tr("Now")});
    m_table->setRowCount(int(m_lines.size()));
    m_table->verticalHeader()->hide();
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    for (int row = 0; row < int(m_lines.size()); ++row) {
        const tree::RestoreLine& line = m_lines[size_t(row)];
        auto* choice = new QTableWidgetItem;
        choice->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
        choice->setCheckState(line.chosen ? Qt::Checked : Qt::Unchecked);
        if (line.changedSince())
            choice->setText(tr("changed since"));
        else if (line.asTarget())
            choice->setText(tr("as it was"));
        m_table->setItem(row, Chosen, choice);
        m_table->setItem(row, Assembly, cell(line.assembly));
        m_table->setItem(row, Component, cell(line.component));
        m_table->setItem(row, Target, cell(tree::rowText(line.target)));
        m_table->setItem(row, Left, cell(tree::rowText(line.left)));
        m_table->setItem(row, Now, cell(tree::rowText(nowImage(line.now))));
    }
    m_table->resizeColumnsToContents();
    m_reason->setObjectName(QStringLiteral("restoreReason"));
    auto* form = new QFormLayout;
    form->addRow(tr("&Reason (optional):"), m_reason);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Re&store"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(alsoUsed);
    layout->addWidget(m_table, 1);
    layout->addLayout(form);
    layout->addWidget(buttons);
    // Wide enough for every column of its lines, within the screen.
    const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() - 16 : 1350;
    int wanted = m_table->verticalScrollBar()->sizeHint().width() + 2 * m_table->frameWidth() + 24;
    for (int column = 0; column < Columns; ++column)
        wanted += m_table->columnWidth(column);
    resize(qBound(760, wanted, qMax(760, room)), 460);
}

std::vector<tree::RestoreLine> RestoreDialog::lines() const {
    std::vector<tree::RestoreLine> chosen = m_lines;
    for (int row = 0; row < int(chosen.size()); ++row)
        chosen[size_t(row)].chosen = m_table->item(row, Chosen)->checkState() == Qt::Checked;
    return chosen;
}

QString RestoreDialog::reason() const {
    return m_reason->text().trimmed();
}

void restoreFromHistory(CommandContext& context, const store::HistoryQuery& query,
                        const QString& name, const tree::HistoryOpener& opener) {
    desktop::Desktop& desktop = context.desktop();
    if (context.edits().refusesEdits())
        return;
    tree::RestorePlan plan;
    try {
        const desktop::BusyPointer busy(desktop);
        plan = tree::readRestorePlan(desktop, context.databasePath(), query, opener);
    } catch (const store::StoreError& error) {
        if (error.number() != store::OperationCancelled)
            desktop.messageBox(error.message(), desktop::OkOnly | desktop::IconStop);
        return;
    }
    if (plan.lines.empty()) {
        desktop.messageBox(QCoreApplication::translate(
                               "shell", "The history holds no change of a line to restore here."),
                           desktop::OkOnly);
        return;
    }
    RestoreDialog preview(name, std::move(plan), context.window());
    if (desktop.runDialog(preview) != QDialog::Accepted)
        return;
    const std::vector<tree::RestoreLine> chosen = preview.lines();
    const store::LineBatch batch = tree::restoreBatch(chosen);
    if (batch.removed.empty() && batch.added.empty()) {
        const bool any = std::any_of(chosen.cbegin(), chosen.cend(),
                                     [](const tree::RestoreLine& line) { return line.chosen; });
        context.showStatus(
            any ? QCoreApplication::translate("shell",
                                              "Nothing to restore: the lines chosen hold what "
                                              "they held then.")
                : QCoreApplication::translate("shell", "Nothing restored: no line was chosen."));
        return;
    }
    context.edits().writeLines(batch, name, preview.reason(), true);
}

} // namespace shell
