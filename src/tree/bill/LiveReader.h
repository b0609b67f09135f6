#pragma once

#include "store/ChangeSet.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "tree/bill/LiveChanges.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace store {
class BackgroundTrip;
}

namespace tree {

class BomDocument;

/// Reads what other editors and programs changed of the loaded bill while the window goes on
/// (a store trip nobody waits for, with neither a busy box nor held keystrokes), and shows it
/// over the document once the window asks: the one way a live change comes into the bill.
class LiveReader : public QObject {
    Q_OBJECT
public:
    explicit LiveReader(BomDocument& document, QObject* parent = nullptr);
    ~LiveReader() override;

    /// Starts reading, at `location`, what `changes` touch of the bill (planned over the
    /// document as it stands now) and, with `items`, the Item Master list. False when there is
    /// nothing to read; `finished` comes once the read has ended.
    bool start(const QString& location, const store::Changes& changes, bool items);
    /// Whether a read runs.
    bool running() const { return m_running; }
    /// Stops the read running, if any; nothing of it comes back. Waits a moment at most: a
    /// server that no longer answers must not hold the window.
    void stop();

    /// What became of a read when it was shown.
    enum class Shown {
        Done,    ///< the bill shows it (`shown` says what differed)
        Failed,  ///< the read failed (failure()); nothing changed
        MovedOn, ///< the bill changed while the read ran (an edit, a load): read again
    };
    /// Shows the ended read over the document.
    Shown show(ShownChanges& shown);
    /// Of the ended read: where and what it read, its failure, and the Item Master list.
    const QString& location() const { return m_location; }
    const store::Changes& changes() const { return m_changes; }
    const std::optional<store::StoreError>& failure() const { return m_failure; }
    const std::optional<std::vector<store::ItemLine>>& items() const { return m_items; }

Q_SIGNALS:
    void finished();

private:
    BomDocument& m_document;
    std::unique_ptr<store::BackgroundTrip> m_trip;
    bool m_running = false;
    QString m_location;
    store::Changes m_changes;
    std::optional<ChangePlan> m_plan;
    std::optional<FreshLines> m_fresh;
    std::optional<std::vector<store::ItemLine>> m_items;
    std::optional<store::StoreError> m_failure;
};

} // namespace tree
