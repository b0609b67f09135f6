#pragma once

#include "store/StoreError.h"

#include <QDateTime>
#include <QHash>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace store {

/// The names of the two tables the editor shares with the manufacturing application, and the
/// layout of the StartDate column (local time), the same in every store.
namespace schema {
inline constexpr QLatin1StringView ItemMaster{"ItemMaster"};
inline constexpr QLatin1StringView BomDetail{"BomDetail"};
inline constexpr QLatin1StringView StartDateFormat{"yyyy-MM-dd HH:mm:ss"};
} // namespace schema

/// One line of a path from a finished item down to the item Where Used was asked for.
struct WhereUsedStep {
    /// The row, of the same where-used, of the line's component; -1 for the item itself.
    int row = -1;
    std::optional<double> quantity; ///< the line's quantity; empty where it is Null
    bool operator==(const WhereUsedStep&) const = default;
};

/// A path from a finished item down to the item: its lines, the finished item's own first.
struct WhereUsedPath {
    std::vector<WhereUsedStep> steps;
    /// The path stops where an assembly already on it comes again, as the tree stops there.
    bool circular = false;
    bool operator==(const WhereUsedPath&) const = default;
};

/// How many paths a where-used lists under each finished item, and under all of them
/// together: enough to see how a part gets into a product, few enough that a part used in
/// millions of ways shows at once. The count of the rest is exact however many there are.
constexpr int PathsPerFinishedItem = 200;
constexpr int PathsListedInAll = 5000;
/// A path count above the largest qint64 is kept as this one value.
constexpr quint64 PathCountOver = quint64(std::numeric_limits<qint64>::max()) + 1;

/// One assembly that has an item in its structure, as Store::whereUsed reports it.
///
/// - Each assembly appears once, however many paths lead from it down to the item. Item IDs
///   compare under the store's case rule ("asm-1" and "ASM-1" are one assembly).
/// - `level` is the fewest steps from the assembly down to the item: 1 when it lists the item
///   itself, 2 when it lists an assembly that lists the item, and so on.
/// - `quantity` is how many of the item one of the assembly needs: the product of the line
///   quantities along each path from the assembly down to the item, summed over every such
///   path (a shared sub-assembly counts once per place it is used). Empty when a quantity on
///   any of those paths is Null, or when the assembly is `circular`.
/// - `circular`: a cycle stands between the assembly and the item (the assembly is on a cycle,
///   or uses one on its way down to the item), so one of it would need the item without end and
///   no quantity is given. When the item contains itself (a cycle through the item), the item
///   is listed as an assembly of its own structure, at the length of its shortest cycle, and
///   every assembly that uses it is circular. The walk reads each assembly once, so a cycle
///   never makes it loop.
struct WhereUsedRow {
    QString assembly; ///< the ID as ItemMaster spells it; as BomDetail does when it has no row
    int level = 0;
    std::optional<double> quantity;
    bool circular = false;
    bool inItemMaster = false;        ///< whether ItemMaster has a row for the assembly
    std::optional<QString> description; ///< its ItemDesc; empty for Null or no row
    std::optional<QString> unit;        ///< its ItemUom; empty for Null or no row
    /// No line has the assembly as its component: a finished item, a top of the structure.
    /// Its `quantity` is then how many of the item one finished unit holds in all.
    bool top = false;
    /// For a top: its first paths down to the item, in the order the tree shows them (depth
    /// first, components by ID), as many as PathsPerFinishedItem and PathsListedInAll leave
    /// (the tops by the rows' order).
    std::vector<WhereUsedPath> paths{};
    /// For a top: how many paths lead down to the item in all (PathCountOver for more than
    /// the largest qint64); empty where a cycle stands on the way (paths without end).
    std::optional<quint64> pathCount{};
    bool operator==(const WhereUsedRow&) const = default;
};

class CheckSink;

/// How far a long read has come: `done` of about `total`, in units of the store's choosing;
/// false when the reader is to stop.
using ReadProgress = std::function<bool(qint64 done, qint64 total)>;

/// One row of ItemMaster; a Null column is an empty optional.
struct Item {
    QString id;
    std::optional<QString> description;
    std::optional<QString> unit;
};

