#include "WindowFixture.h"

#include "support/BillEditor.h"

#include "shell/window/BomTreeView.h"
#include "shell/window/ItemList.h"
#include "tree/bill/BomTreeModel.h"

#include <QApplication>
#include <QFile>
#include <QMimeData>
#include <QLabel>
#include <QLineEdit>
#include <QTest>

WindowFixture::WindowFixture(const std::vector<ItemRow>& items, const std::vector<Line>& lines) {
    database = m_dir.filePath(QStringLiteral("bom.mdb"));
    writeDatabase(database, items, lines);
    start(database);
}

WindowFixture::WindowFixture(const QString& location) {
    database = location;
    start(location);
}

void WindowFixture::start(const QString& location) {
    QFile workdir(m_dir.filePath(QStringLiteral("workdir.txt")));
    if (workdir.open(QIODevice::WriteOnly))
        workdir.write(location.toUtf8() + "\r\n");
    workdir.close();
    m_window = std::make_unique<shell::BomWindow>(desktop, m_dir.path(),
                                                  m_dir.filePath(QStringLiteral("settings.ini")));
    m_window->start();
}

WindowFixture::~WindowFixture() = default;

tree::BomTreeModel& WindowFixture::model() { return m_window->treeModel(); }

shell::BomTreeView& WindowFixture::tree() {
    return *m_window->findChild<shell::BomTreeView*>(QStringLiteral("TreeView1"));
}

shell::ItemList& WindowFixture::list() {
    return *m_window->findChild<shell::ItemList*>(QStringLiteral("List1"));
}

QLineEdit& WindowFixture::Text1() {
    return *m_window->findChild<QLineEdit*>(QStringLiteral("Text1"));
}

QLabel& WindowFixture::label(const char* name) {
    return *m_window->findChild<QLabel*>(QLatin1StringView(name));
}

QString WindowFixture::status() { return label("StatusPanel1").text(); }

void WindowFixture::load(const QString& item) {
    Text1().setText(item);
    QTest::keyClick(&Text1(), Qt::Key_Return);
}

QModelIndex WindowFixture::node(const QString& path) { return nodeAt(model(), path); }

QString WindowFixture::outline(const QModelIndex& parent) { return outlineOf(model(), parent); }

void WindowFixture::click(const QModelIndex& node) {
    for (QModelIndex up = node.parent(); up.isValid(); up = up.parent())
        tree().expand(up);
    tree().scrollTo(node);
    QTest::mouseClick(tree().viewport(), Qt::LeftButton, {}, tree().visualRect(node).center());
}

void WindowFixture::drop(const QString& item, const QModelIndex& target) {
    const int row = int(list().items().indexOf(item));
    list().setCurrentIndex(list().model()->index(row, 0));
    tree().setDropHighlight(target);
    // The very data the list's drag carries, taken as the tree takes a drop.
    const std::unique_ptr<QMimeData> data(list().dragData());
    if (tree().takeDrop(data.get()))
        QCoreApplication::processEvents(); // the drop's questions come once the drag is over
}

void WindowFixture::pressDelete(const QModelIndex& node, Qt::KeyboardModifiers modifiers) {
    // A key goes to the active window, as a person's does: with two windows open, the other
    // one's tree would take Delete as its own shortcut.
    QApplication::setActiveWindow(m_window.get());
    tree().setFocus();
    tree().setCurrentIndex(node);
    QTest::keyClick(&tree(), Qt::Key_Delete, modifiers);
}
