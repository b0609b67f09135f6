#include "store/sqlite/history/OwnCommits.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include <sqlite3.h>
#include <sys/stat.h>

#include <set>

namespace store::history {

namespace {

/// Steps of one file's counter taken by this process's commits, not yet asked about, and the
/// write under way. Each write adds one; a watch forgets them as it asks, and a process
/// without a watch keeps the newest few.
struct FileSteps {
    std::set<quint32> committed;
    std::optional<quint32> underWay;
};

constexpr std::size_t MostKept = 4096;

QMutex g_lock;
QHash<QString, FileSteps> g_steps;

/// Counters wrap at 2^32: `at` lies in [from, to) counted from `from`.
bool within(quint32 at, quint32 from, quint32 to) {
    return quint32(at - from) < quint32(to - from);
}

} // namespace

std::optional<quint32> changeCounter(sqlite3* db, const char* schema) {
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, schema, SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file ||
        !file->pMethods)
        return std::nullopt;
    unsigned char header[28];
    if (file->pMethods->xRead(file, header, sizeof header, 0) != SQLITE_OK)
        return std::nullopt;
    // Bytes 18 and 19 are the read and write versions: 2 in write-ahead-log mode.
    if (header[18] == 2 || header[19] == 2)
        return std::nullopt;
    return quint32(header[24]) << 24 | quint32(header[25]) << 16 | quint32(header[26]) << 8 |
           quint32(header[27]);
}

QString fileKey(const QString& path) {
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return {};
    return QStringLiteral("%1:%2").arg(info.st_dev).arg(info.st_ino);
}

void beginOwnCommit(const QString& key, quint32 before) {
    const QMutexLocker lock(&g_lock);
    g_steps[key].underWay = before;
}

void endOwnCommit(const QString& key, quint32 before, bool wrote) {
    const QMutexLocker lock(&g_lock);
    FileSteps& steps = g_steps[key];
    if (steps.underWay == before)
        steps.underWay.reset();
    if (!wrote)
        return;
    steps.committed.insert(before);
    if (steps.committed.size() > MostKept)
        steps.committed.erase(steps.committed.begin());
}

std::optional<quint32> ownCommitUnderWay(const QString& key) {
    const QMutexLocker lock(&g_lock);
    const auto found = g_steps.constFind(key);
    return found == g_steps.cend() ? std::nullopt : found->underWay;
}

bool onlyOwnCommits(const QString& key, quint32 from, quint32 to) {
    const QMutexLocker lock(&g_lock);
    FileSteps& steps = g_steps[key];
    bool all = quint32(to - from) <= MostKept;
    // The write under way holds the lock at its step: the counter moved on from there only
    // by its commit, which a watch may hear of before the write has said it ended.
    for (quint32 at = from; all && at != to; ++at)
        all = steps.committed.count(at) > 0 || steps.underWay == at;
    for (auto it = steps.committed.begin(); it != steps.committed.end();)
        it = within(*it, from, to) ? steps.committed.erase(it) : std::next(it);
    return all;
}

} // namespace store::history
