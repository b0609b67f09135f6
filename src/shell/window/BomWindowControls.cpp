// The window's controls, menus and status bar, and how they are laid out.

#include "shell/window/BomWindow.h"

#include "desktop/Desktop.h"
#include "shell/Features.h"
#include "shell/database/DatabaseChoice.h"
#include "shell/window/BomTreeView.h"
#include "shell/window/ColumnFit.h"
#include "shell/window/CommandRegistry.h"
#include "shell/window/ElidedLabel.h"
#include "shell/window/Icons.h"
#include "shell/window/ItemFindField.h"
#include "shell/window/ItemIdCompleter.h"
#include "shell/window/ItemList.h"
#include "shell/window/NumLock.h"
#include "shell/window/TreeFindBar.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"
#include "tree/bill/LoadCounts.h"

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

QLabel* heading(const char* name, const QString& text) {
    auto* label = new QLabel(text);
    label->setObjectName(QLatin1StringView(name));
    return label;
}

/// A value field: its shown text is its accessible name, its heading its description. A text
/// longer than the room is cut, whole in its tooltip: the field never widens the window nor
/// moves the list beside it.
ElidedLabel* valueField(const char* name, const QString& headingText, bool white) {
    auto* label = new ElidedLabel(Qt::ElideRight);
    label->setObjectName(QLatin1StringView(name));
    label->setAutoFillBackground(true);
    label->setBackgroundRole(QPalette::Base);
    if (white) {
        // The palette's field colours, white in a light one, so that a dark desktop's text
        // colour is never painted on a fixed white.
        label->setForegroundRole(QPalette::Text);
    } else {
        label->setBackgroundRole(QPalette::Window);
    }
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAccessibleDescription(headingText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumHeight(label->fontMetrics().height() + 6);
    return label;
}

QPushButton* button(const char* name, const QString& caption) {
    auto* b = new QPushButton(caption);
    b->setObjectName(QLatin1StringView(name));
    b->setAutoDefault(false);
    return b;
}

} // namespace

