#include "BenchData.h"


#include <QFile>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <random>
#include <stdexcept>

namespace bench {

namespace {

struct Writer {
    explicit Writer(const QString& path) : name(QStringLiteral("bench-writer-") + path) {
        QFile::remove(path);
        db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(path);
        if (!db.open())
            throw std::runtime_error("cannot create " + path.toStdString());
        exec(QStringLiteral("CREATE TABLE ItemMaster (ItemID TEXT COLLATE NOCASE NOT NULL "
                            "PRIMARY KEY, ItemDesc TEXT, ItemUom TEXT)"));
        exec(QStringLiteral("CREATE TABLE BomDetail (BomID TEXT COLLATE NOCASE NOT NULL, "
                            "BomComp TEXT COLLATE NOCASE NOT NULL, bomQtyReq REAL, "
                            "StartDate TEXT, PRIMARY KEY (BomID, BomComp))"));
        db.transaction();
        item = QSqlQuery(db);
        item.prepare(QStringLiteral("INSERT INTO ItemMaster VALUES (?, ?, 'EA')"));
        line = QSqlQuery(db);
        line.prepare(QStringLiteral(
            "INSERT INTO BomDetail VALUES (?, ?, ?, '2026-01-01 00:00:00')"));
    }
    ~Writer() {
        db.commit();
        item = QSqlQuery();
        line = QSqlQuery();
        db.close();
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    void exec(const QString& sql) {
        QSqlQuery q(db);
        if (!q.exec(sql))
            throw std::runtime_error(q.lastError().text().toStdString());
    }
    void addItem(const QString& id, const QString& description = {}) {
        item.addBindValue(id);
        item.addBindValue(description.isEmpty() ? QStringLiteral("Item ") + id : description);
        if (!item.exec())
            throw std::runtime_error(item.lastError().text().toStdString());
    }
    void addLine(const QString& assembly, const QString& component, double quantity = 1) {
        line.addBindValue(assembly);
        line.addBindValue(component);
        line.addBindValue(quantity);
        if (!line.exec())
            throw std::runtime_error(line.lastError().text().toStdString());
    }

    QString name;
    QSqlDatabase db;
    QSqlQuery item;
    QSqlQuery line;
};

/// A description as a parts catalogue words it ("Hex bolt M8x20 zinc plated"), fixed by the
/// item's number, so that a find in the list meets text of the usual length and mix.
QString partDescription(int number) {
    static const char* const parts[] = {"Hex bolt",  "Socket screw", "Washer",  "Hex nut",
                                        "Bracket",   "Ball bearing", "Spring",  "Gasket",
                                        "Shaft",     "Bushing",      "Cable",   "Connector",
                                        "Housing",   "Cover plate",  "Dowel pin", "Circlip"};
    static const char* const sizes[] = {"M3", "M4", "M5", "M6", "M8", "M10", "M12", "M16"};
    static const char* const lengths[] = {"x10", "x16", "x20", "x25", "x30", "x40", "x50", ""};
    static const char* const finishes[] = {"zinc plated", "stainless A2", "black oxide", "brass",
                                           "nylon",       "steel",        "aluminium",   "galvanised"};
    const auto pick = [&number](int count) {
        const int choice = number % count;
        number /= count;
        return choice;
    };
    number = int((unsigned(number) * 2654435761u) >> 8); // spread neighbouring numbers
    const char* part = parts[pick(16)];
    const char* size = sizes[pick(8)];
    const char* length = lengths[pick(8)];
    const char* finish = finishes[pick(8)];
    return QStringLiteral("%1 %2%3 %4")
        .arg(QLatin1StringView(part), QLatin1StringView(size), QLatin1StringView(length),
             QLatin1StringView(finish));
}

} // namespace

void writePrint(const QString& path, const Sizes& sizes) {
    Writer w(path);
    w.addItem(PrintTop, QStringLiteral("Print bench top assembly"));
    for (int part = 0; part < 49; ++part)
        w.addItem(QStringLiteral("PART-%1").arg(part, 2, 10, QLatin1Char('0')), partDescription(part));
    for (int assembly = 0; assembly < sizes.printAssemblies; ++assembly) {
        const QString id = QStringLiteral("ASM-%1").arg(assembly, 4, 10, QLatin1Char('0'));
        w.addItem(id, QStringLiteral("Assembly %1").arg(assembly));
        w.addLine(PrintTop, id, 1 + assembly % 3);
        for (int part = 0; part < 49; ++part)
            w.addLine(id, QStringLiteral("PART-%1").arg(part, 2, 10, QLatin1Char('0')), 1 + part % 4);
    }
}

namespace {

QString levelItem(const char* prefix, int level, int index) {
    return QStringLiteral("%1%2-%3")
        .arg(QLatin1StringView(prefix))
        .arg(level)
        .arg(index, 6, 10, QLatin1Char('0'));
}

void addDeep(Writer& w, const Sizes& sizes) {
    std::mt19937 random(20261208);
    w.addItem(DeepTop);
    for (int level = 1; level <= sizes.deepLevels; ++level)
        for (int i = 0; i < sizes.deepPerLevel; ++i)
            w.addItem(levelItem("D", level, i));
    std::uniform_int_distribution<int> pick(0, sizes.deepPerLevel - 1);
    const auto components = [&](const QString& assembly, int level) {
        QSet<int> chosen;
        while (chosen.size() < sizes.deepComponents)
            chosen.insert(pick(random));
        for (int c : chosen)
            w.addLine(assembly, levelItem("D", level, c), 1 + c % 5);
    };
    components(DeepTop, 1);
    for (int level = 1; level < sizes.deepLevels; ++level)
        for (int i = 0; i < sizes.deepPerLevel; ++i)
            components(levelItem("D", level, i), level + 1);
}

} // namespace

void writeDeep(const QString& path, const Sizes& sizes) {
    Writer w(path);
    addDeep(w, sizes);
}

void writeMillion(const QString& path, const Sizes& sizes) {
    Writer w(path);
    const int perLevel = sizes.millionPerLevel;
    constexpr int Levels = 8;
    w.addItem(MillionTop);
    for (int level = 1; level <= Levels; ++level)
        for (int i = 0; i < perLevel; ++i)
            w.addItem(levelItem("M", level, i));
    for (int i = 0; i < std::min(1000, perLevel); ++i)
        w.addLine(MillionTop, levelItem("M", 1, i), 1);
    for (int level = 1; level < Levels; ++level)
        for (int i = 0; i < perLevel; ++i)
            for (int c = 0; c < 4; ++c)
                w.addLine(levelItem("M", level, i), levelItem("M", level + 1, (i * 4 + c) % perLevel),
                          1 + c);
}

qint64 millionLines(const Sizes& sizes) {
    // Each level reaches four times the items of the one above, up to all of them.
    const qint64 perLevel = sizes.millionPerLevel;
    qint64 reached = std::min<qint64>(1000, perLevel), lines = reached;
    for (int level = 1; level < 8; ++level) {
        lines += reached * 4;
        reached = std::min(reached * 4, perLevel);
    }
    return lines;
}

void writeScale(const QString& path, const Sizes& sizes) {
    Writer w(path);
    addDeep(w, sizes);
    // Unrelated bills around it, with IDs that sort before and after the deep structure's.
    int written = 0;
    for (int lines = 0, deep = (sizes.deepLevels - 1) * sizes.deepPerLevel * sizes.deepComponents +
                                sizes.deepComponents;
         deep + lines < sizes.scaleLines; ++written) {
        const QString assembly =
            QStringLiteral("%1-%2").arg(written % 2 ? u'A' : u'Z').arg(written, 8, 10, QLatin1Char('0'));
        for (int c = 0; c < 4 && deep + lines < sizes.scaleLines; ++c, ++lines)
            w.addLine(assembly, QStringLiteral("P-%1").arg((written * 4 + c) % 100000, 6, 10, QLatin1Char('0')), 1);
    }
}

void writeWide(const QString& path, const Sizes& sizes) {
    Writer w(path);
    w.addItem(WideTop);
    for (int i = 0; i < sizes.wideDirect; ++i) {
        const QString direct = levelItem("W", 1, i);
        w.addItem(direct);
        w.addLine(WideTop, direct, 1);
        for (int leaf = 0; leaf < sizes.wideLeaves; ++leaf) {
            const QString id = levelItem("W", 2, i * sizes.wideLeaves + leaf);
            w.addItem(id);
            w.addLine(direct, id, 0.5 * (leaf + 1));
        }
    }
}

void writeItems(const QString& path, const Sizes& sizes) {
    std::mt19937 random(1996);
    std::vector<int> order(size_t(sizes.items));
    for (int i = 0; i < sizes.items; ++i)
        order[size_t(i)] = i;
    // Stored out of key order, as real tables grow.
    std::shuffle(order.begin(), order.end(), random);
    Writer w(path);
    for (int i : order)
        w.addItem(QStringLiteral("ITEM-%1").arg(i, 6, 10, QLatin1Char('0')), partDescription(i));
    for (int c = 1; c <= 10; ++c)
        w.addLine(ItemsAssembly, QStringLiteral("ITEM-%1").arg(c, 6, 10, QLatin1Char('0')), c);
}

void writeExplode(const QString& path, const Sizes& sizes) {
    Writer w(path);
    w.addItem(ExplodeTop);
    for (int level = 1; level <= sizes.explodeLevels; ++level)
        for (int i = 0; i < sizes.explodeFanOut; ++i)
            w.addItem(levelItem("X", level, i));
    for (int i = 0; i < sizes.explodeFanOut; ++i)
        w.addLine(ExplodeTop, levelItem("X", 1, i));
    for (int level = 1; level < sizes.explodeLevels; ++level)
        for (int i = 0; i < sizes.explodeFanOut; ++i)
            for (int j = 0; j < sizes.explodeFanOut; ++j)
                w.addLine(levelItem("X", level, i), levelItem("X", level + 1, j));
}

void writeTangled(const QString& path) {
    Writer w(path);
    // T uses S twice over (through M and Z), s1 is the same item as S1 in another case, and
    // K -> L -> K is a cycle below T.
    const std::pair<const char*, const char*> lines[] = {
        {"T", "Z"}, {"T", "M"}, {"T", "a"}, {"M", "S"}, {"Z", "S"}, {"S", "S1"}, {"S", "s2"},
        {"s1", "P"}, {"Z", "K"}, {"K", "L"}, {"L", "K"}, {"L", "t"}, {"P", "Q"}};
    for (const auto& [assembly, component] : lines)
        w.addLine(QLatin1StringView(assembly), QLatin1StringView(component));
}

} // namespace bench
