#include "shell/window/BomWindow.h"

#include "desktop/Desktop.h"
#include "info/InfoWindows.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/CommandContext.h"
#include "shell/window/ColumnFit.h"
#include "shell/database/DatabaseChoice.h"
#include "shell/edit/BulkCommands.h"
#include "shell/export/ExportCommands.h"
#include "shell/window/ElidedLabel.h"
#include "shell/window/Icons.h"
#include "shell/window/ItemFindField.h"
#include "shell/window/ItemIdCompleter.h"
#include "shell/window/ItemListModel.h"
#include "shell/database/ImportCommands.h"
#include "shell/window/ItemList.h"
#include "shell/edit/LineCommands.h"
#include "shell/live/LiveUpdates.h"
#include "shell/window/NodeCommands.h"
#include "shell/window/NumLock.h"
#include "shell/window/ShortcutList.h"
#include "shell/check/CheckDatabaseCommands.h"
#include "shell/history/HistoryCommands.h"
#include "shell/whereused/WhereUsedCommands.h"
#include "store/StoreError.h"
#include "tree/BomDocument.h"
#include "tree/BomEditor.h"
#include "tree/BomTreeModel.h"
#include "tree/LoadCounts.h"
#include "tree/StoreWaiting.h"
#include "tree/Texts.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QStatusBar>
#include <QTime>
#include <QTimer>
#include <QVBoxLayout>

namespace shell {

namespace {

/// Undo or Redo as the Edit menu shows it: "&Undo Delete SUB-WIRE from TOP-100" (an '&' of
/// an ID is text, not the mark of a shortcut letter), disabled when there is nothing to take.
QAction* historyAction(QObject* parent, tree::EditHistory& history, const QString& verb,
                       bool forward) {
    auto* action = new QAction(verb, parent);
    const auto follow = [action, &history, verb, forward] {
        const QString step = forward ? history.redoText() : history.undoText();
        action->setText(step.isEmpty()
                            ? verb
                            : verb + u' ' + QString(step).replace(u'&', QStringLiteral("&&")));
        action->setEnabled(forward ? history.canRedo() : history.canUndo());
    };
    QObject::connect(&history, &tree::EditHistory::changed, action, follow);
    follow();
    return action;
}

} // namespace

/// The window as its commands see it (CommandContext).
class BomWindow::Context final : public CommandContext {
public:
    explicit Context(BomWindow& window) : m_window(window) {}
    desktop::Desktop& desktop() override { return m_window.m_desktop; }
    QWidget* window() override { return &m_window; }
    QString databasePath() const override { return m_window.m_choice->databasePath(); }
    tree::BomTreeModel& model() override { return *m_window.m_model; }
    tree::LineEdits& edits() override { return m_window.m_editor->edits(); }
    BomTreeView& tree() override { return *m_window.m_tree; }
    ItemList& list() override { return *m_window.m_itemList; }
    QString itemDescription() const override { return m_window.m_document->topDescription(); }
    std::optional<QString> currentItem() const override { return m_window.m_whereUsed->item(); }
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
    createControls();
    createMenus();
    createStatusBar();

