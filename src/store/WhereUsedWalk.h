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

class UpwardWalk {
public:
    /// What a line's quantity column holds.
    enum class Quantity { Number, Null, NotANumber };

    UpwardWalk();
    ~UpwardWalk();
    UpwardWalk(const UpwardWalk&) = delete;
    UpwardWalk& operator=(const UpwardWalk&) = delete;

    /// One line as stored (IDs as UTF-8 bytes). Every line from which the item can be reached
    /// upward must be added; others may be, and are then passed over.
    void addLine(QByteArrayView assembly, QByteArrayView component, Quantity kind,
                 double quantity);
    /// Walks upward from `item` over the lines added and returns the rows as WhereUsedRow
    /// describes them, sorted, with `level`, `quantity` and `circular` set; the assemblies'
    /// spellings and ItemMaster facts are left to the caller (spelling(), rowOf()). A quantity
    /// on the way that is not a number fails with QueryFailed.
    std::vector<WhereUsedRow> walk(const QString& item);
    /// After walk(): the ID of the row's assembly as first met in the lines, as stored.
    QByteArrayView spelling(size_t row) const;
    /// After walk(): the row of the assembly with this ID under the store's case rule, or -1.
    int rowOf(QByteArrayView id);

private:
    struct State;
    std::unique_ptr<State> m;
};

} // namespace store
