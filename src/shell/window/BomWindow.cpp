#include "shell/window/BomWindow.h"

#include "desktop/Desktop.h"
#include "shell/database/DatabaseChoice.h"
#include "shell/live/LiveUpdates.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/CommandContext.h"
#include "shell/window/CommandRegistry.h"
#include "shell/window/ElidedLabel.h"
#include "shell/window/Icons.h"
#include "shell/window/ItemFindField.h"
#include "shell/window/ItemIdCompleter.h"
#include "shell/window/ItemList.h"
#include "shell/window/ItemListModel.h"
#include "store/StoreError.h"
#include "tree/StoreWaiting.h"
#include "tree/Texts.h"
#include "tree/bill/BillReads.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/bill/LoadCounts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

namespace shell {

/// The window as its commands see it (CommandContext).
class BomWindow::Context final : public CommandContext {
public:
    explicit Context(BomWindow& window) : m_window(window) {}
    desktop::Desktop& desktop() override { return m_window.m_desktop; }
    QWidget* window() override { return &m_window; }
    QString databasePath() const override { return m_window.m_choice->databasePath(); }
    DatabaseChoice& database() override { return *m_window.m_choice; }
    CommandRegistry& commands() override { return *m_window.m_commands; }
    tree::BomTreeModel& model() override { return *m_window.m_model; }
    tree::LineEdits& edits() override { return m_window.m_editor->edits(); }
    tree::BillReads& editor() override { return *m_window.m_editor; }
    BomTreeView& tree() override { return *m_window.m_tree; }
    ItemList& list() override { return *m_window.m_itemList; }
    QString itemDescription() const override { return m_window.m_document->topDescription(); }
    std::optional<QString> currentItem() const override {
        const QModelIndex current = m_window.m_treeLast ? m_window.m_tree->currentIndex()
                                                        : m_window.m_itemList->currentIndex();
        if (!current.isValid())
            return std::nullopt;
        // Whatever column of the node is current, the item is its ID.
        return current.siblingAtColumn(0).data().toString();
    }
    void loadItem(const QString& id) override { m_window.loadItem(id); }
    QSettings& settings() override { return *m_window.m_settings; }
    void showStatus(const QString& text) override { m_window.showStatus(text); }
    QString status() const override { return m_window.m_status; }
    bool busy() const override { return m_window.m_loading || tree::storeWaiting(); }

private:
    BomWindow& m_window;
};

BomWindow::BomWindow(desktop::Desktop& desktop, const QString& workdirFolder,
                     const QString& settingsFile, QWidget* parent)
    : QMainWindow(parent), m_desktop(desktop), m_context(std::make_unique<Context>(*this)),
      m_settings(settingsFile.isEmpty()
                     ? std::make_unique<QSettings>()
                     : std::make_unique<QSettings>(settingsFile, QSettings::IniFormat)) {
    setObjectName(QStringLiteral("bom"));
    setWindowTitle(QStringLiteral("Bill of Material Structural Viewer/Editor"));
    setWindowIcon(applicationIcon());
    m_choice = std::make_unique<DatabaseChoice>(desktop, workdirFolder, *m_settings);
    createControls();
    m_editor = std::make_unique<tree::BillReads>(desktop, *m_choice, *m_document, *m_model,
                                                 [this](const QString& text) { showStatus(text); });
    createStatusBar();
    // The features' commands take the menus the window lays out, with what it lends them.
    createMenus();
    route();
    restoreLayout();
}

BomWindow::~BomWindow() {
    // The window's widgets give up the focus as they go, after this part of the window is gone.
    disconnect(m_focusWatch);
}

CommandContext& BomWindow::context() { return *m_context; }

void BomWindow::route() {
    // Each button only triggers its menu item, so both behave the same in every state.
    const auto triggers = [this](QPushButton* button, QStringView command) {
        if (QAction* action = m_commands->action(command))
            connect(button, &QPushButton::clicked, action, &QAction::trigger);
    };
    triggers(m_openButton, u"mnuOpen");
    triggers(m_expandButton, u"mnuExpand");
    triggers(m_collapseButton, u"mnuCollapse");
    triggers(m_exitButton, u"mnuExit");

    // What the window shows of the database follows its one owner.
    connect(m_choice.get(), &DatabaseChoice::working, this, [this](const QString& status) {
        showStatus(status);
        m_itemList->removeAllItems();
    });
    connect(m_choice.get(), &DatabaseChoice::databaseChanged, this, &BomWindow::showDatabase);
    connect(m_commands, &CommandRegistry::importSummary, m_loadSummary, &ElidedLabel::setText);
    // A menu takes the focus while it is open, so the current item follows the control that
    // had it last of the tree and the list, not the one that has it now.
    m_focusWatch =
        connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (now == m_tree)
                m_treeLast = true;
            else if (now == m_itemList)
                m_treeLast = false;
        });

    connect(m_itemList, &ItemList::linePicked, this, &BomWindow::pickListLine);
    m_itemIdEdit->installEventFilter(this);
    // The statistics follow the current node, however it became current.
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &BomWindow::showStatistics);
    connect(m_tree, &BomTreeView::currentNodeClicked, this, &BomWindow::showStatistics);
    // A quantity changed, undone or redone changes what the statistics show of the current
    // node's line: one read per line changed, however many copies of it the tree shows.
    connect(m_model, &tree::BomTreeModel::lineQuantityChanged, this,
            [this] { showStatistics(m_tree->currentIndex()); });
    // Where the current node stands, however it became current (a click, the keys, a find).
    connect(m_tree->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &BomWindow::showPath);

    // What other editors and programs commit shows without a reload.
    m_live = new LiveUpdates(context());
    connect(m_live, &LiveUpdates::descriptionRead, m_descriptionValue, &ElidedLabel::setText);
    connect(m_live, &LiveUpdates::treeChanged, this, [this] {
        showFacts(m_tree->currentIndex(), m_editor->shownFacts(m_tree->currentIndex()));
    });
    // The first of the permanent panels (after the status text and what the load brought),
    // before NUM and the clock.
    statusBar()->insertPermanentWidget(2, m_live->editorsPanel());
    connect(m_live, &LiveUpdates::heard, m_commands, &CommandRegistry::changesHeard);
}

