#include "tree/bill/LiveWatch.h"

#include "store/runtime/ChangeWatcher.h"

namespace tree {

LiveWatch::LiveWatch(const QString& location, QObject* parent)
    : QObject(parent), m_watcher(std::make_unique<store::ChangeWatcher>(location)) {
    connect(m_watcher.get(), &store::ChangeWatcher::watching, this, &LiveWatch::watching);
    connect(m_watcher.get(), &store::ChangeWatcher::changed, this, &LiveWatch::changed);
    connect(m_watcher.get(), &store::ChangeWatcher::editorsChanged, this,
            &LiveWatch::editorsChanged);
    connect(m_watcher.get(), &store::ChangeWatcher::notice, this, &LiveWatch::notice);
}

LiveWatch::~LiveWatch() = default;

void LiveWatch::setIntervals(int pollMs, int groupMs) { m_watcher->setIntervals(pollMs, groupMs); }

} // namespace tree
