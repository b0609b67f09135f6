// Show This Bill As Of…: the loaded bill at an earlier moment, in a window of its own that
// cannot change anything. The tree is the window's kind of tree over a document of its own, so
// that it shows a structure of millions of paths as the window does: nodes made as they open.

#include "shell/history/AsOfView.h"

#include "desktop/Desktop.h"
#include "shell/history/RestoreDialog.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/bill/Structure.h"
#include "tree/edits/Quantity.h"
#include "tree/history/HistoryTexts.h"

#include <QLineEdit>
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
    : QDialog(parent), m_moment(new QLineEdit(this)), m_heading(new QLabel(this)),
      m_tree(new QTreeView(this)), m_document(new tree::BomDocument({}, {}, this)),
      m_model(new tree::BomTreeModel(*m_document, this)) {
    setObjectName(QStringLiteral("frmAsOf"));
    setWindowTitle(tr("Bill As Of"));
    auto* label = new QLabel(tr("&As of:"), this);
    label->setBuddy(m_moment);
    m_moment->setObjectName(QStringLiteral("dtAsOf"));
    m_moment->setAccessibleName(tr("As of"));
    m_moment->setToolTip(
        tr("A date and time such as 2026-12-10 08:00, or as %1 (a date alone: the "
           "start of that day; a time alone: today). A moment typed to the second "
           "means its whole second.")
            .arg(QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat)));
    m_moment->setPlaceholderText(QStringLiteral("2026-12-10 08:00"));
    // Now, to the second: no milliseconds the field does not show.
    const QDateTime now = QDateTime::currentDateTime();
    m_moment->setText(tree::momentText(now.addMSecs(999 - now.time().msec())));
    connect(m_moment, &QLineEdit::textEdited, this, [this] { setShown(false); });
    auto* show = new QPushButton(tr("&Show"), this);
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
    m_tree->setAccessibleName(tr("Bill as of the moment chosen, read-only"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_restore = buttons->addButton(tr("&Restore This Bill…"), QDialogButtonBox::ActionRole);
    m_restore->setObjectName(QStringLiteral("cmdRestoreBill"));
    m_restore->setAutoDefault(false);
    m_restore->setEnabled(false);
    m_restore->setToolTip(tr("Puts back the bill shown; after the moment is "
                             "changed, press Show first"));
    connect(m_restore, &QPushButton::clicked, this, &AsOfDialog::restoreRequested);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_heading);
    layout->addWidget(m_tree, 1);
    layout->addWidget(buttons);
    resize(720, 520);
}

AsOfDialog::~AsOfDialog() = default;

std::optional<QDateTime> AsOfDialog::moment() const {
    if (m_exact && m_moment->text() == m_exactText)
        return m_exact->toUTC();
    const std::optional<QDateTime> typed =
        tree::asOfMoment(m_moment->text(), QLocale(), QDate::currentDate());
    if (!typed)
        return std::nullopt;
    return typed->toUTC();
}

QString AsOfDialog::momentTyped() const {
    return m_moment->text();
}

void AsOfDialog::setMoment(const QDateTime& moment) {
    m_exact = moment;
    m_exactText = tree::momentText(moment);
    // A moment typed back as shown is read as exactly that moment again.
    m_moment->setText(m_exactText);
    setShown(false);
}

void AsOfDialog::setShown(bool shown) {
    if (m_restore)
        m_restore->setEnabled(shown);
}

void AsOfDialog::setHeading(const QString& heading) {
    m_heading->setText(heading);
    for (int column = 0; column < m_model->columnCount(); ++column)
        m_tree->resizeColumnToContents(column);
}

AsOfCommands::AsOfCommands(CommandContext& context)
    : QObject(nullptr), m_context(context) {}

void AsOfCommands::addTo(CommandRegistry& commands) {
    QAction* action = commands.add(MenuGroup::ToolsAsOf, "mnuAsOf", tr("Show This Bill &As Of…"));
    connect(action, &QAction::triggered, this, &AsOfCommands::open);
    connect(&commands, &CommandRegistry::billBeforeRequested, this, &AsOfCommands::openBefore);
    // The bill shown is the database's left: its Restore would put the new one's lines back.
    connect(&commands, &CommandRegistry::databaseLeft, this, [this] {
        if (m_dialog)
            m_dialog->close();
    });
    setParent(commands.menu(MenuGroup::ToolsAsOf));
}

