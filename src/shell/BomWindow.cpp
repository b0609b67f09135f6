#include "shell/BomWindow.h"

#include "info/InfoWindows.h"
#include "shell/Desktop.h"
#include "shell/Icons.h"
#include "shell/ItemList.h"
#include "shell/NumLock.h"
#include "tree/BomTreeModel.h"
#include "tree/BomTreeView.h"
#include "tree/TreeOperations.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenuBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTime>
#include <QTimer>

namespace shell {

namespace {

/// The factor by which the layout must grow so that every heading fits its place.
double layoutScale(const QFontMetrics& metrics) {
    const std::pair<const char*, int> headings[] = {
        {"Item Master List (double-click)", 2535}, {"Quantity Per Assembly", 1695},
        {"BOM Component Description", 2655},       {"Item Description", 2055},
        {"Open Database", 1815 - 240}};
    double scale = 1.0;
    for (const auto& [text, width] : headings)
        scale = std::max(scale, (metrics.horizontalAdvance(QLatin1StringView(text)) + 4) * 15.0 /
                                    width);
    return scale;
}

template <typename Widget>
Widget* make(QWidget* parent, const char* name, const QRect& geometry) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QLatin1StringView(name));
    widget->setGeometry(geometry);
    return widget;
}

QLabel* heading(QWidget* parent, const char* name, const QString& text, const QRect& geometry) {
    auto* label = make<QLabel>(parent, name, geometry);
    label->setText(text);
    return label;
}

/// A value field: its shown text is its accessible name, its heading its description.
QLabel* valueField(QWidget* parent, const char* name, const QString& headingText,
                   const QRect& geometry, QPalette::ColorRole background) {
    auto* label = make<QLabel>(parent, name, geometry);
    label->setAutoFillBackground(true);
    label->setBackgroundRole(background);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAccessibleDescription(headingText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QPushButton* button(QWidget* parent, const char* name, const QString& caption,
                    const QRect& geometry) {
    auto* b = make<QPushButton>(parent, name, geometry);
    b->setText(caption);
    b->setAutoDefault(false);
    return b;
}

} // namespace

BomWindow::BomWindow(Desktop& desktop, const QString& workdirFolder, QWidget* parent)
    : QMainWindow(parent), m_desktop(desktop) {
    setObjectName(QStringLiteral("bom"));
    setWindowTitle(QStringLiteral("Bill of Material Structural Viewer/Editor"));
    setWindowIcon(applicationIcon());
    m_scale = layoutScale(fontMetrics());
    createControls();
    createMenus();
    createStatusBar();

    m_choice = std::make_unique<DatabaseChoice>(desktop, workdirFolder, *List1, *m_statusText);
    m_treeContext.reset(new tree::TreeContext{desktop, *m_choice, *Text1, *TreeView1, *m_model,
                                              *Label7, *Label8, *Label9, *Label10,
                                              *m_statusText, tree::DefaultNodeLimit,
                                              tree::DefaultDepthLimit});
    m_loader = std::make_unique<tree::TreeLoader>(*m_treeContext);
    m_infoWindows = std::make_unique<info::InfoWindows>();
    route();

    resize(baseClientSize().width(),
           baseClientSize().height() + menuBar()->sizeHint().height() +
               statusBar()->sizeHint().height());
    move(twips(1605, 2700, 0, 0).topLeft());
}

BomWindow::~BomWindow() = default;

QRect BomWindow::twips(int left, int top, int width, int height) const {
    // The layout is given in twips; 15 twips make a pixel at 96 dpi.
    return {int(left * m_scale / 15), int(top * m_scale / 15), int(width * m_scale / 15),
            int(height * m_scale / 15)};
}

QSize BomWindow::baseClientSize() const { return twips(0, 0, 9405, 6255).size(); }

void BomWindow::createControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setMinimumSize(baseClientSize());
    setCentralWidget(client);

    Label4 = heading(client, "Label4", QStringLiteral("Item ID"), twips(360, 120, 1935, 255));
    Text1 = make<QLineEdit>(client, "Text1", twips(360, 360, 3375, 285));
    Text1->setAccessibleName(QStringLiteral("Item ID"));
    Label4->setBuddy(Text1);

    m_model = new tree::BomTreeModel(this);
    TreeView1 = make<tree::BomTreeView>(client, "TreeView1", twips(360, 840, 3375, 5175));
    TreeView1->setModel(m_model);
    TreeView1->setAccessibleName(QStringLiteral("Bill of Material"));

    Label1 = heading(client, "Label1", QStringLiteral("Item Description"),
                     twips(3960, 120, 2055, 255));
    Label10 = valueField(client, "Label10", QStringLiteral("Item Description"),
                         twips(3960, 360, 3015, 255), QPalette::Base);
    Label10->setPalette([&] {
        QPalette p = Label10->palette();
        p.setColor(QPalette::Base, Qt::white);
        return p;
    }());
    Label2 = heading(client, "Label2", QStringLiteral("Item Master List (double-click)"),
                     twips(3960, 810, 2535, 255));
    List1 = make<ItemList>(client, "List1", twips(3960, 1080, 3015, 2595));
    List1->setAccessibleName(QStringLiteral("Item Master List"));
    TreeView1->setDragSource(List1);

    SSPanel1 = make<QGroupBox>(client, "SSPanel1", twips(3960, 3840, 3015, 2175));
    SSPanel1->setTitle(QStringLiteral("Bill of Material Statisticts"));
    SSPanel1->setAlignment(Qt::AlignHCenter);
    Label3 = heading(SSPanel1, "Label3", QStringLiteral("BOM Component Description"),
                     twips(120, 480, 2655, 255));
    Label7 = valueField(SSPanel1, "Label7", QStringLiteral("BOM Component Description"),
                        twips(120, 720, 2655, 255), QPalette::Base);
    Label7->setPalette(Label10->palette());
    Label5 = heading(SSPanel1, "Label5", QStringLiteral("Quantity Per Assembly"),
                     twips(120, 1200, 1695, 255));
    Label6 = heading(SSPanel1, "Label6", QStringLiteral("UOM"), twips(1800, 1200, 855, 255));
    Label8 = valueField(SSPanel1, "Label8", QStringLiteral("Quantity Per Assembly"),
                        twips(120, 1440, 1575, 255), QPalette::Window);
    Label9 = valueField(SSPanel1, "Label9", QStringLiteral("UOM"), twips(1800, 1440, 975, 255),
                        QPalette::Window);

    cmdOpenDatabase = button(client, "cmdOpenDatabase", QStringLiteral("Open Database"),
                             twips(7320, 360, 1815, 375));
    cmdExpand = button(client, "cmdExpand", QStringLiteral("Expand All"),
                       twips(7320, 840, 1815, 375));
    cmdCollapse = button(client, "cmdCollapse", QStringLiteral("Collapse All"),
                         twips(7320, 1320, 1815, 375));
    cmdExit = button(client, "cmdExit", QStringLiteral("E&xit"), twips(7320, 2040, 1815, 375));

    // Tab order: tree, Item ID, list, then the buttons; labels take no focus.
    QWidget::setTabOrder(TreeView1, Text1);
    QWidget::setTabOrder(Text1, List1);
    QWidget::setTabOrder(List1, cmdExpand);
    QWidget::setTabOrder(cmdExpand, cmdCollapse);
    QWidget::setTabOrder(cmdCollapse, cmdOpenDatabase);
    QWidget::setTabOrder(cmdOpenDatabase, cmdExit);
}

