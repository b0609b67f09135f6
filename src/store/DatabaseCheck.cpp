// The database check: one pass over ItemMaster and BomDetail as both stores read them, the
// line findings made on the way, then the cycles found in memory.

#include "store/DatabaseCheck.h"

#include "store/ItemKey.h"
#include "store/Store.h"

#include <QCoreApplication>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <string>

namespace store {

namespace {

/// Rows or items between two progress reports.
constexpr qint64 Step = 4096;

QString number(double value) {
    return QString::number(value, 'g', QLocale::FloatingPointShortest);
}

/// Words in English for the file of findings, which other programs read, or `shown` translated.
QString say(const char* text, bool shown) {
    return shown ? QCoreApplication::translate("store", text) : QString::fromUtf8(text);
}

} // namespace

QString kindName(CheckFinding::Kind kind, bool shown) {
    static const char* const names[] = {
        QT_TRANSLATE_NOOP("store", "Circular structure"),
        QT_TRANSLATE_NOOP("store", "Assembly not in Item Master"),
        QT_TRANSLATE_NOOP("store", "Component not in Item Master"),
        QT_TRANSLATE_NOOP("store", "Assembly ID differs from Item Master"),
        QT_TRANSLATE_NOOP("store", "Component ID differs from Item Master"),
        QT_TRANSLATE_NOOP("store", "No quantity"),
        QT_TRANSLATE_NOOP("store", "Zero quantity"),
        QT_TRANSLATE_NOOP("store", "Negative quantity"),
        QT_TRANSLATE_NOOP("store", "Quantity not a number"),
        QT_TRANSLATE_NOOP("store", "Line ID not valid UTF-8"),
        QT_TRANSLATE_NOOP("store", "Item Master ID not valid UTF-8"),
        QT_TRANSLATE_NOOP("store", "Fraction of a whole-number unit")};
    static_assert(std::size(names) == CheckFinding::FractionalQuantity + 1); // Kind's order
    return say(names[kind], shown);
}

/// A finding as a few numbers: the kind, the spellings of the line's two IDs (or of the item,
/// or of a cycle's first two items) and, where the words need it, an index into a side table.
struct Entry {
    int assembly;
    int component; ///< -1 for none
    int extra;     ///< a value, a text, a spelling or a cycle, after the kind; -1 for none
    quint8 kind;
};

struct CycleFound {
    std::vector<int> path; ///< spellings, from the first item back to it
    qsizetype size;        ///< items in the strongly connected group
};

struct CheckReport::Data {
    /// Every distinct ID as stored (each spelling once), readable.
    std::vector<QString> spellings;
    /// Each spelling's place in key order, made when the findings are ordered.
    std::vector<int> rank;
    std::vector<Entry> entries;
    std::vector<double> values;
    std::vector<QString> texts;
    /// A fraction's quantity and its whole-number unit.
    std::vector<std::pair<double, QString>> fractions;
    std::vector<CycleFound> cycles;

