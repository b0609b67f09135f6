#include "store/ItemKey.h"
#include "store/Store.h"

#include <QSet>

namespace store {

QHash<QString, ComponentLines> Store::reachableLines(const QString& item) {
    return reachableLinesOfEach({item});
}

std::vector<bool> Store::haveLines(const QStringList& assemblies) {
    const std::vector<ComponentLines> bills = componentsOfEach(assemblies);
    std::vector<bool> have(bills.size());
    for (size_t i = 0; i < bills.size(); ++i)
        have[i] = !bills[i].isEmpty();
    return have;
}

QHash<QString, ComponentLines> Store::reachableLinesOfEach(const QStringList& items) {
    QHash<QString, ComponentLines> lines;
    QSet<QString> seen;
    QStringList level;
    for (const QString& item : items)
        if (const QString key = foldKey(item); !seen.contains(key)) {
            seen.insert(key);
            level.append(item);
        }
    // Level by level, one index search per assembly, also when a level is a large part of
    // the table: a search that finds nothing costs far less than a line read, so the read
    // follows the bill's lines and never the table's (a whole-table pass read 55,000 lines to
    // learn that 50,000 parts of a wide bill have none).
    while (!level.isEmpty()) {
        const std::vector<ComponentLines> read = componentsOfEach(level);
        QStringList next;
        for (qsizetype i = 0; i < level.size(); ++i) {
            const ComponentLines& components = read[size_t(i)];
            if (components.isEmpty())
                continue;
            lines.insert(foldKey(level.at(i)), components);
            for (const ComponentLine& line : components)
                if (const QString componentKey = foldKey(line.id); !seen.contains(componentKey)) {
                    seen.insert(componentKey);
                    next.append(line.id);
                }
        }
        level = std::move(next);
    }
    return lines;
}

} // namespace store
