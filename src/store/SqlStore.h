#pragma once

// The part of a store that is the same on every database: the reads of one line or item and
// every write of lines, over a few primitives that each store implements on its connection.

#include "store/History.h"
#include "store/Statement.h"
#include "store/Store.h"

#include <functional>
#include <memory>

namespace store {

/// A store on an SQL connection. Its writes of lines run here, in one order and with one set
/// of refusals for every database: a write transaction, the checks inside it, then the rows
/// written through the statements of Sql. A store gives the statements' texts (prepare), its
/// transactions (beginWrite) and the two writes whose statement differs in shape (takeRow,
/// updateRow), and overrides the reads it does its own way.
class SqlStore : public Store {
public:
    std::optional<Item> findItem(const QString& id) override;
    std::optional<std::optional<double>> findQuantity(const QString& assembly,
                                                      const QString& component) override;
    std::optional<LineRow> findLine(const QString& assembly, const QString& component) override;
    bool structureContains(const QString& item, const QString& target) override;
    std::vector<LineRow> lineRowsOf(const QString& assembly) override;
    std::vector<LineRow> lineRowsUsing(const QString& component) override;

    /// In a transaction that holds the store's structure lock (beginWrite) from the first
    /// check to the commit, so another program cannot slip in a line that the checks would
    /// have refused: a quantity that is not finite (InvalidQuantity, before the transaction),
    /// then checkNewLine's refusals in its order, then the insert. Every failure leaves the
    /// table as it was.
    void addLine(const QString& assembly, const QString& component, double quantity,
                 const QDateTime& startDate) override;
    /// Code that addLine runs inside its transaction, after its checks and right before the
    /// insert; empty for none. Lets a test act as another program at the one moment when a
    /// write of its could undo what the checks found.
    void setBeforeInsert(std::function<void()> hook) { m_beforeInsert = std::move(hook); }
    /// In a transaction of its own: a delete that found several rows is rolled back.
    std::optional<LineRow> takeLine(const QString& assembly, const QString& component) override;
    /// Holds the structure lock as addLine does: a line of the pair that is there already
    /// fails with LineChanged, then the cycle check, then the insert.
    void restoreLine(const LineRow& row) override;
    void removeUnchangedLine(const LineRow& row) override;
    /// Holds the structure lock from the checks to the commit, as addLine does.
    void writeLines(const LineBatch& batch) override;

    void setCommand(const WriteCommand& command) override;
    /// The history that every write of this store records into (see ChangeRecorder); none
    /// unless set.
    void setRecorder(std::unique_ptr<ChangeRecorder> recorder);

protected:
    /// Which lock a write transaction holds besides the rows it writes.
    enum class Lock {
        Rows,      ///< none: a delete or a change of one line
        Structure, ///< the store's lock for writes that add lines, so that two editors' cycle
                   ///< checks run one after the other
    };
    /// A statement of `which` prepared on the connection; `failureNumber` numbers a failure of
    /// running it (a store may number a failure to prepare it as well).
    virtual std::unique_ptr<Statement> prepare(Sql which, const QString& what,
                                               int failureNumber = QueryFailed) = 0;
    /// Begins a write transaction that makes the reads inside it true until the commit;
    /// failures are WriteFailed under `what`.
    virtual std::unique_ptr<Transaction> beginWrite(const QString& what, Lock lock) = 0;
    /// Inside the caller's write transaction: deletes the line and returns it as it was, empty
    /// when there was none; a key that matches several rows fails with LineNotUnique.
    virtual std::optional<LineRow> takeRow(const QString& assembly, const QString& component,
                                           const QString& what) = 0;
    /// Inside the caller's write transaction: writes `quantity` only while the line holds
    /// `expected` (and, when given, `startDate`), touching one row (errors::requireOneLine),
    /// and returns the line as written.
    virtual LineRow updateRow(const QString& assembly, const QString& component,
                              const QVariant& expected, const QVariant* startDate,
                              const QVariant& quantity, const QString& what) = 0;
    /// Inserts each row exactly as it holds it, unchecked: one InsertLine each unless a store
    /// has a faster way.
    virtual void insertRows(const std::vector<LineRow>& rows, const QString& what);
    /// Deletes each row only while it holds exactly its quantity and start date, touching one
    /// row each (errors::requireOneLine).
    void removeRows(const std::vector<LineRow>& rows, const QString& what);

    /// The checks of a batch, the same code for every store, over the reads: the lines of the
    /// assemblies that gain lines and the structure below every component added, each read
    /// once; the caller holds the transaction that makes them one state of the tables.
    BatchRefusals refusalsOf(const LineBatch& batch);
    /// writeLines' work inside the caller's write transaction: the checks, the first refusal
    /// thrown, then removeRows and insertRows.
    void writeBatch(const LineBatch& batch);

    /// Both quantity changes: updateRow in a write transaction of its own.
    LineRow updateQuantity(const QString& assembly, const QString& component,
                           const QVariant& expected, const QVariant* startDate,
                           const QVariant& quantity) final;

    /// Commits a write whose rows changed as `changes` say: recorded as pending first, the
    /// record completed after the commit or dropped when the commit fails.
    void commitRecorded(Transaction& transaction, const std::vector<LineChange>& changes);
    const WriteCommand& command() const { return m_command; }

private:
    /// Inserts one line exactly as `row` holds it, unchecked.
    void insertLine(const LineRow& row, const QString& what);

    std::function<void()> m_beforeInsert;
    WriteCommand m_command;
    std::unique_ptr<ChangeRecorder> m_recorder;
};

} // namespace store
