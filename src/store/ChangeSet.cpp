#include "store/ChangeSet.h"

#include "store/ItemKey.h"

#include <QSet>

namespace store {

bool Changes::isEmpty() const { return !everything && assemblies.isEmpty() && items.isEmpty(); }

void Changes::merge(const Changes& other) {
    byProgram = isEmpty() ? other.byProgram : byProgram && other.byProgram;
    everything = everything || other.everything;
    const auto add = [](QStringList& into, const QStringList& from) {
        QSet<QString> seen;
        for (const QString& id : into)
            seen.insert(foldKey(id));
        for (const QString& id : from)
            if (!seen.contains(foldKey(id))) {
                seen.insert(foldKey(id));
                into.append(id);
            }
    };
    add(assemblies, other.assemblies);
    add(items, other.items);
}

} // namespace store
