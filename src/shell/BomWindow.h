#pragma once

#include "shell/DatabaseChoice.h"
#include "tree/TreeContext.h"
#include "tree/TreeLoader.h"

#include <QMainWindow>

#include <memory>

class QAction;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace info {
class InfoWindows;
}
namespace tree {
class BomTreeModel;
class BomTreeView;
} // namespace tree

namespace shell {

class Desktop;
class ItemList;

/// The main window "bom": owns every control, the menus and the status bar, and routes each
/// user action to its operation. The operations live with their subsystems.
class BomWindow : public QMainWindow {
    Q_OBJECT
public:
    /// `workdirFolder` holds workdir.txt (the program's folder in real use).
    BomWindow(Desktop& desktop, const QString& workdirFolder, QWidget* parent = nullptr);
    ~BomWindow() override;

    /// The window's load: shows it, lets it paint, then fills the Item Master list.
    void start();

    DatabaseChoice& databaseChoice() { return *m_choice; }
    tree::BomTreeModel& treeModel() { return *m_model; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void createControls();
    void createMenus();
    void createStatusBar();
    void route();
    void pickListLine();
    /// Empties the tree and what it showed, when the database has changed.
    void forgetLoadedTree();
    void updateStatusPanels();
    /// A place given in twips, in pixels of this window's layout.
    QRect twips(int left, int top, int width, int height) const;
    /// The client area above the status bar, before the user resizes the window.
    QSize baseClientSize() const;

    Desktop& m_desktop;
    /// How much the layout grows so that every heading fits the platform's font.
    double m_scale = 1.0;

    // Controls, by the names the users' documents give them.
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label4;
    QLabel* Label10;
    QLineEdit* Text1;
    tree::BomTreeView* TreeView1;
    tree::BomTreeModel* m_model;
    ItemList* List1;
    QGroupBox* SSPanel1;
    QLabel* Label3;
    QLabel* Label5;
    QLabel* Label6;
    QLabel* Label7;
    QLabel* Label8;
    QLabel* Label9;
    QPushButton* cmdOpenDatabase;
    QPushButton* cmdExpand;
    QPushButton* cmdCollapse;
    QPushButton* cmdExit;
    QLabel* m_statusText;
    QLabel* m_numLock;
    QLabel* m_clock;

    QAction* mnuOpen;
    QAction* mnuExpand;
    QAction* mnuCollapse;
    QAction* mnuExit;
    QAction* mnuOperation;
    QAction* mnuAbout;

    std::unique_ptr<DatabaseChoice> m_choice;
    std::unique_ptr<tree::TreeContext> m_treeContext;
    std::unique_ptr<tree::TreeLoader> m_loader;
    std::unique_ptr<info::InfoWindows> m_infoWindows;
};

} // namespace shell
