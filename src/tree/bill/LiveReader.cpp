#include "tree/bill/LiveReader.h"

#include "store/runtime/StoreThread.h"
#include "tree/bill/BomDocument.h"

namespace tree {

LiveReader::LiveReader(BomDocument& document, QObject* parent)
    : QObject(parent), m_document(document) {}

LiveReader::~LiveReader() { stop(); }

bool LiveReader::start(const QString& location, const store::Changes& changes, bool items) {
    stop();
    // The rest of a bill still being read may have been read before this change: read anew.
    m_document.readRestAgain();
    m_location = location;
    m_changes = changes;
    m_plan = m_document.planChanges(changes);
    m_fresh.reset();
    m_items.reset();
    m_failure.reset();
    if (!m_plan && !items)
        return false;
    // The read fills what is its own; the window's thread looks at it only once it has ended.
    auto plan = m_plan;
    auto fresh = std::make_shared<std::optional<FreshLines>>();
    auto list = std::make_shared<std::optional<std::vector<store::ItemLine>>>();
    m_running = true;
    m_trip = std::make_unique<store::BackgroundTrip>(
        location,
        [plan, fresh, list, items](store::StoreCall& call) {
            if (plan)
                *fresh = readChanges(call.db(), plan->read);
            if (items && !call.cancelled())
                *list = call.db().itemLines();
        },
        this,
        [this, fresh, list](std::exception_ptr failure) {
            m_running = false;
            try {
                if (failure)
                    std::rethrow_exception(failure);
                m_fresh = std::move(*fresh);
                m_items = std::move(*list);
            } catch (const store::StoreError& error) {
                m_failure = error;
            }
            Q_EMIT finished();
        });
    return true;
}

void LiveReader::stop() {
    m_trip.reset();
    m_running = false;
}

LiveReader::Shown LiveReader::show(ShownChanges& shown) {
    shown = {};
    m_trip.reset();
    if (m_failure)
        return Shown::Failed;
    if (m_plan && m_fresh && !m_document.showChanges(*m_plan, *m_fresh, shown))
        return Shown::MovedOn;
    return Shown::Done;
}

} // namespace tree