void BomWindow::createControls() {
    // Left: the item and its tree. Right: the item's description, the Item Master list and the
    // statistics, with the command buttons beside them. A splitter between the two halves.
    auto* left = new QWidget;
    auto* leftColumn = new QVBoxLayout(left);
    QLabel* itemIdHeading = heading("Label4", tr("Item ID"));
    m_itemIdEdit = new QLineEdit;
    m_itemIdEdit->setObjectName(QStringLiteral("Text1"));
    m_itemIdEdit->setAccessibleName(tr("Item ID"));
    itemIdHeading->setBuddy(m_itemIdEdit);
    // The loaded bill, and the tree that shows it.
    m_document = new tree::BomDocument([this](const QString& text) { showStatus(text); },
                                       [this] { return m_choice->databasePath(); });
    m_model = new tree::BomTreeModel(*m_document, this);
    // Gone after the model, whose views have let it go by then.
    m_document->setParent(m_model);
    m_tree = new BomTreeView;
    m_tree->setObjectName(QStringLiteral("TreeView1"));
    m_tree->setModel(m_model);
    m_tree->setAccessibleName(tr("Bill of Material"));
    leftColumn->addWidget(itemIdHeading);
    leftColumn->addWidget(m_itemIdEdit);
    leftColumn->addWidget(m_tree, 1);
    m_findBar = new TreeFindBar(*m_model, *m_tree);
    m_findBar->setWholeWait([this] { return m_document->ensureWhole(m_desktop); });
    // The load's counts once the rest of its bill is in, and after every change of its lines.
    const auto showCounts = [this] {
        if (!m_loadSummary->text().isEmpty() && !m_model->topAssembly().isEmpty())
            m_loadSummary->setText(tree::loadSummary(*m_document));
    };
    connect(m_document, &tree::BomDocument::wholeRead, this, showCounts);
    // Counted once the edit is shown, and once for a run of edits that come together (a redo
    // of many steps, another program's commits read in a row): a count walks the whole bill.
    auto* recount = new QTimer(this);
    recount->setSingleShot(true);
    recount->setInterval(0);
    connect(recount, &QTimer::timeout, this, showCounts);
    connect(m_document, &tree::BomDocument::countsChanged, recount,
            qOverload<>(&QTimer::start));
    leftColumn->addWidget(m_findBar);

    auto* right = new QWidget;
    auto* rightGrid = new QGridLayout(right);
    m_descriptionValue = valueField("Label10", tr("Item Description"), true);
    m_itemList = new ItemList;
    m_itemList->setObjectName(QStringLiteral("List1"));
    m_itemList->setAccessibleName(tr("Item Master List"));
    m_tree->setDragSource(m_itemList);
    // The Item ID completes from the items the list holds; a line chosen loads its bill.
    m_idCompleter = new ItemIdCompleter(*m_itemIdEdit, m_itemList->itemModel());
    connect(m_idCompleter, &ItemIdCompleter::chosen, this, &BomWindow::takeItemId);

    m_statisticsPanel = new QGroupBox(tr("Bill of Material Statisticts"));
    m_statisticsPanel->setObjectName(QStringLiteral("SSPanel1"));
    m_statisticsPanel->setAlignment(Qt::AlignHCenter);
    auto* panel = new QGridLayout(m_statisticsPanel);
    // Where the current node stands: "LAMP-DESK-100 › ASM-HEAD-10 › PRT-SOCKET-BODY".
    // One line, cut in the middle when it is too long: the loaded item and the current node
    // show, the whole path is in the tooltip, and the list above never moves.
    m_nodePath = new ElidedLabel(Qt::ElideMiddle);
    m_nodePath->setObjectName(QStringLiteral("NodePath"));
    // Its shown text is its accessible name, as for the value fields.
    m_nodePath->setAccessibleDescription(tr("Path of the Current Node"));
    m_nodePath->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_componentDescriptionValue = valueField("Label7", tr("BOM Component Description"), true);
    m_quantityValue = valueField("Label8", tr("Quantity Per Assembly"), false);
    m_unitValue = valueField("Label9", tr("UOM"), false);
    m_startDateValue = valueField("StartDateValue", tr("Start Date"), false);
    // Every start date has this form: room for one whole, whatever the panel's width.
    m_startDateValue->setMinimumWidth(
        m_startDateValue->fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00 00:00:00")) +
        2 * m_startDateValue->frameWidth() + m_startDateValue->fontMetrics().averageCharWidth());
    panel->addWidget(heading("Label3", tr("BOM Component Description")), 0, 0, 1, 3);
    panel->addWidget(m_componentDescriptionValue, 1, 0, 1, 3);
    panel->addWidget(heading("Label5", tr("Quantity Per Assembly")), 2, 0);
    panel->addWidget(heading("Label6", tr("UOM")), 2, 1);
    panel->addWidget(m_quantityValue, 3, 0);
    panel->addWidget(m_unitValue, 3, 1);
    panel->addWidget(heading("StartDateHeading", tr("Start Date")), 2, 2);
    panel->addWidget(m_startDateValue, 3, 2);
    panel->setColumnStretch(2, 2);
    panel->setColumnStretch(0, 2);
    panel->setColumnStretch(1, 1);
    panel->setRowStretch(4, 1);

    m_openButton = button("cmdOpenDatabase", tr("Open Database"));
    m_expandButton = button("cmdExpand", tr("Expand All"));
    m_collapseButton = button("cmdCollapse", tr("Collapse All"));
    m_exitButton = button("cmdExit", tr("E&xit"));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_openButton);
    buttons->addWidget(m_expandButton);
    buttons->addWidget(m_collapseButton);
    buttons->addSpacing(m_openButton->sizeHint().height() / 2);
    buttons->addWidget(m_exitButton);
    buttons->addStretch(1);

    rightGrid->addWidget(heading("Label1", tr("Item Description")), 0, 0);
    rightGrid->addWidget(m_descriptionValue, 1, 0);
    rightGrid->addWidget(heading("Label2", tr("Item Master List (double-click)")), 2, 0);
    auto* findItem = new ItemFindField(*m_itemList);
    findItem->installEventFilter(this);
    rightGrid->addWidget(findItem, 3, 0);
    rightGrid->addWidget(m_itemList, 4, 0);
    rightGrid->addWidget(m_nodePath, 5, 0);
    rightGrid->addWidget(m_statisticsPanel, 6, 0);
    rightGrid->addLayout(buttons, 1, 1, 6, 1);
    rightGrid->setRowStretch(4, 1);
    rightGrid->setColumnStretch(0, 1);

    m_splitter = new QSplitter(Qt::Horizontal);
    m_splitter->setObjectName(QStringLiteral("splitter"));
    m_splitter->setChildrenCollapsible(false);
    m_splitter->addWidget(left);
    m_splitter->addWidget(right);
    m_splitter->setStretchFactor(0, 1);
    m_splitter->setStretchFactor(1, 1);
    setCentralWidget(m_splitter);

    // The keyboard starts on the tree; Tab then follows the screen, left to right and top
    // to bottom.
    QWidget::setTabOrder(m_itemIdEdit, m_tree);
    QWidget::setTabOrder(m_tree, findItem);
    QWidget::setTabOrder(findItem, m_itemList);
    QWidget::setTabOrder(m_itemList, m_openButton);
    QWidget::setTabOrder(m_openButton, m_expandButton);
    QWidget::setTabOrder(m_expandButton, m_collapseButton);
    QWidget::setTabOrder(m_collapseButton, m_exitButton);
}

