#pragma once

#include "store/Draft.h"

#include <QString>

#include <optional>

struct sqlite3;

namespace store::history {

/// The drafts of a database file, kept in tables of their own in the file's history (so that
/// everyone who edits the file shares them, and the file itself is never altered). The history
/// file is opened as the history opens it (made when missing, checked, a damaged one set
/// aside), then the drafts' own tables are made where missing. Every write holds the history
/// file's write lock for its one transaction; failures are DraftUnreadable.
class SqliteDrafts : public Drafts {
public:
    explicit SqliteDrafts(const QString& databasePath);
    ~SqliteDrafts() override;
    SqliteDrafts(const SqliteDrafts&) = delete;
    SqliteDrafts& operator=(const SqliteDrafts&) = delete;

    std::vector<DraftInfo> list() override;
    DraftInfo find(const QString& name) override;
    DraftInfo create(const QString& name, const QString& reason) override;
    std::vector<DraftLine> lines(qint64 draft) override;
    void putLines(qint64 draft, const std::vector<DraftLine>& lines) override;
    bool claim(qint64 draft) override;
    void markApplied(qint64 draft) override;
    void release(qint64 draft) override;
    void settle(qint64 draft, bool written) override;
    void discard(qint64 draft) override;
    DraftEditor hold(qint64 draft) override;
    void letGo(qint64 draft) override;

private:
    void exec(const char* sql, const QString& what);
    /// Who else holds the draft for editing, where their hold has not lapsed.
    std::optional<DraftEditor> otherEditor(qint64 draft, const QString& what);
    /// hold() inside a write transaction begun by the caller.
    DraftEditor takeHold(qint64 draft, const QString& what);
    /// Runs an UPDATE of one draft's row with the user and the time bound; the rows it changed.
    int updateDraft(const char* sql, qint64 draft, const QString& what);

    QString m_path;
    sqlite3* m_db = nullptr;
};

} // namespace store::history