    void makeRanks() {
        if (rank.size() == spellings.size())
            return;
        // Sorted as UTF-8 bytes, the order of SQLite's own comparison; short IDs stay inside
        // their std::string, so the sort seldom leaves the array.
        std::vector<std::pair<std::string, int>> keyed(spellings.size());
        for (size_t i = 0; i < spellings.size(); ++i)
            keyed[i] = {foldKey(spellings[i]).toStdString(), int(i)};
        std::sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
            if (a.first != b.first)
                return a.first < b.first;
            return spellings[size_t(a.second)] < spellings[size_t(b.second)];
        });
        rank.assign(spellings.size(), 0);
        for (size_t i = 0; i < keyed.size(); ++i)
            rank[size_t(keyed[i].second)] = int(i) + 1; // 0 stays for "none"
    }
    int rankOf(int spelling) const { return spelling < 0 ? 0 : rank[size_t(spelling)]; }

    QString spelling(int at) const { return at < 0 ? QString() : spellings[size_t(at)]; }

    QString detail(const Entry& e, bool shown) const { // what is wrong, in words (say())
        const auto say = [shown](const char* text) { return store::say(text, shown); };
        const QString assembly = spelling(e.assembly);
        const QString component = spelling(e.component);
        switch (CheckFinding::Kind(e.kind)) {
        case CheckFinding::Cycle: {
            const CycleFound& cycle = cycles[size_t(e.extra)];
            QStringList path;
            for (int at : cycle.path)
                path.append(spellings[size_t(at)]);
            const QString text = path.join(QStringLiteral(" → "));
            if (cycle.path.size() == 2 && cycle.size == 1)
                return say(QT_TRANSLATE_NOOP("store", "%1: the item is a component of itself."))
                    .arg(text);
            if (cycle.path.size() == 2)
                return say(QT_TRANSLATE_NOOP("store", "%1: the item is a component of itself, in "
                                                      "a loop of %2 items."))
                    .arg(text, QString::number(cycle.size));
            if (cycle.size > qsizetype(cycle.path.size()) - 1)
                return say(QT_TRANSLATE_NOOP("store", "%1: one way round a loop of %2 items."))
                    .arg(text, QString::number(cycle.size));
            return text;
        }
        case CheckFinding::AssemblyNotInItemMaster:
        case CheckFinding::ComponentNotInItemMaster:
            return say(QT_TRANSLATE_NOOP("store", "The Item Master has no item '%1'."))
                .arg(e.kind == CheckFinding::AssemblyNotInItemMaster ? assembly : component);
        case CheckFinding::AssemblyIdDiffers:
        case CheckFinding::ComponentIdDiffers: {
            const QString held = e.kind == CheckFinding::AssemblyIdDiffers ? assembly : component;
            const QString master = spellings[size_t(e.extra)];
            const bool blanks = held.trimmed() != held || master.trimmed() != master;
            const bool letters = foldKey(held.trimmed()) == foldKey(master.trimmed()) &&
                                 held.trimmed() != master.trimmed();
            const char* text =
                blanks && letters
                    ? QT_TRANSLATE_NOOP("store", "The line holds '%1', the Item Master '%2': "
                                                 "they differ in letter case and blanks.")
                : blanks ? QT_TRANSLATE_NOOP("store", "The line holds '%1', the Item Master '%2': "
                                                      "they differ in leading or trailing blanks.")
                         : QT_TRANSLATE_NOOP("store", "The line holds '%1', the Item Master '%2': "
                                                      "they differ in letter case.");
            return say(text).arg(held, master);
        }
        case CheckFinding::NoQuantity:
            return say(QT_TRANSLATE_NOOP("store", "The quantity is Null."));
        case CheckFinding::ZeroQuantity:
            return say(QT_TRANSLATE_NOOP("store", "The quantity is 0."));
        case CheckFinding::NegativeQuantity:
            return say(QT_TRANSLATE_NOOP("store", "The quantity is %1."))
                .arg(number(values[size_t(e.extra)]));
        case CheckFinding::QuantityNotANumber:
            if (e.extra < 0)
                return say(QT_TRANSLATE_NOOP("store", "The quantity is not a finite number."));
            return say(QT_TRANSLATE_NOOP("store", "The quantity holds the text '%1'."))
                .arg(texts[size_t(e.extra)]);
        case CheckFinding::LineIdNotUtf8:
            if (e.extra == 3)
                return say(QT_TRANSLATE_NOOP("store",
                                             "The assembly ID '%1' and the component ID '%2' of "
                                             "this line are not valid UTF-8 text: correct it in "
                                             "BomDetail, for example by importing it again as "
                                             "UTF-8."))
                    .arg(assembly, component);
            if (e.extra & 1)
                return say(QT_TRANSLATE_NOOP("store",
                                             "The assembly ID '%1' of this line is not "
                                             "valid UTF-8 text: correct it in BomDetail, "
                                             "for example by importing it again as UTF-8."))
                    .arg(assembly);
            return say(QT_TRANSLATE_NOOP("store",
                                         "The component ID '%1' of this line is not valid "
                                         "UTF-8 text: correct it in BomDetail, for example "
                                         "by importing it again as UTF-8."))
                .arg(component);
        case CheckFinding::FractionalQuantity: {
            const auto& [value, unit] = fractions[size_t(e.extra)];
            return say(QT_TRANSLATE_NOOP("store", "The quantity %1 is not a whole number of %2, a "
                                                  "unit counted in whole pieces."))
                .arg(number(value), unit);
        }
        case CheckFinding::ItemIdNotUtf8:
            return say(QT_TRANSLATE_NOOP("store",
                                         "The Item Master ID '%1' is not valid UTF-8 text: correct "
                                         "it in ItemMaster, for example by importing it again as "
                                         "UTF-8."))
                .arg(assembly);
        }
        return {};
    }
};