/// One line of an assembly's bill as the tree shows it: the component, the line's quantity
/// and the component's ItemMaster facts (all Null where the item has no ItemMaster row).
struct ComponentLine {
    QString id;
    std::optional<double> quantity;
    std::optional<QString> unit;
    std::optional<QString> description;
    /// Whether ItemMaster has a row for the component: Null facts alone cannot tell.
    bool inItemMaster = true;
    /// The line's StartDate as stored (schema::StartDateFormat); empty where Null.
    QString startDate;
};
/// Implicitly shared, so that a load hands the same lines to every copy of an assembly.
using ComponentLines = QList<ComponentLine>;

/// A line exactly as stored: its values as the file holds them (a quantity may be Null, or
/// even text), so that it can be put back or recognised as unchanged.
struct LineRow {
    QString assembly;
    QString component;
    QVariant quantity;
    QVariant startDate;
};

/// Line changes made as one, all or nothing: first each line of `removed` is deleted, only
/// while it still holds exactly its row (quantity and start date; LineChanged otherwise); then
/// each line of `added` is inserted exactly as its row holds it, after the checks of addLine
/// (CircularComponent, UnknownAssembly, PasteUnknownItem, DuplicateLine, and InvalidQuantity
/// for a number that is not finite) against the table as the deletions and the added lines
/// before it leave it (two lines of one pair in `added` are a duplicate).
struct LineBatch {
    std::vector<LineRow> removed;
    std::vector<LineRow> added;
    /// The added lines are lines put back as they were (an undo), not new ones: they start no
    /// bill, so that the rule of starting one (UnknownAssembly) does not keep a bill that the
    /// Item Master lacks from coming back whole; they keep the quantity they had, even one
    /// that another program made infinite, and the component they had, even one that is no
    /// item (lines older than the rule).
    bool restoring = false;
};
/// For each line of a batch, in its order, why it would be refused; empty where it would not.
struct BatchRefusals {
    std::vector<std::optional<StoreError>> removed;
    std::vector<std::optional<StoreError>> added;
    bool any() const;
};
/// A new line as addLine writes it: the quantity as a number, started now.
LineRow newLine(const QString& assembly, const QString& component, double quantity);

/// Which command a store's writes belong to, for the history: its name as its undo step is
/// named ("Replace PRT-KNOB by PRT-KNOB-2 in 37 assemblies"), the reason the user gave, if
/// any, and whether it puts an earlier state back (a restore).
struct WriteCommand {
    QString name;
    QString reason;
    bool restore = false;
};

/// An item as the Item Master list shows it.
struct ItemLine {
    QString id;
    std::optional<QString> description;
};

/// The operations that every store offers, with one meaning and one set of numbered errors
/// (StoreError) whichever database holds the tables: an SQLite file (SqliteStore) or a PostgreSQL
/// server (PgStore). Item IDs compare as SQLite's NOCASE does: ASCII letters without regard
/// to case, every other character exactly. An object is one open connection for the length
/// of one user operation; SqliteStore documents each operation in full.
class Store {
public:
    virtual ~Store() = default;

