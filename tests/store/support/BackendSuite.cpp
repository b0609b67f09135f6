#include "BackendSuite.h"

#include <QTest>

bool ServerSuite::needServer() {
    if (!m_start) {
        m_start = m_server.startForTests();
        if (m_start->problem.isEmpty())
            qInfo("PostgreSQL test server ready in %lld ms", m_server.startMilliseconds());
        else if (!m_start->fatal)
            qInfo("%s: the PostgreSQL cases are skipped", qPrintable(m_start->problem));
    }
    if (m_server.isRunning())
        return true;
    if (m_start->fatal)
        QTest::qFail(qPrintable(m_start->problem), __FILE__, __LINE__);
    else
        QTest::qSkip(qPrintable(m_start->problem + QStringLiteral("; skipped")), __FILE__,
                     __LINE__);
    return false;
}

const std::pair<StoreBackend::Kind, const char*> BackendSuite::Backends[2] = {
    {StoreBackend::Sqlite, "SQLite"}, {StoreBackend::Postgres, "PostgreSQL"}};

BackendSuite::BackendSuite(QString fileName) : m_fileName(std::move(fileName)) {}

StoreBackend::Kind BackendSuite::kind() const {
    QFETCH_GLOBAL(int, kind);
    return StoreBackend::Kind(kind);
}

StoreBackend BackendSuite::backend() const {
    return StoreBackend(kind(), m_dir.filePath(m_fileName), &m_server);
}

void BackendSuite::initTestCase_data() {
    QTest::addColumn<int>("kind");
    for (const auto& [kind, name] : Backends)
        QTest::newRow(name) << int(kind);
}

void BackendSuite::init() {
    if (kind() == StoreBackend::Postgres)
        needServer();
}