CheckReport::CheckReport() : m_data(std::make_unique<Data>()) {}
CheckReport::~CheckReport() = default;
CheckReport::CheckReport(CheckReport&&) noexcept = default;
CheckReport& CheckReport::operator=(CheckReport&&) noexcept = default;

size_t CheckReport::size() const { return m_data->entries.size(); }

CheckFinding CheckReport::finding(size_t at, bool shown) const {
    const Entry& e = m_data->entries[at];
    CheckFinding finding{CheckFinding::Kind(e.kind),
                         m_data->spelling(e.assembly),
                         m_data->spelling(e.component),
                         m_data->detail(e, shown),
                         true,
                         {}};
    // An ID that is not valid text is shown in its readable form, which seeks nothing.
    finding.loadable = !(e.kind == CheckFinding::ItemIdNotUtf8 ||
                         (e.kind == CheckFinding::LineIdNotUtf8 && (e.extra & 1)));
    if (e.kind == CheckFinding::Cycle)
        for (int at : m_data->cycles[size_t(e.extra)].path)
            finding.path.append(m_data->spellings[size_t(at)]);
    return finding;
}

void CheckReport::sortBy(int column, bool descending) {
    Data& d = *m_data;
    d.makeRanks();
    std::vector<QString> details;
    if (column == 3) {
        details.reserve(d.entries.size());
        for (const Entry& e : d.entries)
            details.push_back(d.detail(e, true)); // as the list shows them
        // The details go with their entries: sort an order, then apply it.
    }
    const std::vector<int> parts = column == 1   ? std::vector<int>{1, 2, 0}
                                   : column == 2 ? std::vector<int>{2, 1, 0}
                                                 : std::vector<int>{0, 1, 2};
    // Each entry's place as one number (kind: 4 bits, each rank: 30), then its index, which
    // keeps equal entries in their order: one sort of plain numbers, however many there are.
    const auto part = [&](const Entry& e, int which) -> quint64 {
        switch (which) {
        case 0: return e.kind;
        case 1: return quint64(d.rankOf(e.assembly));
        default: return quint64(d.rankOf(e.component));
        }
    };
    const int widths[] = {4, 30, 30};
    std::vector<std::pair<quint64, size_t>> keyed(d.entries.size());
    for (size_t i = 0; i < keyed.size(); ++i) {
        quint64 place = 0;
        for (int which : parts)
            place = (place << widths[which]) | part(d.entries[i], which);
        keyed[i] = {descending ? ~place : place, i};
    }
    if (column == 3) {
        std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
            const int byDetail = QString::compare(details[a.second], details[b.second]);
            if (byDetail != 0)
                return descending ? byDetail > 0 : byDetail < 0;
            return a < b;
        });
    } else {
        std::sort(keyed.begin(), keyed.end());
    }
    std::vector<Entry> sorted;
    sorted.reserve(keyed.size());
    for (const auto& [place, i] : keyed)
        sorted.push_back(d.entries[i]);
    d.entries = std::move(sorted);
}

/// Takes the rows a store reads, makes the line findings as they come and keeps the structure
/// as numbers: each distinct stored ID (spelling) once, each item (IDs equal under the store's
/// case rule) once.
class DatabaseChecker : public CheckSink {
public:
    DatabaseChecker(const CheckProgress& progress, const WholeUnits& wholeUnits)
        : m_progress(progress), m_wholeUnits(wholeUnits) {}

    void expect(qint64 items, qint64 lines) override { m_expected = std::max<qint64>(items + lines, 1); }