    /// Every item with its description, in key order, read as one state of the table.
    virtual std::vector<ItemLine> itemLines() = 0;
    /// The item with this ID under the store's comparison, if there is one.
    virtual std::optional<Item> findItem(const QString& id) = 0;
    /// findItem for many IDs, element i for ids[i], from one state of the table. This one asks
    /// for each in turn; a server answers all in one statement, not one round trip each.
    virtual std::vector<std::optional<Item>> findItems(const QStringList& ids);
    /// The lines of many assemblies, element i those of assemblies[i], in key order, with
    /// their quantities and their components' units and descriptions; one state of the tables.
    virtual std::vector<ComponentLines> componentsOfEach(const QStringList& assemblies) = 0;
    /// Every line of the table in one pass, as componentsOfEach reads them, by assembly ID
    /// folded under the store's case rule (foldKey). Cheaper than componentsOfEach for a
    /// batch that asks for most of the table.
    virtual QHash<QString, ComponentLines> allComponentLines() = 0;
    /// About how many lines BomDetail holds, read without counting them.
    virtual qint64 lineEstimate() = 0;
    /// Every line reachable from `item` (its own lines, those of its components, and so on),
    /// each read once however many paths lead to it, as componentsOfEach reads them, by
    /// assembly ID folded under the store's case rule; assemblies without lines are absent.
    /// This one reads level by level, one componentsOfEach per level; a store that can do it
    /// in one statement does.
    virtual QHash<QString, ComponentLines> reachableLines(const QString& item);
    /// Of many assemblies, which have lines: element i for assemblies[i]. What a node needs to
    /// show that it opens, without its bill. This one reads their bills (componentsOfEach); a
    /// store that can look without reading them does.
    virtual std::vector<bool> haveLines(const QStringList& assemblies);
    /// Whether the line exists; when it does, its quantity (empty optional for Null).
    virtual std::optional<std::optional<double>> findQuantity(const QString& assembly,
                                                              const QString& component) = 0;
    /// Adds one line after checkNewLine's refusals, inside its transaction, so that no other
    /// editor's write can come between the checks and the insert; a quantity that is not a
    /// finite number is refused (InvalidQuantity). Every failure leaves the table as it was.
    virtual void addLine(const QString& assembly, const QString& component, double quantity,
                         const QDateTime& startDate) = 0;
    /// The checks of addLine on their own, in its order (CircularComponent, UnknownAssembly,
    /// PasteUnknownItem for a component that is no item, DuplicateLine; LineRules.h), the
    /// order in which writeLines checks each added line, so that a drop that would be refused
    /// says so before it asks for a quantity. addLine runs them again inside its transaction. The same code for
    /// every store, over the reads below.
    void checkNewLine(const QString& assembly, const QString& component);
    /// The line (assembly, component) as stored; empty when there is none. Every write of a
    /// line below touches one row at most: a key that matches several rows (tables made
    /// without the unique index under the key rule) fails with LineNotUnique and writes
    /// nothing.
    virtual std::optional<LineRow> findLine(const QString& assembly,
                                            const QString& component) = 0;
    /// The lines of these keys (each row's assembly and component) as stored, element i that
    /// of rows[i], empty where there is none; one findLine each unless a store can read them
    /// at once. For many lines, one call instead of a findLine each.
    virtual std::vector<std::optional<LineRow>> findLines(const std::vector<LineRow>& rows);
    /// Deletes the line and returns it as it was; empty when there was none.
    virtual std::optional<LineRow> takeLine(const QString& assembly,
                                            const QString& component) = 0;
    /// Puts a line back exactly as `row` holds it, with the checks of addLine; a line of that
    /// pair that is there already fails with LineChanged.
    virtual void restoreLine(const LineRow& row) = 0;
    /// Deletes the line only while it holds exactly `row`'s quantity and start date; otherwise
    /// fails with LineChanged and deletes nothing.
    virtual void removeUnchangedLine(const LineRow& row) = 0;
    /// Writes `quantity` only while the line's quantity is still `expected`; otherwise fails
    /// with LineChanged and writes nothing. Returns the line as written, start date included.
    LineRow changeQuantity(const QString& assembly, const QString& component,
                           const QVariant& expected, const QVariant& quantity) {
        return updateQuantity(assembly, component, expected, nullptr, quantity);
    }
    /// Writes `quantity` only while the line holds exactly `row`'s quantity and start date
    /// (as an earlier write left it); otherwise fails with LineChanged and writes nothing.
    /// Returns the line as written.
    LineRow changeUnchangedLine(const LineRow& row, const QVariant& quantity) {
        return updateQuantity(row.assembly, row.component, row.quantity, &row.startDate, quantity);
    }
    /// Whether `target` stands in the structure of `item` (or is `item` itself). A read that
    /// fails is an error (QueryFailed), never a "no".
    virtual bool structureContains(const QString& item, const QString& target) = 0;
    /// Every assembly that has `item` in its structure, directly or through sub-assemblies,
    /// sorted by level and then by assembly ID under the store's case rule; WhereUsedRow says
    /// what each row holds and what a cycle gives. One state of the tables. A store that has
    /// to read much first reports to `progress`, when given, how far it is (lines read of
    /// about how many); a false answer stops it with WhereUsedCancelled.
    virtual std::vector<WhereUsedRow> whereUsed(const QString& item,
                                                const ReadProgress& progress = {}) = 0;
    /// Hands `sink` every ItemMaster ID and then every BomDetail line, each once and as
    /// stored, from one state of the tables, for the database check (DatabaseCheck.h). False
    /// when the sink stopped it.
    virtual bool readForCheck(CheckSink& sink) = 0;

    /// Whether the assembly's bill has any line; for the rule of starting a bill.
    virtual bool hasLines(const QString& assembly) = 0;

