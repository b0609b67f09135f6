#pragma once

#include "tree/reports/TreeFind.h"

#include <QWidget>

#include <functional>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QTreeView;

namespace tree {
class BomTreeModel;
}

namespace shell {

class CommandRegistry;

/// Edit ▸ "Find in Tree…" (Ctrl+F): a bar under the tree whose field finds the nodes that hold
/// its text in their ID or description (the Item Master list's matching). Each keystroke goes
/// to the first hit from the current node on, opening the paths to it; Enter or F3 goes to the
/// next, Shift+Enter or Shift+F3 to the previous, round at the ends; the bar says which hit of
/// how many is current. Esc closes it and gives the keyboard back to the tree.
class TreeFindBar : public QWidget {
    Q_OBJECT
public:
    TreeFindBar(tree::BomTreeModel& model, QTreeView& view, QWidget* parent = nullptr);

    /// Registers Find in Tree…, Find Next and Find Previous in the Edit menu's find group.
    void addTo(CommandRegistry& commands);
    /// Shows the bar with its text selected, the keyboard in its field.
    void open();
    /// Goes to the next hit (or the previous), as F3 (or Shift+F3) does.
    void step(bool forward);
    /// What the bar says about the hits.
    QString countText() const;
    /// How a find waits for the whole bill while its lower levels are still being read; false
    /// when it is not there (the find does nothing then).
    void setWholeWait(std::function<bool()> wait) { m_wholeWait = std::move(wait); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void textTyped(const QString& text);
    void close();
    /// Makes `node` current (the window then shows its path), every node above it expanded,
    /// and the view scrolled to have it in the middle.
    void showNode(const QModelIndex& node);
    void updateCount();
    void scheduleCount();

    tree::BomTreeModel& m_model;
    QTreeView& m_view;
    tree::TreeFind m_find;
    std::function<bool()> m_wholeWait;
    QLineEdit* m_field;
    QLabel* m_count;
    QAction* m_openAction = nullptr;
    QAction* m_nextAction = nullptr;
    QAction* m_previousAction = nullptr;
    bool m_countPending = false;
};

} // namespace shell
