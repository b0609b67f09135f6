#include "store/ItemKey.h"
#include "store/Store.h"

#include <QSet>

namespace store {

QHash<QString, ComponentLines> Store::reachableLines(const QString& item) {
    return reachableLinesOfEach({item});
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
    qint64 estimate = -1;
    while (!level.isEmpty()) {
        // A level that asks for a large part of the table reads all of it in one pass instead
        // of one index search per assembly; the lines not reachable are dropped below.
        if (level.size() >= 1000) {
            if (estimate < 0)
                estimate = lineEstimate();
            if (estimate / 16 <= level.size()) {
                QHash<QString, ComponentLines> all = allComponentLines();
                QStringList pending = level;
                while (!pending.isEmpty()) {
                    const QString key = foldKey(pending.takeLast());
                    const auto found = all.constFind(key);
                    if (found == all.cend())
                        continue;
                    lines.insert(key, *found);
                    for (const ComponentLine& line : *found)
                        if (const QString componentKey = foldKey(line.id);
                            !seen.contains(componentKey)) {
                            seen.insert(componentKey);
                            pending.append(line.id);
                        }
                }
                return lines;
            }
        }
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