    /// The checks of writeLines on every line of `batch`, each in turn as if those before it
    /// that pass were written (a refused line is skipped), writing nothing.
    virtual BatchRefusals checkLines(const LineBatch& batch) = 0;
    /// Writes `batch` in one transaction; the first refusal fails it (a StoreError whose text
    /// names the line) and nothing is written.
    virtual void writeLines(const LineBatch& batch) = 0;

    /// The assembly's own lines exactly as stored, in key order: for a copy of its bill.
    virtual std::vector<LineRow> lineRowsOf(const QString& assembly) = 0;
    /// Every line that lists `component` directly, exactly as stored, by assembly in key
    /// order: for a replace or a removal everywhere.
    virtual std::vector<LineRow> lineRowsUsing(const QString& component) = 0;

    /// Stops the call running now, from any thread: a running statement fails and a wait
    /// for another program's lock gives up, so that the call throws and its transaction is
    /// rolled back (nothing half-written). Meant for a store that is done with: later calls
    /// may fail as well. This one does nothing.
    virtual void interrupt() {}

    /// Names the command that this store's writes from now on belong to: the history keeps it
    /// with the change. A store that keeps no history ignores it.
    virtual void setCommand(const WriteCommand& command) { Q_UNUSED(command); }

    /// Why this database takes no writes, in words, as its connection found it when it was
    /// made (a server's read-only standby); empty where it takes them. Asks the database
    /// nothing.
    virtual QString writesRefused() const { return {}; }

    /// reachableLines for several items at once: every line reachable from any of them, each
    /// read once, level by level (one componentsOfEach per level for all of them).
    QHash<QString, ComponentLines> reachableLinesOfEach(const QStringList& items);

protected:
    /// The write of both quantity changes, in one transaction: `quantity` only while the line
    /// holds `expected` (and, when `startDate` is given, that start date), touching one row
    /// (errors::requireOneLine); the line is read back inside the transaction.
    virtual LineRow updateQuantity(const QString& assembly, const QString& component,
                                   const QVariant& expected, const QVariant* startDate,
                                   const QVariant& quantity) = 0;
};

/// The checks of Store::writeLines on every line of `batch` over the reads of `db`, each in
/// turn as if those before it that pass were written: the same code for every store, so that
/// a store that reads the tables its own way checks as the others do.
BatchRefusals batchRefusals(Store& db, const LineBatch& batch);

// Opening a store by its location, a database file's path or a server's address; the one
// place that tells the two apart is OpenStore.cpp.

/// Whether `location` is the address of a database server (postgresql:// or postgres://, or
/// key=value pairs that libpq reads, such as "service=plant") rather than the path of a
/// database file.
bool isServerAddress(const QString& location);

/// Whether `location` is meant as a server address rather than a file path: it starts with
/// "postgresql:" or "postgres:" in any letter case (blanks around it allowed, a mistyped
/// "postgresql:/host" included), or it is written as key=value pairs ("service=plant",
/// "host=/run/postgresql dbname=bom", read by libpq or not) and no file of that name exists.
bool looksLikeServerAddress(const QString& location);

/// For every text that shows or keeps a location: a server address as typed, or rebuilt
/// without its passwords where it held one, "postgresql://…" for one that cannot be read
/// (nothing of it is shown), and anything else (a file path) as it is.
QString withoutPassword(const QString& location);

/// The location to work on: a server address as typed, or rebuilt without its passwords where
/// it held one, a password that was there given to useServerPassword first, so that an
/// address typed with one (on a command line, say) works without showing or remembering it;
/// anything else as it is. Throws as parseServerAddress for a server address that cannot be
/// read.
QString withPasswordInMemory(const QString& location);

/// The database file that `location` names; empty for a server address.
std::optional<QString> databaseFile(const QString& location);

/// `location` as a person reads it: a file's path with the system's separators, a server's
/// address as it is.
QString shownLocation(const QString& location);

/// Opens the store at `location`: a PostgreSQL server for a server address (PgStore),
/// otherwise the SQLite file of that path (SqliteStore). Throws StoreError as they do.
std::unique_ptr<Store> openStore(const QString& location);

/// Store::writesRefused of the store last opened at `location`, kept from that opening, so
/// that an edit can be refused before it asks anything, at no cost of a trip; empty where
/// the location takes writes or was not opened yet (its write then refuses itself).
QString writesRefusedAt(const QString& location);

/// Creates the editor's tables where they are missing on the server at `location` (see
/// PgImportWriter::createTables) and returns those created; a location that is no server
/// address is refused with ImportUsage.
QStringList createServerTables(const QString& location);

} // namespace store