void BomWindow::start(const std::optional<QString>& location) {
    show();
    m_tree->setFocus();
    m_desktop.processEvents();
    // An empty name is no database either: the user meant one, and must not find the last
    // one open without a word.
    if (location && location->isEmpty())
        m_desktop.messageBox(store::StoreError(store::NoDatabaseChosen,
                                               tr("The database given is empty: name a database "
                                                  "file or a server address."))
                                 .message(),
                             desktop::OkOnly);
    m_choice->FillItemList(location.value_or(QString()));
}

void BomWindow::showStatus(const QString& text) {
    m_status = text;
    m_statusText->setText(text);
}

void BomWindow::showDatabase(const DatabaseChange& change) {
    if (change.items) {
        m_itemList->appendItems(*change.items);
        showStatus(m_choice->databasePath());
        m_live->watch(m_choice->databasePath());
    }
    if (change.another)
        forgetLoadedTree();
}

void BomWindow::forgetLoadedTree() {
    // The tree, the description and the statistics belong to the database they came from: a
    // drop on them would write lines for items that the new file may not hold.
    m_document->clear(QString());
    m_document->setTopDescription({});
    m_descriptionValue->clear();
    // So do the ID that loaded it and the filter over the old list: an Enter in the ID field
    // would load that ID from the new database, and the filter would hide its items.
    m_itemIdEdit->clear();
    m_loadSummary->clear();
    m_nodePath->clear();
    if (auto* findItem = findChild<ItemFindField*>(QStringLiteral("FindItem")))
        findItem->clear();
    // So does the edit history; the commands close their windows that show the database left.
    m_document->history().clear();
    Q_EMIT m_commands->databaseLeft();
    showStatistics({});
}

void BomWindow::showAddedRows() {
    // The loaded bill shows the rows already (LineEdits::showWrittenRows), its open nodes open.
    m_choice->refillList();
}

void BomWindow::showStatistics(const QModelIndex& node) {
    // A change by another editor moving the current node: read once it all shows.
    if (m_live && m_live->applying())
        return;
    if (const auto facts = m_editor->statistics(node))
        showFacts(node, *facts);
}

void BomWindow::showPath(const QModelIndex& node) {
    if (m_model->topAssembly().isEmpty() && !node.isValid()) {
        m_nodePath->clear();
        return;
    }
    m_nodePath->setText(m_model->pathTo(node.siblingAtColumn(tree::ItemIdColumn))
                            .join(QStringLiteral(" \u203A ")));
}

