#pragma once

#include "store/Draft.h"
#include "store/Store.h"

#include <QHash>
#include <QPair>

#include <memory>

namespace store {

/// The tables as an open draft would leave them, as a store: every read is the live store's
/// with the draft's lines put over it, and every write goes into the draft instead of the
/// tables, after the same checks as a write into the tables, run over those reads (so that a
/// line is checked against the tables with the draft applied). A line that enters the draft
/// keeps the row the tables hold at that moment as its base. The Item Master is the live one:
/// a draft holds lines only. For one operation, as any store.
class DraftStore : public Store {
public:
    /// `draft` must be open (DraftNotOpen otherwise); its lines are read now.
    DraftStore(std::unique_ptr<Store> live, std::unique_ptr<Drafts> drafts, const DraftInfo& draft);

    const DraftInfo& draft() const { return m_draft; }
    Store& live() { return *m_live; }

    std::vector<ItemLine> itemLines() override { return m_live->itemLines(); }
    std::optional<Item> findItem(const QString& id) override { return m_live->findItem(id); }
    std::vector<std::optional<Item>> findItems(const QStringList& ids) override {
        return m_live->findItems(ids);
    }
    std::vector<ComponentLines> componentsOfEach(const QStringList& assemblies) override;
    QHash<QString, ComponentLines> allComponentLines() override;
    qint64 lineEstimate() override { return m_live->lineEstimate(); }
    QHash<QString, ComponentLines> reachableLines(const QString& item) override;
    std::optional<std::optional<double>> findQuantity(const QString& assembly,
                                                      const QString& component) override;
    std::optional<LineRow> findLine(const QString& assembly, const QString& component) override;
    std::vector<std::optional<LineRow>> findLines(const std::vector<LineRow>& rows) override;
    bool structureContains(const QString& item, const QString& target) override;
    /// Walked in memory over every line with the draft applied.
    std::vector<WhereUsedRow> whereUsed(const QString& item,
                                        const ReadProgress& progress = {}) override;
    /// The database check reads the tables themselves: it checks what the manufacturing
    /// application reads.
    bool readForCheck(CheckSink& sink) override { return m_live->readForCheck(sink); }
    bool hasLines(const QString& assembly) override;
    std::vector<LineRow> lineRowsOf(const QString& assembly) override;
    std::vector<LineRow> lineRowsUsing(const QString& component) override;

    void addLine(const QString& assembly, const QString& component, double quantity,
                 const QDateTime& startDate) override;
    std::optional<LineRow> takeLine(const QString& assembly, const QString& component) override;
    void restoreLine(const LineRow& row) override;
    void removeUnchangedLine(const LineRow& row) override;
    BatchRefusals checkLines(const LineBatch& batch) override;
    void writeLines(const LineBatch& batch) override;

    void interrupt() override { m_live->interrupt(); }
    QString writesRefused() const override { return m_live->writesRefused(); }

protected:
    LineRow updateQuantity(const QString& assembly, const QString& component,
                           const QVariant& expected, const QVariant* startDate,
                           const QVariant& quantity) override;

private:
    using Key = QPair<QString, QString>;
    static Key keyOf(const QString& assembly, const QString& component);
    /// The draft's line of this key, or a line of the tables as they are now, base and draft
    /// row alike, to be changed and put.
    DraftLine entry(const QString& assembly, const QString& component);
    /// entry() for many lines, the tables read once for all of them.
    std::vector<DraftLine> entries(const std::vector<LineRow>& rows);
    /// Writes the lines into the draft, all or none, then into what this store reads.
    void put(const std::vector<DraftLine>& lines);
    /// The draft's lines of one assembly (by folded ID), its rows put over `lines` (in key
    /// order), with the components' Item Master facts read at once.
    void overlay(const QString& assemblyKey, ComponentLines& lines);

    /// The Item Master rows of these IDs, each read once for the store's life.
    std::vector<std::optional<Item>> itemsOf(const QStringList& ids);

    std::unique_ptr<Store> m_live;
    std::unique_ptr<Drafts> m_drafts;
    DraftInfo m_draft;
    QHash<Key, DraftLine> m_lines;
    /// The keys of the draft's lines by folded assembly and by folded component.
    QHash<QString, QList<Key>> m_byAssembly;
    QHash<QString, QList<Key>> m_byComponent;
    QHash<QString, std::optional<Item>> m_items;
    bool m_itemsRead = false;
};

/// The store of the open draft `name` over the tables at `location` (openStore's, never another
/// draft's; openDrafts; their errors, DraftNotFound, DraftNotOpen).
std::unique_ptr<DraftStore> openDraftStore(const QString& location, const QString& name);

/// Shows the tables at `location` with the draft `name` applied in this process from now on:
/// every store that openStore opens there is that draft's store, so that every operation reads
/// and edits the draft through its usual store. An empty name shows the tables themselves.
void showDraftAt(const QString& location, const QString& name);
/// The draft shown at `location`; empty for none.
QString draftShownAt(const QString& location);

} // namespace store
