#pragma once

#include "support/ScriptedDesktop.h"
#include "support/TestDatabase.h"

#include "shell/window/BomWindow.h"

#include <QModelIndex>
#include <QTemporaryDir>

#include <memory>

class QLabel;
class QLineEdit;
namespace shell {
class BomTreeView;
class ItemList;
} // namespace shell
namespace tree {
class BomTreeModel;
}

/// The real main window on a temporary database, with scripted dialogs.
class WindowFixture {
public:
    /// Writes the database, remembers it in workdir.txt and starts the window.
    WindowFixture(const std::vector<ItemRow>& items, const std::vector<Line>& lines);
    /// Remembers `location` (a server's address, say) in workdir.txt and starts the window.
    explicit WindowFixture(const QString& location);
    ~WindowFixture();

    ScriptedDesktop desktop;
    QString database;
    /// The folder of workdir.txt and settings.ini.
    QString folder() const { return m_dir.path(); }

    shell::BomWindow& window() { return *m_window; }
    tree::BomTreeModel& model();
    shell::BomTreeView& tree();
    shell::ItemList& list();
    QLineEdit& Text1();
    QLabel& label(const char* name);
    QString status();

    /// Types the item into Text1 and presses Enter.
    void load(const QString& item);
    /// The node at this path of texts from the top ("B/D").
    QModelIndex node(const QString& path);
    /// The tree as "B[D] C": children in brackets, each node once.
    QString outline(const QModelIndex& parent = {});
    /// Clicks the node, making it visible first.
    void click(const QModelIndex& node);
    /// Drops the list line `item` on `target`, as the end of a drag from the list does.
    void drop(const QString& item, const QModelIndex& target);
    /// Selects the node and presses Delete with these modifiers.
    void pressDelete(const QModelIndex& node, Qt::KeyboardModifiers modifiers = Qt::NoModifier);

private:
    void start(const QString& location);

    QTemporaryDir m_dir;
    std::unique_ptr<shell::BomWindow> m_window;
};