void BomWindow::createMenus() {
    // The window says where each group of commands stands; the features fill the groups.
    m_commands = new CommandRegistry(this);
    const auto menu = [this](const char* name, const QString& title) {
        QMenu* menu = menuBar()->addMenu(title);
        menu->setObjectName(QLatin1StringView(name));
        return menu;
    };
    using enum MenuGroup;
    m_commands->layOut(menu("mnuFile", tr("&File")),
                       {{FileOpen}, {FileImport, false}, {FileView}, {FileExport}, {FileExit}});
    m_commands->layOut(menu("mnuEdit", tr("&Edit")),
                       {{EditUndo}, {EditLines}, {EditWhereUsed}, {EditFind}, {EditBulk}});
    m_commands->layOut(menu("mnuTools", tr("&Tools")), {{ToolsCheck},
                                                        {ToolsCompare, false},
                                                        {ToolsRequirements, false},
                                                        {ToolsHistory, false},
                                                        {ToolsAsOf, false},
                                                        {ToolsDrafts},
                                                        {ToolsOptions}});
    m_commands->layOut(menu("mnuHelp", tr("&Help")), {{HelpNotes}, {HelpAbout}});
    m_findBar->addTo(*m_commands);
    registerFeatures(context());
}

void BomWindow::createStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("StatusBar1"));
    // Paths, addresses and item IDs of any length: cut to the room there is, never widening
    // the window, each whole in its tooltip.
    m_statusText = new ElidedLabel(Qt::ElideRight, bar);
    m_statusText->setObjectName(QStringLiteral("StatusPanel1"));
    m_numLock = new QLabel(bar);
    m_numLock->setObjectName(QStringLiteral("StatusPanel2"));
    m_numLock->setAlignment(Qt::AlignCenter);
    m_numLock->setMinimumWidth(m_numLock->fontMetrics().horizontalAdvance(tr("NUM")) + 12);
    m_clock = new QLabel(bar);
    m_clock->setObjectName(QStringLiteral("StatusPanel3"));
    m_clock->setAlignment(Qt::AlignCenter);
    bar->addWidget(m_statusText, 1);
    // What the last load or import brought; the first panel keeps the database path.
    m_loadSummary = new ElidedLabel(Qt::ElideRight, bar);
    m_loadSummary->setObjectName(QStringLiteral("StatusLoad"));
    bar->addWidget(m_loadSummary);
    bar->addPermanentWidget(m_numLock);
    bar->addPermanentWidget(m_clock);

    auto* tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this, &BomWindow::updateStatusPanels);
    tick->start(1000);
    updateStatusPanels();
}

void BomWindow::updateStatusPanels() {
    m_clock->setText(QLocale().toString(QTime::currentTime(), QLocale::ShortFormat));
    const auto numLock = numLockOn();
    m_numLock->setText(numLock.value_or(false) ? tr("NUM") : QString());
}

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

} // namespace shell
