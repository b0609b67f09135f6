#pragma once

// The where-used walk of both stores: the lines that lead up from an item, numbered and
// walked in memory, so that the SQLite file and the server give the same rows in the same
// order for the same lines. Used by the files of src/store only.

#include "store/Store.h"

#include <QByteArrayView>
#include <QString>

#include <memory>
#include <vector>

namespace store {

/// Lines turned upward, from each component to the assemblies that list it: every distinct
/// item ID once (numbered, under the store's case rule) and each line as a pair of numbers
/// and a quantity code, so that a whole table fits in some 16 bytes a line and can be kept
/// for later walks. Lines are added, then sealed; a sealed set is only read.
class UpwardLines {
public:
    /// What a line's quantity column holds.
    enum class Quantity { Number, Null, NotANumber };

    UpwardLines();
    ~UpwardLines();
    UpwardLines(const UpwardLines&) = delete;
    UpwardLines& operator=(const UpwardLines&) = delete;

    /// One line as stored (IDs as UTF-8 bytes). Every line from which the item can be reached
    /// upward must be added; others may be, and are then passed over.
    void addLine(QByteArrayView assembly, QByteArrayView component, Quantity kind,
                 double quantity);
    /// Room for about this many lines, so that a large table is read without the copies of
    /// a growing list.
    void reserve(qint64 lines);
    /// Groups the lines by component; nothing can be added afterwards.
    void seal();
    /// The memory held, in bytes.
    qint64 bytes() const;

private:
    friend class UpwardWalk;
    struct State;
    std::unique_ptr<State> m;
};

class UpwardWalk {
public:
    using Quantity = UpwardLines::Quantity;

    /// A walk over lines of its own, given with addLine.
    UpwardWalk();
    /// A walk over sealed lines that others may share.
    explicit UpwardWalk(std::shared_ptr<const UpwardLines> lines);
    ~UpwardWalk();
    UpwardWalk(const UpwardWalk&) = delete;
    UpwardWalk& operator=(const UpwardWalk&) = delete;

    /// Adds a line to a walk over lines of its own, before walk() (UpwardLines::addLine).
    void addLine(QByteArrayView assembly, QByteArrayView component, Quantity kind,
                 double quantity);
    /// Walks upward from `item` over the lines and returns the rows as WhereUsedRow describes
    /// them, sorted, with `level`, `quantity` and `circular` set; the assemblies' spellings and
    /// ItemMaster facts are left to the caller (spelling(), rowOf()). A quantity on the way
    /// that is not a number fails with QueryFailed. Costs what the rows found cost, however
    /// many lines there are.
    std::vector<WhereUsedRow> walk(const QString& item);
    /// After walk(): the ID of the row's assembly as first met in the lines, as stored.
    QByteArrayView spelling(size_t row) const;
    /// After walk(): the row of the assembly with this ID under the store's case rule, or -1.
    int rowOf(QByteArrayView id) const;

private:
    /// A line on the way up from the item, between the walk's own numbers of its assembly and
    /// its component, with its quantity's code.
    struct PathLine {
        int assembly;
        int component;
        quint32 quantity;
    };
    /// Gives each top of `rows` its first paths down to `item` (the walk's number of the item)
    /// over the lines on the way, within the budgets of WhereUsedRow::paths.
    void listPaths(std::vector<WhereUsedRow>& rows, std::vector<PathLine> onTheWay,
                   const std::vector<int>& rowOfLocal, const std::vector<int>& localOfRow,
                   const std::vector<int>& nodeOfLocal, int item) const;

    struct State;
    std::unique_ptr<State> m;
};

} // namespace store
