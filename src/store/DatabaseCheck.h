#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "store/WholeUnits.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace store {

class Store;

/// An item ID as stored, as the database check reads it.
struct StoredId {
    /// The ID; when its bytes are not valid UTF-8, their readable form ('CAF\xE9').
    QString text;
    /// The bytes as stored, only when they are not valid UTF-8 text (never empty then).
    QByteArray invalidBytes;
};

/// A line's quantity column as stored.
struct StoredQuantity {
    enum Kind { Number, Null, Text };
    Kind kind = Null;
    double value = 0;
    QString text; ///< what a Text column holds
};

/// What a store hands the database check: ItemMaster's IDs, then BomDetail's lines, each row
/// once and as stored, all from one state of the tables.
class CheckSink {
public:
    virtual ~CheckSink() = default;
    /// About how many rows each table holds; 0 where the store cannot tell cheaply.
    virtual void expect(qint64 items, qint64 lines) = 0;
    /// An ItemMaster row: its ID and its unit (empty for Null).
    virtual void item(const StoredId& id, const QString& unit) = 0;
    virtual void line(const StoredId& assembly, const StoredId& component,
                      const StoredQuantity& quantity) = 0;
    /// Asked every few thousand rows: false stops the reading.
    virtual bool proceed() = 0;
};

/// One thing the database check found.
struct CheckFinding {
    /// In the order the check lists them.
    enum Kind {
        Cycle,
        AssemblyNotInItemMaster,
        ComponentNotInItemMaster,
        AssemblyIdDiffers,
        ComponentIdDiffers,
        NoQuantity,
        ZeroQuantity,
        NegativeQuantity,
        QuantityNotANumber,
        LineIdNotUtf8,
        ItemIdNotUtf8,
        FractionalQuantity, ///< not a whole number, in a unit counted in whole pieces
    };
    Kind kind;
    /// The line's assembly (for a cycle: the item it starts from; for an ItemMaster row: its
    /// ID), readable even when not valid UTF-8.
    QString assembly;
    /// The line's component (for a cycle: the next item on its path); empty for an item.
    QString component;
    /// What is wrong, in words, with the values concerned.
    QString detail;
    /// Whether `assembly` can be loaded in the tree: an ID that is not valid text cannot.
    bool loadable = true;
    /// For a cycle: the items of one way round it, from `assembly` back to it.
    QStringList path;
};

/// The kind's name: in English for the findings' file and bom-import, which other programs
/// read; in the user's language where the window shows it (`shown`).
QString kindName(CheckFinding::Kind kind, bool shown = false);

/// What the check found. A database of millions of lines may hold millions of findings, so
/// each is kept as a few numbers and put into words only when it is asked for.
class CheckReport {
public:
    CheckReport();
    ~CheckReport();
    CheckReport(CheckReport&&) noexcept;
    CheckReport& operator=(CheckReport&&) noexcept;

    qint64 items = 0; ///< ItemMaster rows read
    qint64 lines = 0; ///< BomDetail lines read

    size_t size() const;
    bool empty() const { return size() == 0; }
    /// The finding at `at`, its detail in English, or in the user's language when `shown`.
    CheckFinding finding(size_t at, bool shown = false) const;
    /// Orders the findings by a column of the list (0 kind, 1 assembly, 2 component,
    /// 3 detail, as the window shows it), the other columns breaking ties; IDs by the store's
    /// case rule. The check hands them over ordered by kind.
    void sortBy(int column, bool descending);

private:
    friend class DatabaseChecker;
    struct Data;
    std::unique_ptr<Data> m_data;
};

/// Reports how far the check is; false once the user has cancelled it.
using CheckProgress = std::function<bool(qint64 done, qint64 total)>;

/// Checks the whole database: every cycle of the structure (each strongly connected group of
/// items, with one path around it), every line whose assembly or component has no ItemMaster
/// row, every line ID that matches its ItemMaster row only under the store's case rule or only
/// without its leading and trailing blanks, Null, zero, negative and non-numeric quantities,
/// IDs that are not valid UTF-8, and quantities that are not whole numbers on a component
/// whose unit is one of `wholeUnits`. Reads each table once and works in memory; only reads.
/// Empty when `progress` cancelled it. Throws StoreError as the store's reads do.
std::optional<CheckReport> checkDatabase(Store& store, const CheckProgress& progress,
                                         const WholeUnits& wholeUnits = WholeUnits(QStringList()));

} // namespace store
