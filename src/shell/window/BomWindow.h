#pragma once

#include <QMainWindow>
#include <QString>

#include <memory>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QSplitter;

namespace desktop {
class Desktop;
}
namespace tree {
class BomDocument;
class BillReads;
class BomTreeModel;
struct ComponentFacts;
} // namespace tree

namespace shell {

class BomTreeView;
class CommandContext;
class CommandRegistry;
class DatabaseChoice;
struct DatabaseChange;
class ElidedLabel;
class ItemIdCompleter;
class ItemList;
class LiveUpdates;
class TreeFindBar;

/// The main window "bom": owns every control, the menus and the status bar, and routes each
/// user action to its operation; the operations live with their subsystems, and the window
/// draws what they return.
class BomWindow : public QMainWindow {
    Q_OBJECT
public:
    /// `workdirFolder` holds workdir.txt (the program's folder in real use). The window's
    /// size, place, splitter and column widths and the recent databases are kept in
    /// `settingsFile` (an INI file), or in the user's settings when it is empty.
    BomWindow(desktop::Desktop& desktop, const QString& workdirFolder,
              const QString& settingsFile = {}, QWidget* parent = nullptr);
    ~BomWindow() override;

    /// The window's load: shows it, lets it paint, then fills the Item Master list.
    /// `location` (a database file or a server address given on the command line) is opened
    /// and remembered instead of the database remembered from the last run; one that cannot
    /// be opened, an empty one too, is said and the database remembered opens.
    void start(const std::optional<QString>& location = std::nullopt);

    DatabaseChoice& databaseChoice() { return *m_choice; }
    tree::BomTreeModel& treeModel() { return *m_model; }

Q_SIGNALS:
    /// The statistics panel shows what was just read of a node: one read of the database.
    void statisticsShown();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    /// What the window lends its commands.
    CommandContext& context();
    void createControls();
    void createMenus();
    void createStatusBar();
    void route();
    void restoreLayout();
    void saveLayout();
    /// The tree's columns fit what the tree shows (see fitColumns).
    void fitTreeColumns(bool growOnly = false);
    void updateStatusPanels();

    void pickListLine();
    /// Loads the bill of `id` as a pick in the list does (the list, Where Used and Check
    /// Database's findings all load this way).
    void loadItem(const QString& id);
    /// Enter in the Item ID field: loads what it holds, unless it is no item's ID while
    /// several items hold it; then the status says so and the popup offers them, and Enter
    /// again loads the text as typed.
    void takeItemId();
    void requestLoad();
    void showStatistics(const QModelIndex& node);
    /// Shows where `node` stands, from the loaded item down.
    void showPath(const QModelIndex& node);
    /// Shows `facts` of `node` in the statistics panel.
    void showFacts(const QModelIndex& node, const tree::ComponentFacts& facts);
    /// The one writer of the status panel's text.
    void showStatus(const QString& text);
    /// What an opening of a database leaves to show: the tree and what it showed go when the
    /// database is another, the list and the status show the new items, and the recent
    /// databases are drawn again.
    void showDatabase(const DatabaseChange& change);
    /// Empties the tree and what it showed, when the database has changed.
    void forgetLoadedTree();
    /// Refills the list and reloads the loaded tree after an import added rows to the database.
    void showAddedRows();

    class Context;
    desktop::Desktop& m_desktop;
    std::unique_ptr<Context> m_context;
    std::unique_ptr<QSettings> m_settings;
    /// What the status panel shows, as showStatus last wrote it.
    QString m_status;

    // Controls. Their object names (Text1, TreeView1, List1, Label7 ...) and accessible names
    // are what the users' documents, screen readers and tests know them by.
    QLineEdit* m_itemIdEdit;
    ItemIdCompleter* m_idCompleter;
    /// A text the user was told is no item's ID, or an ID given by the list, Where Used or
    /// Check Database: Enter loads it as it stands.
    QString m_loadAsTyped;
    BomTreeView* m_tree;
    tree::BomDocument* m_document;
    tree::BomTreeModel* m_model;
    ElidedLabel* m_descriptionValue;
    ItemList* m_itemList;
    QGroupBox* m_statisticsPanel;
    ElidedLabel* m_componentDescriptionValue;
    ElidedLabel* m_quantityValue;
    ElidedLabel* m_unitValue;
    ElidedLabel* m_startDateValue;
    QPushButton* m_openButton;
    QPushButton* m_expandButton;
    QPushButton* m_collapseButton;
    QPushButton* m_exitButton;
    QSplitter* m_splitter;
    ElidedLabel* m_statusText;
    ElidedLabel* m_loadSummary = nullptr;
    ElidedLabel* m_nodePath = nullptr;
    QLabel* m_numLock;
    QLabel* m_clock;

    /// The menus' groups and every command the features registered in them.
    CommandRegistry* m_commands = nullptr;
    TreeFindBar* m_findBar = nullptr;
    LiveUpdates* m_live = nullptr;

    std::unique_ptr<DatabaseChoice> m_choice;
    std::unique_ptr<tree::BillReads> m_editor;
    /// Whether the tree, not the list, had the focus last of the two (the window starts on it).
    bool m_treeLast = true;
    /// Which of the tree and the list had the focus last, followed while the window lives.
    QMetaObject::Connection m_focusWatch;
    bool m_loading = false;
    bool m_loadPending = false;
};

} // namespace shell