    m_choice = std::make_unique<DatabaseChoice>(desktop, workdirFolder, *m_settings);
    m_editor = std::make_unique<tree::BomEditor>(desktop, *m_choice, *m_document, *m_model,
                                                 [this](const QString& text) { showStatus(text); });
    m_infoWindows = std::make_unique<info::InfoWindows>();
    route();
    restoreLayout();
}

BomWindow::~BomWindow() = default;

CommandContext& BomWindow::context() { return *m_context; }

void BomWindow::restoreLayout() {
    if (!restoreGeometry(m_settings->value(QStringLiteral("window/geometry")).toByteArray())) {
        // First start: nine tenths of the screen, so that a large screen shows more of the
        // tree, and never less than the controls need nor more than the screen.
        const QRect screen = this->screen()->availableGeometry();
        const QSize frame = frameGeometry().size() - geometry().size();
        const QSize wanted = (screen.size() * 9 / 10).expandedTo(minimumSizeHint());
        resize(wanted.boundedTo(screen.size() - frame));
        move(screen.center() - rect().center());
    }
    if (!m_splitter->restoreState(m_settings->value(QStringLiteral("window/splitter")).toByteArray()))
        // The tree, with its columns, takes the larger part.
        m_splitter->setSizes({width() * 3 / 5, width() * 2 / 5});
    // Widths kept from the last run are the user's; on a first start the columns fit what
    // each load shows.
    if (m_tree->header()->restoreState(
            m_settings->value(QStringLiteral("window/treeColumns")).toByteArray()))
        markAllUserSized(*m_tree->header());
    trackUserSizing(*m_tree->header());
    // Widths from the rows in view and a hundred more: measuring a whole opened tree would
    // cost more than opening it.
    m_tree->header()->setResizeContentsPrecision(100);
    fitTreeColumns();
    // A node opened shows deeper, longer rows. Expand All opens every node in one layout and
    // says so once per node: one fit once the opening is over, not one per node.
    auto* fitAfterOpening = new QTimer(this);
    fitAfterOpening->setSingleShot(true);
    fitAfterOpening->setInterval(0);
    connect(fitAfterOpening, &QTimer::timeout, this, [this] { fitTreeColumns(true); });
    connect(m_tree, &QTreeView::expanded, fitAfterOpening, [fitAfterOpening] {
        if (!fitAfterOpening->isActive())
            fitAfterOpening->start();
    });
    updateRecentMenu();
}

void BomWindow::fitTreeColumns(bool growOnly) {
    // Room for an item ID a few levels down, never for a whole page of description.
    fitColumns(*m_tree, *m_tree->header(), m_tree->fontMetrics().averageCharWidth() * 40,
               growOnly);
}

void BomWindow::saveLayout() {
    m_settings->setValue(QStringLiteral("window/geometry"), saveGeometry());
    m_settings->setValue(QStringLiteral("window/splitter"), m_splitter->saveState());
    m_settings->setValue(QStringLiteral("window/treeColumns"), m_tree->header()->saveState());
    m_settings->sync();
}

void BomWindow::closeEvent(QCloseEvent* event) {
    saveLayout();
    QMainWindow::closeEvent(event);
}

void BomWindow::updateRecentMenu() {
    m_recentMenu->clear();
    const QStringList recent = m_choice->recentDatabases();
    for (qsizetype i = 0; i < recent.size(); ++i) {
        const QString& path = recent[i];
        // Its number is the line's access key; an & in a path or address is text, not the
        // mark of one. The path itself travels as the action's data.
        QAction* open = m_recentMenu->addAction(
            QStringLiteral("&%1 %2").arg(i + 1).arg(QString(path).replace(u'&', QStringLiteral("&&"))));
        open->setData(path);
        connect(open, &QAction::triggered, this, [this, path] { m_choice->openDatabase(path); });
    }
    m_recentMenu->setEnabled(!recent.isEmpty());
}

void BomWindow::route() {
    // Each button only triggers its menu item, so both behave the same in every state.
    connect(m_openButton, &QPushButton::clicked, m_openAction, &QAction::trigger);
    connect(m_expandButton, &QPushButton::clicked, m_expandAction, &QAction::trigger);
    connect(m_collapseButton, &QPushButton::clicked, m_collapseAction, &QAction::trigger);
    connect(m_exitButton, &QPushButton::clicked, m_exitAction, &QAction::trigger);

    connect(m_openAction, &QAction::triggered, this, [this] { m_choice->openDatabase(); });
    connect(m_connectAction, &QAction::triggered, this, [this] { m_choice->connectToServer(); });
    // What the window shows of the database follows its one owner.
    connect(m_choice.get(), &DatabaseChoice::working, this, [this](const QString& status) {
        showStatus(status);
        m_itemList->removeAllItems();
    });
    connect(m_choice.get(), &DatabaseChoice::databaseChanged, this, &BomWindow::showDatabase);
    // The view's own walks: one layout pass however many nodes the tree holds.
    connect(m_expandAction, &QAction::triggered, this,
            [this] {
                m_editor->expandAll(
                    [this](const std::vector<QModelIndex>& nodes) { m_tree->expandNodes(nodes); });
            });
    connect(m_collapseAction, &QAction::triggered, m_tree, &QTreeView::collapseAll);
    connect(m_exitAction, &QAction::triggered, this, &QWidget::close);
    connect(m_notesAction, &QAction::triggered, this,
            [this] { m_infoWindows->showOperationNotes(); });
    connect(m_aboutAction, &QAction::triggered, this, [this] { m_infoWindows->showAbout(); });
    connect(m_shortcutsAction, &QAction::triggered, this,
            [this] { m_infoWindows->showShortcuts(keyboardShortcuts(*menuBar())); });
    // A line of the Where Used window loads its assembly as a pick in the list does.
    auto* whereUsed = new WhereUsedCommands(context());
    connect(m_whereUsedAction, &QAction::triggered, whereUsed, &WhereUsedCommands::run);
    m_whereUsed = whereUsed;
    // Replace, remove and copy many lines at once: the component as Where Used takes it.
    auto* bulk = new BulkCommands(context());
    bulk->addTo(m_editMenu);
    whereUsed->setReplace([bulk](const QString& item) { bulk->replace(item); });
    // A finding of Check Database loads its assembly the same way.
    m_check = new CheckDatabaseCommands(context());
    connect(m_checkAction, &QAction::triggered, m_check, &CheckDatabaseCommands::run);

    // Undo and Redo say what they will undo: "Undo Delete SUB-WIRE from TOP-100".
    QAction* undo = historyAction(this, m_document->history(), QStringLiteral("&Undo"), false);
    undo->setObjectName(QStringLiteral("mnuUndo"));
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = historyAction(this, m_document->history(), QStringLiteral("&Redo"), true);
    redo->setObjectName(QStringLiteral("mnuRedo"));
    redo->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    connect(undo, &QAction::triggered, this, [this] { m_editor->edits().undo(); });
    connect(redo, &QAction::triggered, this, [this] { m_editor->edits().redo(); });
    m_editMenu->insertActions(m_whereUsedAction, {undo, redo});
    m_editMenu->insertSeparator(m_whereUsedAction);
    // A quantity typed into the tree is written once the editor has closed, so that its
    // questions never run inside the view's editing.
    connect(m_model, &tree::BomTreeModel::quantityEntered, this,
            [this](const QPersistentModelIndex& node, const QString& text) {
                m_editor->edits().changeQuantity(node, text);
            },
            Qt::QueuedConnection);

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
    connect(m_tree, &BomTreeView::itemDropped, this, [this](const QString& id) {
        m_editor->edits().addComponent(m_tree->dropHighlight(), id);
        // However the drop ended, no node stays marked as its target.
        m_tree->setDropHighlight({});
    });
    // Add Component…, Copy, Paste, and Delete of one node or several.
    auto* lines = new LineCommands(context());
    lines->addTo(m_editMenu, m_whereUsedAction);
    connect(m_tree, &BomTreeView::deleteRequested, lines, &LineCommands::deleteSelected);
    connect(m_tree, &BomTreeView::escapePressed, lines, &LineCommands::forgetCut);
    connect(m_tree, &BomTreeView::nodeMoveDropped, lines, &LineCommands::moveNode);
    // The tree's context menu, with the commands above and those of its own.
    auto* nodes = new NodeCommands(context(), *m_editor);
    connect(nodes, &NodeCommands::lineHistoryRequested, m_history, &HistoryCommands::openLine);
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
    connect(m_live, &LiveUpdates::heard, whereUsed, &WhereUsedCommands::noteChanges);
    connect(m_live, &LiveUpdates::heard, bulk, &BulkCommands::noteChanges);
}

void BomWindow::start(const std::optional<QString>& location) {
    show();
    m_tree->setFocus();
    m_desktop.processEvents();
    // An empty name is no database either: the user meant one, and must not find the last
    // one open without a word.
    if (location && location->isEmpty())
        m_desktop.messageBox(
            store::StoreError(store::NoDatabaseChosen,
                              QStringLiteral("The database given is empty: name a database "
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
    updateRecentMenu();
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
    // The history and the Where Used window belong to the database left too.
    m_document->history().clear();
    m_whereUsed->closeWindow();
    m_check->closeWindow();
    m_history->closeWindow();
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
        showStatus(QStringLiteral("No item's ID is '%1', and several items' IDs hold it: choose "
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
        if (description == tree::NotInItemMaster) {
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
        if (QKeySequence(key->keyCombination()) == m_whereUsedAction->shortcut()) {
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
