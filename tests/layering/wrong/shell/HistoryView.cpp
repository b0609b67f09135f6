#include "store/runtime/StoreThread.h"
#include "store/runtime/ChangeWatcher.h"
#include "store/StoreError.h"
#include "tree/history/HistoryReads.h"
// A comment may name store::openHistory and StoreCall.
void read(store::StoreCall& call) { call.db().findItem(QString()); }
auto log = store::openHistory(location);
const store::StoreError error(0, QString());
std::unique_ptr<store::Store> db;
bool waiting = tree::storeWaiting();
