#include "tree/plan/LowLevelCodes.h"

#include "store/ItemKey.h"

#include <algorithm>

namespace tree {

LowLevelCodes lowLevelCodes(const std::vector<std::pair<QString, QString>>& lines) {
    // Items numbered once, lines turned into numbers; then Kahn's order: an item's level is
    // final once every line into it has been passed, and what is never freed is on or below a
    // cycle.
    QHash<QString, int> numberOf;
    QStringList spelling;
    std::vector<QString> keys;
    const auto number = [&](const QString& id) {
        const QString key = store::foldKey(id);
        if (const auto found = numberOf.constFind(key); found != numberOf.cend())
            return *found;
        numberOf.insert(key, int(keys.size()));
        keys.push_back(key);
        spelling.append(id);
        return int(keys.size()) - 1;
    };
    std::vector<std::pair<int, int>> numbered;
    numbered.reserve(lines.size());
    for (const auto& [assembly, component] : lines) {
        const int a = number(assembly);
        numbered.emplace_back(a, number(component));
    }
    const size_t items = keys.size();
    std::vector<int> first(items + 1, 0), users(items, 0);
    for (const auto& [a, c] : numbered) {
        ++first[size_t(a) + 1];
        ++users[size_t(c)];
    }
    for (size_t i = 0; i < items; ++i)
        first[i + 1] += first[i];
    std::vector<int> below(numbered.size());
    {
        std::vector<int> fill(first.begin(), first.end() - 1);
        for (const auto& [a, c] : numbered)
            below[size_t(fill[size_t(a)]++)] = c;
    }
    std::vector<int> level(items, 0), ready;
    for (size_t i = 0; i < items; ++i)
        if (users[i] == 0)
            ready.push_back(int(i));
    std::vector<bool> done(items, false);
    while (!ready.empty()) {
        const int item = ready.back();
        ready.pop_back();
        done[size_t(item)] = true;
        for (int at = first[size_t(item)]; at < first[size_t(item) + 1]; ++at) {
            const int component = below[size_t(at)];
            level[size_t(component)] = std::max(level[size_t(component)], level[size_t(item)] + 1);
            if (--users[size_t(component)] == 0)
                ready.push_back(component);
        }
    }
    LowLevelCodes codes;
    codes.code.reserve(qsizetype(items));
    for (size_t i = 0; i < items; ++i) {
        if (done[i])
            codes.code.insert(keys[i], level[i]);
        else
            codes.circular.append(spelling[qsizetype(i)]);
    }
    return codes;
}

} // namespace tree