    void item(const StoredId& id, const QString& unit) override {
        ++m_report.items;
        const int s = lookUp(id);
        // The lines come after every item: their components' units are known by then.
        if (m_wholeUnits.counts(unit))
            m_wholeUnitOf.insert(m_spellingNode[size_t(s)], unit.trimmed());
        if (!id.invalidBytes.isEmpty())
            add(CheckFinding::ItemIdNotUtf8, s, -1, -1);
        Node& node = m_nodes[size_t(m_spellingNode[size_t(s)])];
        if (node.master >= 0)
            return; // a second row under one key: the table's key rule was not kept
        node.master = s;
        if (id.invalidBytes.isEmpty()) {
            const QString trimmed = id.text.trimmed();
            if (trimmed.size() != id.text.size())
                m_blankItems.insert(foldKey(trimmed), s);
        }
    }

    void line(const StoredId& assembly, const StoredId& component,
              const StoredQuantity& quantity) override {
        ++m_report.lines;
        const int a = spellingOf(assembly, m_lastAssembly);
        const int c = spellingOf(component, m_lastComponent);
        const int from = m_spellingNode[size_t(a)];
        const int to = m_spellingNode[size_t(c)];
        m_edges.push_back({from, to});
        checkId(assembly, a, from, CheckFinding::AssemblyNotInItemMaster,
                CheckFinding::AssemblyIdDiffers, a, c);
        checkId(component, c, to, CheckFinding::ComponentNotInItemMaster,
                CheckFinding::ComponentIdDiffers, a, c);
        switch (quantity.kind) {
        case StoredQuantity::Null:
            add(CheckFinding::NoQuantity, a, c, -1);
            break;
        case StoredQuantity::Text:
            m_report.m_data->texts.push_back(quantity.text);
            add(CheckFinding::QuantityNotANumber, a, c, int(m_report.m_data->texts.size()) - 1);
            break;
        case StoredQuantity::Number:
            if (!std::isfinite(quantity.value)) {
                add(CheckFinding::QuantityNotANumber, a, c, -1);
            } else if (quantity.value == 0) {
                add(CheckFinding::ZeroQuantity, a, c, -1);
            } else if (quantity.value < 0) {
                m_report.m_data->values.push_back(quantity.value);
                add(CheckFinding::NegativeQuantity, a, c, int(m_report.m_data->values.size()) - 1);
            }
            if (std::isfinite(quantity.value) && !isWholeNumber(quantity.value))
                if (const auto unit = m_wholeUnitOf.constFind(to); unit != m_wholeUnitOf.cend()) {
                    m_report.m_data->fractions.emplace_back(quantity.value, *unit);
                    add(CheckFinding::FractionalQuantity, a, c,
                        int(m_report.m_data->fractions.size()) - 1);
                }
            break;
        }
        const int unreadable = (assembly.invalidBytes.isEmpty() ? 0 : 1) |
                               (component.invalidBytes.isEmpty() ? 0 : 2);
        if (unreadable)
            add(CheckFinding::LineIdNotUtf8, a, c, unreadable);
    }

    bool proceed() override {
        return m_progress(m_report.items + m_report.lines, total());
    }

    /// The cycles, then the findings in their order; false when cancelled.
    bool finish() {
        if (!findCycles())
            return false;
        m_report.sortBy(0, false);
        return m_progress(total(), total());
    }

    CheckReport take() { return std::move(m_report); }

private:
    struct Node {
        int master = -1; ///< the spelling ItemMaster holds; -1 when it has no row
        int first;       ///< the spelling first met
        /// For an item without a row: the spelling ItemMaster holds for it without leading
        /// and trailing blanks, -1 for none, -2 until sought. Every spelling of one item
        /// has the same blanks, so it is sought once per item.
        int withoutBlanks = -2;
    };

    // The reading is most of the work; the walk is given a tenth more.
    qint64 total() const {
        const qint64 read = std::max(m_expected, m_report.items + m_report.lines);
        return read + read / 10;
    }

    void add(CheckFinding::Kind kind, int assembly, int component, int extra) {
        m_report.m_data->entries.push_back({assembly, component, extra, quint8(kind)});
    }

    /// The last ID met in one column of the lines, for spellingOf.
    struct LastId {
        int spelling = -1;
        QString text;
    };