void BomWindow::showFacts(const QModelIndex& node, const tree::ComponentFacts& facts) {
    m_quantityValue->setText(facts.quantity);
    m_unitValue->setText(facts.unit);
    m_startDateValue->setText(facts.startDate);
    m_componentDescriptionValue->setText(facts.description);
    if (node.isValid())
        Q_EMIT statisticsShown();
}

void BomWindow::pickListLine() {
    m_itemIdEdit->setFocus();
    loadItem(m_itemList->currentText());
}

void BomWindow::loadItem(const QString& id) {
    // As the user would: the ID in the Item ID field, then Enter, which the field's own
    // handler turns into the load once the event that asked has ended.
    m_itemIdEdit->setText(id);
    m_loadAsTyped = id;
    m_desktop.queueEnter(m_itemIdEdit);
}

void BomWindow::takeItemId() {
    const QString typed = m_itemIdEdit->text();
    const ItemListModel& items = m_itemList->itemModel();
    // An ID the Item Master lacks loads as typed (the bill of a line whose item went), but
    // not when it is part of several items' IDs: that is an ID half typed, and any one of
    // them would be a guess.
    if (typed != m_loadAsTyped && items.itemWithKey(typed) < 0 &&
        completionOrder(items, typed, 2).size() > 1) {
        m_loadAsTyped = typed;
        showStatus(tr("No item's ID is '%1', and several items' IDs hold it: choose "
                      "one in the list under Item ID (Down, then Enter), or press "
                      "Enter again to load '%1' as typed.")
                       .arg(typed));
        m_idCompleter->showLines();
        return;
    }
    m_loadAsTyped.clear();
    requestLoad();
}

void BomWindow::requestLoad() {
    if (m_loading) {
        // Asked for during the running load's event pump: runs as soon as that one ends.
        m_loadPending = true;
        return;
    }
    m_loading = true;
    do {
        m_loadPending = false;
        m_quantityValue->clear();
        m_unitValue->clear();
        m_startDateValue->clear();
        m_componentDescriptionValue->clear();
        // The description belongs to the item loaded: a failed or row-less load shows none
        // rather than the previous item's.
        m_descriptionValue->clear();
        const QString typed = m_itemIdEdit->text();
        const QString description = m_editor->load(typed);
        m_descriptionValue->setText(description);
        // An ID the Item Master lacks still loads; the status offers the IDs nearest to it.
        if (description == tree::notInItemMaster()) {
            const ItemListModel& items = m_itemList->itemModel();
            const QString offer = didYouMean(items, nearestItems(items, typed));
            if (!offer.isEmpty())
                showStatus(m_status + QStringLiteral(". ") + offer);
        }
        // What was loaded, counted over the structure: the rows are those Expand All opens.
        // A failed load (no description, not even "not in the Item Master") says nothing.
        m_loadSummary->setText(description.isEmpty() ? QString() : tree::loadSummary(*m_document));
        showPath(m_tree->currentIndex());
        fitTreeColumns();
    } while (m_loadPending);
    m_loading = false;
}

bool BomWindow::eventFilter(QObject* watched, QEvent* event) {
    // A text field would take Ctrl+U for its own "delete to the start of the line" and erase
    // what was typed: in the window's fields it means Where Used, as everywhere else.
    if (event->type() == QEvent::ShortcutOverride && qobject_cast<QLineEdit*>(watched)) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QAction* whereUsed = m_commands->action(u"mnuWhereUsed");
        if (whereUsed && QKeySequence(key->keyCombination()) == whereUsed->shortcut()) {
            event->ignore();
            return true;
        }
    }
    if (watched == m_itemIdEdit && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            takeItemId();
        } else if (key->key() == Qt::Key_Down && key->modifiers() == Qt::NoModifier &&
                   m_model->rowCount() > 0) {
            // From the ID typed to its bill, as in a spreadsheet from a heading to its rows.
            m_tree->setFocus(Qt::TabFocusReason);
            m_tree->setCurrentIndex(m_model->index(0, tree::ItemIdColumn));
            return true;
        } else if (!key->text().isEmpty()) {
            // Every character typed shows the database path again, as after a load.
            showStatus(m_choice->databasePath());
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace shell
