// Show This Bill As Of…: the loaded bill at an earlier moment, in a window of its own that
// cannot change anything. The tree is the window's kind of tree over a document of its own, so
// that it shows a structure of millions of paths as the window does: nodes made as they open.

#include "shell/history/AsOfView.h"

#include "desktop/Desktop.h"
#include "shell/history/RestoreDialog.h"
#include "shell/window/CommandContext.h"
#include "store/StoreError.h"
#include "tree/BomDocument.h"
#include "tree/BomTreeModel.h"
#include "tree/StoreWaiting.h"
#include "tree/Structure.h"

#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace shell {

AsOfDialog::AsOfDialog(QWidget* parent)
    : QDialog(parent), m_moment(new QDateTimeEdit(this)), m_heading(new QLabel(this)),
      m_tree(new QTreeView(this)), m_document(new tree::BomDocument({}, {}, this)),
      m_model(new tree::BomTreeModel(*m_document, this)) {
    setObjectName(QStringLiteral("frmAsOf"));
    setWindowTitle(QStringLiteral("Bill As Of"));
    auto* label = new QLabel(QStringLiteral("&As of:"), this);
    label->setBuddy(m_moment);
    m_moment->setObjectName(QStringLiteral("dtAsOf"));
    m_moment->setCalendarPopup(true);
    m_moment->setDisplayFormat(QLocale().dateTimeFormat(QLocale::ShortFormat));
    m_moment->setDateTime(QDateTime::currentDateTime());
    auto* show = new QPushButton(QStringLiteral("&Show"), this);
    show->setObjectName(QStringLiteral("cmdShowAsOf"));
    show->setDefault(true);
    connect(show, &QPushButton::clicked, this, &AsOfDialog::showRequested);
    auto* top = new QHBoxLayout;
    top->addWidget(label);
    top->addWidget(m_moment, 1);
    top->addWidget(show);

    m_heading->setObjectName(QStringLiteral("lblAsOf"));
    m_heading->setTextFormat(Qt::PlainText);
    m_tree->setObjectName(QStringLiteral("tvAsOf"));
    m_tree->setModel(m_model);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->setUniformRowHeights(true);
    m_tree->header()->setStretchLastSection(false);
    m_tree->setAccessibleName(QStringLiteral("Bill as of the moment chosen, read-only"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* restore = buttons->addButton(QStringLiteral("&Restore This Bill…"),
                                       QDialogButtonBox::ActionRole);
    restore->setObjectName(QStringLiteral("cmdRestoreBill"));
    restore->setAutoDefault(false);
    connect(restore, &QPushButton::clicked, this, &AsOfDialog::restoreRequested);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_heading);
    layout->addWidget(m_tree, 1);
    layout->addWidget(buttons);
    resize(720, 520);
}

AsOfDialog::~AsOfDialog() = default;

QDateTime AsOfDialog::moment() const {
    return m_moment->dateTime();
}

void AsOfDialog::setMoment(const QDateTime& moment) {
    m_moment->setDateTime(moment);
}

void AsOfDialog::setHeading(const QString& heading) {
    m_heading->setText(heading);
    for (int column = 0; column < m_model->columnCount(); ++column)
        m_tree->resizeColumnToContents(column);
}

AsOfCommands::AsOfCommands(CommandContext& context) : QObject(nullptr), m_context(context) {}

void AsOfCommands::addTo(QMenu* menu) {
    auto* action = menu->addAction(QStringLiteral("Show This Bill &As Of…"));
    action->setObjectName(QStringLiteral("mnuAsOf"));
    connect(action, &QAction::triggered, this, &AsOfCommands::open);
    setParent(menu);
}

void AsOfCommands::open() {
    const QString item = m_context.model().document().topAssembly();
    if (item.isEmpty()) {
        m_context.desktop().messageBox(
            store::StoreError(store::ExportNoBill,
                              QStringLiteral("Load a bill first: its earlier states are shown "
                                             "from the history."))
                .message(),
            desktop::OkOnly);
        return;
    }
    if (!m_dialog) {
        m_dialog = new AsOfDialog(m_context.window());
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_dialog, &AsOfDialog::showRequested, this, &AsOfCommands::showAsOf);
        connect(m_dialog, &AsOfDialog::restoreRequested, this, &AsOfCommands::restoreBill);
    }
    m_item = item;
    m_dialog->setWindowTitle(QStringLiteral("Bill of %1 As Of").arg(item));
    m_dialog->setHeading(QStringLiteral("Choose a moment and press Show."));
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void AsOfCommands::showAsOf() {
    if (!m_dialog)
        return;
    const QDateTime moment = m_dialog->moment();
    desktop::Desktop& desktop = m_context.desktop();
    try {
        const desktop::BusyPointer busy(desktop);
        const tree::StoredBill bill =
            tree::readBillAsOf(desktop, m_context.databasePath(), m_item, moment.toUTC());
        if (!m_dialog)
            return;
        m_dialog->document().load(m_item, bill.lines);
        m_assembliesThen = bill.lines.keys();
        qsizetype lines = 0;
        for (const auto& bill : bill.lines)
            lines += bill.size();
        m_dialog->setHeading(
            QStringLiteral("%1 as it stood at %2: %3 lines, read-only.")
                .arg(m_item, QLocale().toString(moment, QLocale::LongFormat))
                .arg(lines));
    } catch (const store::StoreError& error) {
        desktop.messageBox(error.message(), desktop::OkOnly | desktop::IconStop);
    }
}

void AsOfCommands::restoreBill() {
    if (!m_dialog || store::storeCallWaiting())
        return;
    const QDateTime moment = m_dialog->moment();
    store::HistoryQuery query;
    // The bill's assemblies as it stood then and as it stands now: a line changed since in
    // either belongs to what is put back.
    query.assemblies = m_assembliesThen;
    // Every assembly of the bill: its lower levels may still be being read.
    if (!m_context.model().document().ensureWhole(m_context.desktop()))
        return;
    const tree::Structure& now = m_context.model().structure();
    if (now.topText().compare(m_item, Qt::CaseInsensitive) == 0)
        for (int item = 0; item < now.itemCount(); ++item)
            if (now.isRead(item))
                query.assemblies.append(now.textOf(item));
    if (query.assemblies.isEmpty())
        query.assemblies = {m_item};
    // A change within the moment's own millisecond belongs to the bill as it stood.
    query.since = moment.toUTC().addMSecs(1);
    restoreFromHistory(m_context,
                       query,
                       QStringLiteral("Restore the bill of %1 as of %2")
                           .arg(m_item, QLocale().toString(moment, QLocale::ShortFormat)));
}

} // namespace shell