    /// A bill's lines come one after another, and a store hands their assembly's ID over as
    /// the same shared text: then it is the spelling of the line before.
    int spellingOf(const StoredId& id, LastId& last) {
        if (!id.invalidBytes.isEmpty()) {
            last.spelling = -1;
            return lookUp(id);
        }
        if (last.spelling >= 0 && id.text.constData() == last.text.constData() &&
            id.text.size() == last.text.size())
            return last.spelling;
        last = {lookUp(id), id.text};
        return last.spelling;
    }

    int lookUp(const StoredId& id) {
        // Bytes that are not text are told apart from every text by a lone surrogate, which
        // no decoded UTF-8 holds, and matched byte for byte with ASCII letters folded, as the
        // file's own comparison matches them.
        QString exact;
        if (id.invalidBytes.isEmpty())
            exact = id.text;
        else
            exact = QChar(0xD800) + QString::fromLatin1(id.invalidBytes);
        const auto found = m_spellings.constFind(exact);
        if (found != m_spellings.cend())
            return *found;
        const int s = int(m_report.m_data->spellings.size());
        m_report.m_data->spellings.push_back(id.text);
        m_spellings.insert(exact, s);
        const QString key = foldKey(exact);
        auto node = m_keys.constFind(key);
        if (node == m_keys.cend()) {
            node = m_keys.insert(key, int(m_nodes.size()));
            m_nodes.push_back({-1, s});
        }
        m_spellingNode.push_back(*node);
        return s;
    }

    void checkId(const StoredId& id, int spelling, int node, CheckFinding::Kind missing,
                 CheckFinding::Kind differs, int assembly, int component) {
        const int master = m_nodes[size_t(node)].master;
        if (master == spelling)
            return;
        if (master >= 0) {
            add(differs, assembly, component, master);
            return;
        }
        add(missing, assembly, component, -1);
        int& match = m_nodes[size_t(node)].withoutBlanks;
        if (match == -2) {
            match = -1;
            // Missing as stored, but there without the blanks around it (on either side).
            if (id.invalidBytes.isEmpty()) {
                const QString key = foldKey(id.text.trimmed());
                if (const auto same = m_keys.constFind(key); same != m_keys.cend())
                    match = m_nodes[size_t(*same)].master;
                if (match < 0)
                    match = m_blankItems.value(key, -1);
            }
        }
        if (match >= 0)
            add(differs, assembly, component, match);
    }

