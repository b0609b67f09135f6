#include "BillEditor.h"

#include "store/Store.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/LoadCounts.h"

#include <QTest>

#include <memory>

QModelIndex nodeAt(tree::BomTreeModel& model, const QString& path) {
    QModelIndex at;
    for (const QString& part : path.split(u'/')) {
        if (model.canFetchMore(at))
            model.fetchMore(at);
        QModelIndex next;
        for (int row = 0; row < model.rowCount(at) && !next.isValid(); ++row)
            if (model.text(model.index(row, 0, at)) == part)
                next = model.index(row, 0, at);
        if (!next.isValid())
            return {};
        at = next;
    }
    return at;
}

QString outlineOf(tree::BomTreeModel& model, const QModelIndex& parent) {
    QStringList parts;
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex child = model.index(row, 0, parent);
        if (model.canFetchMore(child))
            model.fetchMore(child);
        QString part = model.text(child);
        if (model.isCircular(child))
            part += u'*';
        if (model.rowCount(child) > 0)
            part += u'[' + outlineOf(model, child) + u']';
        parts.append(part);
    }
    return parts.join(u' ');
}

namespace {

/// The first difference between the tree under `parent` and a fresh load's under
/// `freshParent`, or an empty text. A node the tree has opened is opened in the fresh load
/// too; one it has left closed is compared as a node, without its children.
QString difference(const tree::BomTreeModel& model, const QModelIndex& parent,
                   tree::BomTreeModel& fresh, const QModelIndex& freshParent,
                   const QString& where) {
    if (fresh.canFetchMore(freshParent))
        fresh.fetchMore(freshParent);
    if (model.rowCount(parent) != fresh.rowCount(freshParent))
        return QStringLiteral("%1: %2 children shown, %3 loaded")
            .arg(where)
            .arg(model.rowCount(parent))
            .arg(fresh.rowCount(freshParent));
    for (int row = 0; row < model.rowCount(parent); ++row) {
        const QModelIndex shown = model.index(row, 0, parent);
        const QModelIndex loaded = fresh.index(row, 0, freshParent);
        const QString here = where + u'/' + fresh.text(loaded);
        if (model.text(shown) != fresh.text(loaded) || shown.row() != row ||
            model.parent(shown) != parent)
            return QStringLiteral("%1: shown '%2' at row %3").arg(here, model.text(shown)).arg(row);
        // Expand All's mark of a node it left closed is the window's own.
        const auto depthMark = [](const tree::BomTreeModel& m, const QModelIndex& i) {
            return m.stopOf(i) == tree::Stop::DepthLimit;
        };
        if (model.isCircular(shown) != fresh.isCircular(loaded) ||
            depthMark(model, shown) != depthMark(fresh, loaded) ||
            model.hasChildren(shown) != fresh.hasChildren(loaded))
            return QStringLiteral("%1: marks differ").arg(here);
        if (model.quantity(shown) != fresh.quantity(loaded) ||
            model.extendedQuantity(shown) != fresh.extendedQuantity(loaded) ||
            model.unit(shown) != fresh.unit(loaded) ||
            model.description(shown) != fresh.description(loaded) ||
            model.problemsOf(shown) != fresh.problemsOf(loaded))
            return QStringLiteral("%1: quantity, unit, description or problems differ").arg(here);
        if (model.canFetchMore(shown))
            continue; // left closed
        const QString below = difference(model, shown, fresh, loaded, here);
        if (!below.isEmpty())
            return below;
    }
    return {};
}

} // namespace

QString differenceFromFreshLoad(tree::BomTreeModel& model, const QString& database) {
    // The rows are counted over the whole bill: the rest of a load is let in first.
    if (!QTest::qWaitFor([&] { return model.document().isWhole(); }, 60'000))
        return QStringLiteral("the rest of the bill was never read");
    const std::unique_ptr<store::Store> db = store::openStore(database);
    tree::BomDocument freshBill;
    tree::BomTreeModel fresh{freshBill};
    freshBill.load(model.topAssembly(), db->reachableLines(model.topAssembly()));
    if (model.structureRows() != fresh.structureRows())
        return QStringLiteral("%1 rows counted, %2 in a fresh load")
            .arg(model.structureRows())
            .arg(fresh.structureRows());
    return difference(model, {}, fresh, {}, model.topAssembly());
}

BillEditor::BillEditor(const QString& location) {
    session.path = location;
    const auto showCounts = [this] { counts = tree::loadSummary(document); };
    QObject::connect(&document, &tree::BomDocument::loaded, showCounts);
    QObject::connect(&document, &tree::BomDocument::wholeRead, showCounts);
    QObject::connect(&document, &tree::BomDocument::countsChanged, showCounts);
}

QString BillEditor::difference() {
    if (QString found = differenceFromFreshLoad(model, session.path); !found.isEmpty())
        return found;
    const std::unique_ptr<store::Store> db = store::openStore(session.path);
    tree::BomDocument fresh;
    fresh.load(model.topAssembly(), db->reachableLines(model.topAssembly()));
    if (const QString expected = tree::loadSummary(fresh); counts != expected)
        return QStringLiteral("the counts say \"%1\", a fresh load \"%2\"").arg(counts, expected);
    return {};
}

QString BillEditor::loadWhole(const QString& item) {
    const QString description = editor.load(item);
    if (!QTest::qWaitFor([this] { return document.isWhole(); }, 60'000))
        qFatal("the rest of the bill of %s was never read", qPrintable(item));
    return description;
}