void registerAsOfCommands(CommandContext& context) {
    (new AsOfCommands(context))->addTo(context.commands());
}

void AsOfCommands::open() {
    openFor(m_context.model().document().topAssembly());
}

void AsOfCommands::openBefore(const QString& item, const QDateTime& moment) {
    if (!openFor(item))
        return;
    // Every change up to the one chosen, not that one.
    m_dialog->setMoment(moment.addMSecs(-1));
    showAsOf();
}

bool AsOfCommands::openFor(const QString& item) {
    if (item.isEmpty()) {
        m_context.desktop().messageBox(
            store::StoreError(store::ExportNoBill,
                              tr("Load a bill first: its earlier states are shown "
                                 "from the history."))
                .message(),
            desktop::OkOnly);
        return false;
    }
    if (!m_dialog) {
        m_dialog = new AsOfDialog(m_context.window());
        m_dialog->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_dialog, &AsOfDialog::showRequested, this, &AsOfCommands::showAsOf);
        connect(m_dialog, &AsOfDialog::restoreRequested, this, &AsOfCommands::restoreBill);
    }
    if (item != m_item || !m_shown) {
        // Another bill: nothing of it is shown yet.
        m_shown.reset();
        m_dialog->setShown(false);
        m_dialog->setHeading(tr("Type a moment, such as 2026-12-10 08:00, and press "
                                "Show."));
    }
    m_item = item;
    m_dialog->setWindowTitle(tr("Bill of %1 As Of").arg(item));
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
    return true;
}

void AsOfCommands::showAsOf() {
    if (!m_dialog || tree::storeWaiting())
        return;
    desktop::Desktop& desktop = m_context.desktop();
    const std::optional<QDateTime> moment = m_dialog->moment();
    if (!moment) {
        desktop.messageBox(
            store::StoreError(
                store::HistoryMomentUnreadable,
                tr("'%1' is no moment: type a date and time such as "
                   "2026-12-10 08:00, or as %2.")
                    .arg(m_dialog->momentTyped(),
                         QLocale().toString(QDateTime::currentDateTime(), QLocale::ShortFormat)))
                .message(),
            desktop::OkOnly | desktop::IconStop);
        return;
    }
    try {
        const desktop::BusyPointer busy(desktop);
        const tree::BillThen then =
            tree::readBillThen(desktop, m_context.databasePath(), m_item, *moment, m_opener);
        if (!m_dialog)
            return;
        m_dialog->document().load(m_item, then.bill.lines);
        m_assembliesThen = then.bill.lines.keys();
        qsizetype lines = 0;
        for (const auto& bill : then.bill.lines)
            lines += bill.size();
        QString note;
        if (then.fromStart) {
            note = tree::historyStartNote(then.moment);
            m_dialog->setMoment(then.moment);
        }
        m_shown = then.moment;
        m_dialog->setShown(true);
        m_dialog->setHeading(
            tr("%1 as it stood at %2%3: %Ln line(s), read-only.", nullptr, int(lines))
                .arg(m_item, tree::momentText(then.moment), note));
    } catch (const store::StoreError& error) {
        if (error.number() != store::OperationCancelled)
            desktop.messageBox(error.message(), desktop::OkOnly | desktop::IconStop);
    }
}

void AsOfCommands::restoreBill() {
    // The bill shown is what is put back: a moment typed since is not, until it is shown.
    if (!m_dialog || !m_shown || tree::storeWaiting())
        return;
    const QDateTime moment = *m_shown;
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
    // The moment shown holds every change up to its own millisecond.
    query.since = moment.addMSecs(1);
    restoreFromHistory(m_context, query,
                       QStringLiteral("Restore the bill of %1 as of %2")
                           .arg(m_item, tree::momentText(moment)),
                       m_opener);
}

} // namespace shell