    /// Tarjan's algorithm without recursion (a structure may be thousands of levels deep),
    /// over the lines as a compact adjacency list; each group of items that reach each other
    /// is reported once, with the shortest way round it from its first item in key order.
    bool findCycles() {
        const size_t n = m_nodes.size();
        std::vector<int> offsets(n + 1, 0);
        std::vector<char> selfLoop(n, 0);
        for (const auto& [from, to] : m_edges) {
            ++offsets[size_t(from) + 1];
            if (from == to)
                selfLoop[size_t(from)] = 1;
        }
        for (size_t i = 0; i < n; ++i)
            offsets[i + 1] += offsets[i];
        std::vector<int> targets(m_edges.size());
        {
            std::vector<int> fill(offsets.begin(), offsets.end() - 1);
            for (const auto& [from, to] : m_edges)
                targets[size_t(fill[size_t(from)]++)] = to;
        }
        std::vector<std::pair<int, int>>().swap(m_edges);

        std::vector<int> index(n, -1), low(n, 0), group(n, -1);
        std::vector<char> onStack(n, 0);
        std::vector<int> stack;
        std::vector<std::pair<int, int>> calls; // node, next edge
        std::vector<std::vector<int>> groups;
        int counter = 0;
        int groupCount = 0;
        for (size_t start = 0; start < n; ++start) {
            if (index[start] >= 0)
                continue;
            if (start % Step == 0 && !tick(qint64(start), qint64(n)))
                return false;
            const auto enter = [&](int v) {
                index[size_t(v)] = low[size_t(v)] = counter++;
                stack.push_back(v);
                onStack[size_t(v)] = 1;
                calls.push_back({v, offsets[size_t(v)]});
            };
            enter(int(start));
            while (!calls.empty()) {
                const int v = calls.back().first;
                const int edge = calls.back().second;
                if (edge < offsets[size_t(v) + 1]) {
                    ++calls.back().second;
                    const int w = targets[size_t(edge)];
                    if (index[size_t(w)] < 0)
                        enter(w);
                    else if (onStack[size_t(w)])
                        low[size_t(v)] = std::min(low[size_t(v)], index[size_t(w)]);
                    continue;
                }
                calls.pop_back();
                if (!calls.empty()) {
                    const int parent = calls.back().first;
                    low[size_t(parent)] = std::min(low[size_t(parent)], low[size_t(v)]);
                }
                if (low[size_t(v)] != index[size_t(v)])
                    continue;
                std::vector<int> members;
                int w;
                do {
                    w = stack.back();
                    stack.pop_back();
                    onStack[size_t(w)] = 0;
                    group[size_t(w)] = groupCount;
                    members.push_back(w);
                } while (w != v);
                ++groupCount;
                if (members.size() > 1 || selfLoop[size_t(v)])
                    groups.push_back(std::move(members));
            }
        }

        CheckReport::Data& data = *m_report.m_data;
        std::vector<int> previous(n, -1);
        for (const std::vector<int>& members : groups) {
            const int root = *std::min_element(members.begin(), members.end(), [&](int a, int b) {
                return foldKey(shown(a)) < foldKey(shown(b));
            });
            std::vector<int> path{root};
            if (members.size() > 1) {
                // Breadth first inside the group, so the path is a shortest way round.
                std::vector<int> queue{root};
                previous[size_t(root)] = root;
                int last = -1;
                for (size_t at = 0; at < queue.size() && last < 0; ++at) {
                    const int u = queue[at];
                    for (int e = offsets[size_t(u)]; e < offsets[size_t(u) + 1]; ++e) {
                        const int w = targets[size_t(e)];
                        if (group[size_t(w)] != group[size_t(root)])
                            continue;
                        if (w == root) {
                            last = u;
                            break;
                        }
                        if (previous[size_t(w)] < 0) {
                            previous[size_t(w)] = u;
                            queue.push_back(w);
                        }
                    }
                }
                std::vector<int> back;
                for (int u = last; u != root; u = previous[size_t(u)])
                    back.push_back(u);
                path.insert(path.end(), back.rbegin(), back.rend());
            }
            CycleFound cycle{{}, qsizetype(members.size())};
            for (int node : path)
                cycle.path.push_back(shownSpelling(node));
            cycle.path.push_back(shownSpelling(root));
            const int first = cycle.path[0];
            const int next = cycle.path[1];
            data.cycles.push_back(std::move(cycle));
            add(CheckFinding::Cycle, first, next, int(data.cycles.size()) - 1);
        }
        return true;
    }

    /// The spelling a node is shown by: ItemMaster's where it has a row.
    int shownSpelling(int node) const {
        const Node& n = m_nodes[size_t(node)];
        return n.master >= 0 ? n.master : n.first;
    }
    const QString& shown(int node) const {
        return m_report.m_data->spellings[size_t(shownSpelling(node))];
    }

    bool tick(qint64 done, qint64 of) {
        const qint64 read = std::max(m_expected, m_report.items + m_report.lines);
        return m_progress(read + (of > 0 ? done * (read / 10) / of : 0), total());
    }

    const CheckProgress& m_progress;
    const WholeUnits& m_wholeUnits;
    QHash<int, QString> m_wholeUnitOf; ///< node → its unit, for the items counted whole
    qint64 m_expected = 1;
    CheckReport m_report;
    QHash<QString, int> m_spellings; ///< exact stored form → spelling
    QHash<QString, int> m_keys;      ///< folded form → node
    std::vector<int> m_spellingNode;
    std::vector<Node> m_nodes;
    /// ItemMaster IDs with leading or trailing blanks, by their folded form without them.
    QHash<QString, int> m_blankItems;
    std::vector<std::pair<int, int>> m_edges;
    LastId m_lastAssembly;
    LastId m_lastComponent;
};

std::optional<CheckReport> checkDatabase(Store& store, const CheckProgress& progress,
                                         const WholeUnits& wholeUnits) {
    const CheckProgress report = progress ? progress : CheckProgress([](qint64, qint64) { return true; });
    DatabaseChecker checker(report, wholeUnits);
    if (!store.readForCheck(checker) || !checker.finish())
        return std::nullopt;
    return checker.take();
}

} // namespace store
