#include "ReferenceWalks.h"

#include "store/ItemKey.h"
#include "store/sqlite/SqliteSql.h"
#include "tree/bill/BomTreeModel.h"

#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

#include <stdexcept>

namespace walks {

namespace {

/// One line as a load shows it.
struct WalkLine {
    QString id;
    QVariant quantity, unit, description;
};

/// Reads the line columns of SelectComponentLines' shape from the query's current row.
WalkLine lineOf(const QSqlQuery& q) {
    return {q.value(1).toString(), q.value(2), q.value(3), q.value(4)};
}

/// Builds nodes depth-first from a function that lists an assembly's components; the rules
/// (cycles, limit) are the editor's.
template <typename Components>
std::vector<PathNode> walk(const QString& item, int nodeLimit, Components components) {
    std::vector<PathNode> nodes;
    int topLevelCount = 0;
    QSet<QString> onPath{store::foldKey(item)};
    struct Stop {};
    std::function<void(int, const QString&)> populate = [&](int nodeindex, const QString& BomID) {
        for (const WalkLine& line : components(BomID)) {
            if (int(nodes.size()) >= nodeLimit)
                throw Stop{};
            const QString& component = line.id;
            PathNode node;
            node.text = component;
            bool number = false;
            node.quantity = line.quantity.toDouble(&number);
            node.hasQuantity = !line.quantity.isNull() && number;
            node.quantity = node.hasQuantity ? node.quantity : 0;
            node.unit = line.unit.toString();
            node.description = line.description.toString();
            node.parent = nodeindex;
            const int id = int(nodes.size());
            if (nodeindex >= 0) {
                node.row = int(nodes[size_t(nodeindex)].children.size());
                nodes[size_t(nodeindex)].children.push_back(id);
            } else {
                node.row = topLevelCount++;
            }
            const QString key = store::foldKey(component);
            node.circular = onPath.contains(key);
            nodes.push_back(std::move(node));
            if (nodes.back().circular)
                continue;
            onPath.insert(key);
            populate(id, component);
            onPath.remove(key);
        }
    };
    try {
        populate(-1, item);
    } catch (Stop) {
    }
    return nodes;
}

/// A connection of the walk's own, as a naive editor would open it.
template <typename Work>
void withConnection(const QString& path, const QString& name, Work work) {
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error("cannot open " + path.toStdString());
        work(db);
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

/// The lines of one assembly through a component query prepared for this call alone, as a
/// naive editor runs it for every node, leaves included.
std::vector<WalkLine> freshlyPreparedLines(QSqlDatabase& db, const QString& sql,
                                           const QString& assembly) {
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(sql);
    q.addBindValue(assembly);
    if (!q.exec())
        throw std::runtime_error(q.lastError().text().toStdString());
    std::vector<WalkLine> lines;
    while (q.next())
        lines.push_back(lineOf(q));
    return lines;
}

} // namespace

std::vector<PathNode> perNodeWalk(const QString& path, const QString& item, int nodeLimit) {
    std::vector<PathNode> nodes;
    withConnection(path, QStringLiteral("walk-per-node"), [&](QSqlDatabase& db) {
        nodes = walk(item, nodeLimit, [&](const QString& assembly) {
            return freshlyPreparedLines(db, QString(store::schema::SelectComponentLines), assembly);
        });
    });
    return nodes;
}

std::vector<PathNode> perNodeWalkOnServer(const QString& uri, const QString& item,
                                            int nodeLimit) {
    // The server store's component query for one assembly, IDs compared by its key rule and
    // each line's item sought in the key index, as the store's batched query does.
    static const QString components = QStringLiteral(
        "SELECT d.bomid, d.bomcomp, d.bomqtyreq, m.itemuom, m.itemdesc FROM bomdetail AS d"
        " LEFT JOIN LATERAL (SELECT itemuom, itemdesc FROM itemmaster"
        "  WHERE lower(itemid COLLATE \"C\") = lower(d.bomcomp COLLATE \"C\") LIMIT 1) AS m ON true"
        " WHERE lower(d.bomid COLLATE \"C\") = lower(?::text COLLATE \"C\")"
        " ORDER BY lower(d.bomcomp COLLATE \"C\")");
    const QString name = QStringLiteral("walk-per-node-server");
    std::vector<PathNode> nodes;
    {
        const QUrl url(uri, QUrl::StrictMode);
        const QUrlQuery query(url);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(query.hasQueryItem(QStringLiteral("host"))
                           ? query.queryItemValue(QStringLiteral("host"), QUrl::FullyDecoded)
                           : url.host());
        db.setDatabaseName(url.path().mid(1));
        db.setUserName(url.userName());
        if (!db.open())
            throw std::runtime_error("cannot connect: " + db.lastError().text().toStdString());
        nodes = walk(item, nodeLimit, [&](const QString& assembly) {
            return freshlyPreparedLines(db, components, assembly);
        });
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return nodes;
}

std::vector<PathNode> onePassBuild(const QString& path, const QString& item, int nodeLimit) {
    QHash<QString, std::vector<WalkLine>> all;
    withConnection(path, QStringLiteral("walk-one-pass"), [&](QSqlDatabase& db) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        if (!q.exec(QString(store::schema::SelectAllComponentLines)))
            throw std::runtime_error(q.lastError().text().toStdString());
        while (q.next())
            all[store::foldKey(q.value(0).toString())].push_back(lineOf(q));
    });
    return walk(item, nodeLimit,
                [&](const QString& assembly) { return all.value(store::foldKey(assembly)); });
}

std::vector<tree::IndentedLine> everyPath(const QHash<QString, store::ComponentLines>& lines,
                                          const QString& top, int depthLimit) {
    std::vector<tree::IndentedLine> rows;
    QStringList path{store::foldKey(top)};
    std::function<void(const QString&, std::optional<double>)> walk =
        [&](const QString& assembly, std::optional<double> extended) {
            for (const store::ComponentLine& stored : lines.value(store::foldKey(assembly))) {
                tree::IndentedLine row;
                row.level = int(path.size());
                row.itemId = stored.id;
                row.quantity = stored.quantity;
                row.unit = stored.unit.value_or(QString());
                row.description = stored.description.value_or(QString());
                row.parent = assembly;
                if (extended && stored.quantity)
                    row.extendedQuantity = *extended * *stored.quantity;
                const QString key = store::foldKey(stored.id);
                row.circular = path.contains(key);
                const bool below = lines.contains(key);
                if (!row.circular && below && row.level >= depthLimit)
                    row.stop = tree::Stop::DepthLimit;
                row.hasChildren = !row.circular && below && row.stop == tree::Stop::None;
                if (!stored.quantity)
                    row.problems |= tree::LineProblem::NullQuantity;
                rows.push_back(row);
                if (row.hasChildren) {
                    path.append(key);
                    walk(stored.id, row.extendedQuantity);
                    path.removeLast();
                }
            }
        };
    walk(top, 1.0);
    return rows;
}


void forEachNodeOpened(tree::BomTreeModel& model,
                       const std::function<void(const QModelIndex& node, int level)>& visit) {
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int level) {
        if (model.canFetchMore(parent))
            model.fetchMore(parent);
        for (int r = 0; r < model.rowCount(parent); ++r) {
            const QModelIndex node = model.index(r, 0, parent);
            if (node.row() != r || model.parent(node) != parent)
                QTest::qFail("inconsistent parent or row", __FILE__, __LINE__);
            visit(node, level);
            walk(node, level + 1);
        }
    };
    walk({}, 1);
}

} // namespace walks
