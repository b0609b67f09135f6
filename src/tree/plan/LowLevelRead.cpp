#include "tree/plan/LowLevelRead.h"

#include "store/ItemKey.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "store/runtime/StoreThread.h"

#include <QHash>

namespace tree {

LowLevelRead::LowLevelRead(const QString& location, QObject* context,
                           std::function<void(const StoredCodes& read)> done) {
    // Filled on the store's thread, handed over once the trip has ended.
    auto read = std::make_shared<StoredCodes>();
    m_trip = std::make_unique<store::BackgroundTrip>(
        location,
        [read](store::StoreCall& call) {
            const QHash<QString, store::ComponentLines> all = call.db().allComponentLines();
            std::vector<std::pair<QString, QString>> lines;
            // Every item on or below a cycle is some line's component: its spelling there.
            QHash<QString, QString> spelling;
            for (auto bill = all.cbegin(); bill != all.cend(); ++bill)
                for (const store::ComponentLine& line : *bill) {
                    lines.emplace_back(bill.key(), line.id);
                    spelling.insert(store::foldKey(line.id), line.id);
                }
            LowLevelCodes codes = lowLevelCodes(lines);
            for (const QString& id : codes.circular)
                read->circular.append(spelling.value(store::foldKey(id), id));
            read->circular.sort(Qt::CaseInsensitive);
            read->codes = std::move(codes);
        },
        context,
        [read, done = std::move(done)](std::exception_ptr failure) {
            if (failure) {
                StoredCodes failed;
                try {
                    std::rethrow_exception(failure);
                } catch (const store::StoreError& error) {
                    failed.failure = error.message();
                } catch (...) {
                }
                done(failed);
                return;
            }
            done(*read);
        });
}

LowLevelRead::~LowLevelRead() = default;

} // namespace tree