void BomWindow::createMenus() {
    QMenu* mnuFile = menuBar()->addMenu(QStringLiteral("&File"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuOpen = mnuFile->addAction(QStringLiteral("&Open Database"));
    mnuFile->addSeparator();
    mnuExpand = mnuFile->addAction(QStringLiteral("E&xpand All"));
    mnuCollapse = mnuFile->addAction(QStringLiteral("&Collapse All"));
    mnuFile->addSeparator();
    mnuExit = mnuFile->addAction(QStringLiteral("&Exit"));
    QMenu* mnuHelp = menuBar()->addMenu(QStringLiteral("&Help"));
    mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
    mnuOperation = mnuHelp->addAction(QStringLiteral("&Operation Notes"));
    mnuHelp->addSeparator();
    mnuAbout = mnuHelp->addAction(QStringLiteral("&About BOM Editor"));

    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuExpand->setObjectName(QStringLiteral("mnuExpand"));
    mnuCollapse->setObjectName(QStringLiteral("mnuCollapse"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    mnuOperation->setObjectName(QStringLiteral("mnuOperation"));
    mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
}

void BomWindow::createStatusBar() {
    QStatusBar* StatusBar1 = statusBar();
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    m_statusText = new QLabel(StatusBar1);
    m_statusText->setObjectName(QStringLiteral("StatusPanel1"));
    m_numLock = new QLabel(StatusBar1);
    m_numLock->setObjectName(QStringLiteral("StatusPanel2"));
    m_numLock->setAlignment(Qt::AlignCenter);
    m_numLock->setMinimumWidth(m_numLock->fontMetrics().horizontalAdvance(QStringLiteral("NUM")) + 12);
    m_clock = new QLabel(StatusBar1);
    m_clock->setObjectName(QStringLiteral("StatusPanel3"));
    m_clock->setAlignment(Qt::AlignCenter);
    StatusBar1->addWidget(m_statusText, 1);
    StatusBar1->addPermanentWidget(m_numLock);
    StatusBar1->addPermanentWidget(m_clock);

    auto* tick = new QTimer(this);
    connect(tick, &QTimer::timeout, this, &BomWindow::updateStatusPanels);
    tick->start(1000);
    updateStatusPanels();
}

void BomWindow::updateStatusPanels() {
    m_clock->setText(QLocale().toString(QTime::currentTime(), QLocale::ShortFormat));
    const auto numLock = numLockOn();
    m_numLock->setText(numLock.value_or(false) ? QStringLiteral("NUM") : QString());
}

void BomWindow::route() {
    // Each button only triggers its menu item, so both behave the same in every state.
    connect(cmdOpenDatabase, &QPushButton::clicked, mnuOpen, &QAction::trigger);
    connect(cmdExpand, &QPushButton::clicked, mnuExpand, &QAction::trigger);
    connect(cmdCollapse, &QPushButton::clicked, mnuCollapse, &QAction::trigger);
    connect(cmdExit, &QPushButton::clicked, mnuExit, &QAction::trigger);

    connect(mnuOpen, &QAction::triggered, this, [this] {
        if (m_choice->openDatabase())
            forgetLoadedTree();
    });
    connect(mnuExpand, &QAction::triggered, this, [this] { tree::expandAll(*m_treeContext); });
    connect(mnuCollapse, &QAction::triggered, this,
            [this] { tree::collapseAll(*m_treeContext); });
    connect(mnuExit, &QAction::triggered, this, &QWidget::close);
    connect(mnuOperation, &QAction::triggered, this,
            [this] { m_infoWindows->showOperationNotes(); });
    connect(mnuAbout, &QAction::triggered, this, [this] { m_infoWindows->showAbout(); });

    connect(List1, &ItemList::linePicked, this, &BomWindow::pickListLine);
    Text1->installEventFilter(this);
    // The statistics follow the current node, however it became current.
    connect(TreeView1->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& node) { tree::showStatistics(*m_treeContext, node); });
    connect(TreeView1, &tree::BomTreeView::currentNodeClicked, this,
            [this](const QModelIndex& node) { tree::showStatistics(*m_treeContext, node); });
    connect(TreeView1, &tree::BomTreeView::itemDropped, this,
            [this](const QString& id) { tree::addDroppedComponent(*m_treeContext, id); });
    connect(TreeView1, &tree::BomTreeView::deleteRequested, this,
            [this] { tree::deleteSelectedComponent(*m_treeContext); });
}

void BomWindow::start() {
    show();
    TreeView1->setFocus();
    m_desktop.processEvents();
    m_choice->FillItemList();
}

void BomWindow::forgetLoadedTree() {
    // The tree, the description and the statistics belong to the database they came from: a
    // drop on them would write lines for items that the new file may not hold.
    m_model->clear(QString());
    Label10->clear();
    Label7->clear();
    Label8->clear();
    Label9->clear();
}

void BomWindow::pickListLine() {
    Text1->setText(List1->currentText());
    Text1->setFocus();
    m_desktop.queueEnter(Text1);
}

bool BomWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Text1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            m_loader->requestLoad();
        else if (!key->text().isEmpty())
            // Every character typed shows the database path again, as after a load.
            m_statusText->setText(m_choice->databasePath());
    }
    return QMainWindow::eventFilter(watched, event);
}

void BomWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    // The tree and the list take the room a larger window gives; the rest keeps its place
    // relative to them.
    const QSize extra = centralWidget()->size() - baseClientSize();
    const int dw = std::max(0, extra.width());
    const int dh = std::max(0, extra.height());
    const QRect treeBase = twips(360, 840, 3375, 5175);
    TreeView1->setGeometry(treeBase.adjusted(0, 0, dw, dh));
    const int shift = dw;
    const auto placeRight = [shift](QWidget* w, const QRect& base, int grow = 0, int down = 0) {
        w->setGeometry(base.translated(shift, down).adjusted(0, 0, 0, grow));
    };
    placeRight(Label1, twips(3960, 120, 2055, 255));
    placeRight(Label10, twips(3960, 360, 3015, 255));
    placeRight(Label2, twips(3960, 810, 2535, 255));
    placeRight(List1, twips(3960, 1080, 3015, 2595), dh);
    placeRight(SSPanel1, twips(3960, 3840, 3015, 2175), 0, dh);
    placeRight(cmdOpenDatabase, twips(7320, 360, 1815, 375));
    placeRight(cmdExpand, twips(7320, 840, 1815, 375));
    placeRight(cmdCollapse, twips(7320, 1320, 1815, 375));
    placeRight(cmdExit, twips(7320, 2040, 1815, 375));
}

} // namespace shell
