#include "BillListing.h"

#include "store/ItemKey.h"
#include "store/Store.h"
#include "tree/bill/BomDocument.h"
#include "tree/bill/BomTreeModel.h"

#include <QSet>

void loadListing(tree::BomTreeModel& model, const QString& top, const std::vector<ListedRow>& rows) {
    QHash<QString, store::ComponentLines> lines;
    QSet<QString> seen; // folded "assembly>component"
    QStringList path{top};
    for (const ListedRow& row : rows) {
        path.resize(row.level);
        const QString assembly = store::foldKey(path.constLast());
        const QString key = assembly + u'>' + store::foldKey(row.id);
        if (!seen.contains(key)) {
            seen.insert(key);
            store::ComponentLine line;
            line.id = row.id;
            line.quantity = row.quantity;
            line.unit = row.unit;
            line.description = row.description;
            line.inItemMaster = row.known;
            lines[assembly].append(line);
        }
        path.append(row.id);
    }
    model.document().load(top, lines);
}
