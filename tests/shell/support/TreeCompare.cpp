#include "TreeCompare.h"

#include "WindowFixture.h"

#include "store/Store.h"
#include "tree/BomTreeModel.h"
#include "tree/StructureBuilder.h"

namespace {

/// The first difference between the model's tree under `parent` and the fresh load's nodes
/// `ids`, or an empty text.
QString difference(const tree::BomTreeModel& model, const QModelIndex& parent,
                   const std::vector<tree::Node>& fresh, const std::vector<int>& ids,
                   const QString& where) {
    if (model.rowCount(parent) != int(ids.size()))
        return QStringLiteral("%1: %2 children shown, %3 loaded")
            .arg(where)
            .arg(model.rowCount(parent))
            .arg(ids.size());
    for (int row = 0; row < int(ids.size()); ++row) {
        const QModelIndex shown = model.index(row, 0, parent);
        const tree::Node& loaded = fresh[size_t(ids[size_t(row)])];
        const QString here = where + u'/' + loaded.text;
        if (model.text(shown) != loaded.text || shown.row() != row || loaded.row != row ||
            model.parent(shown) != parent)
            return QStringLiteral("%1: shown '%2' at row %3").arg(here, model.text(shown)).arg(row);
        if (model.isCircular(shown) != loaded.circular || model.stopOf(shown) != loaded.stop)
            return QStringLiteral("%1: marks differ").arg(here);
        const std::optional<double> quantity = model.quantity(shown);
        if (quantity.has_value() != loaded.hasQuantity ||
            (loaded.hasQuantity && quantity.value_or(0) != loaded.quantity) ||
            model.unit(shown) != loaded.unit ||
            model.description(shown) != loaded.description)
            return QStringLiteral("%1: quantity, unit or description differ").arg(here);
        const QString below = difference(model, shown, fresh, loaded.children, here);
        if (!below.isEmpty())
            return below;
    }
    return {};
}

} // namespace

QString differenceFromFreshLoad(WindowFixture& f) {
    const std::unique_ptr<store::Store> db = store::openStore(f.database);
    tree::StructureBuilder builder(*db, tree::DefaultNodeLimit);
    builder.populate(-1, f.model().topAssembly());
    std::vector<int> top;
    for (size_t id = 0; id < builder.nodes().size(); ++id)
        if (builder.nodes()[id].parent < 0)
            top.push_back(int(id));
    return difference(f.model(), {}, builder.nodes(), top, f.model().topAssembly());
}

