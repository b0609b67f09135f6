// The ways teams reach their servers: a service file and every libpq setting, the user's own
// application name, several hosts, and PgBouncer in transaction pooling in front of the
// server, each with a throw-away server (and pooler) of the test's own.

#include "store/History.h"
#include "store/ImportWriter.h"
#include "store/ItemKey.h"
#include "store/runtime/ChangeWatcher.h"
#include "store/ServerAddress.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "support/BackendSuite.h"
#include "support/PgBouncer.h"

#include "store/PasswordCache.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QSignalSpy>
#include <QProcess>
#include <QTest>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const std::vector<ItemRow> Items{{"TOP", "Top", "EA"}, {"SUB", "Sub", "EA"},
                                 {"BOLT", "Bolt", "PC"}, {"NUT", {}, "PC"}};
const std::vector<Line> Lines{{"TOP", "SUB", 2}, {"SUB", "BOLT", 4}};

/// A TCP port of 127.0.0.1 that nobody listens on now.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
    ::close(fd);
    return ntohs(address.sin_port);
}

/// Runs openssl in `folder`; its output when it failed, empty otherwise.
QString openssl(const QString& folder, const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(u"openssl"_s, arguments);
    if (!process.waitForFinished(20000) || process.exitCode() != 0)
        return u"openssl "_s + arguments.join(u' ') + u": "_s +
               QString::fromLocal8Bit(process.readAll());
    return {};
}

/// Another editor's change on the primary seen by a watch of `location` within 5 s, the
/// notice of how it is looked for said once.
void changeShowsWithin5s(const PgServer& primary, const QString& location,
                         const QString& noticeSays) {
    store::ChangeWatcher watcher(location);
    watcher.setIntervals(500, 50);
    QSignalSpy watching(&watcher, &store::ChangeWatcher::watching);
    QSignalSpy changed(&watcher, &store::ChangeWatcher::changed);
    QSignalSpy notices(&watcher, &store::ChangeWatcher::notice);
    QVERIFY(watching.wait(10000));
    QTRY_COMPARE_WITH_TIMEOUT(notices.size() > 0, true, 3000);
    QVERIFY2(notices.at(0).at(0).toString().contains(noticeSays),
             qPrintable(notices.at(0).at(0).toString()));
    changed.clear();
    execOnServer(primary, {u"UPDATE bomdetail SET bomqtyreq = bomqtyreq + 1 WHERE bomid = 'TOP'"_s});
    QTRY_VERIFY_WITH_TIMEOUT(!changed.isEmpty(), 5000);
    QCOMPARE(changed.at(0).at(0).value<store::Changes>().everything, true);
    const auto said = [&](const QString& text) {
        int times = 0;
        for (const QList<QVariant>& notice : notices)
            times += notice.at(0).toString().contains(text);
        return times;
    };
    QCOMPARE(said(noticeSays), 1);
}

} // namespace

class ServerReachTest : public ServerSuite {
    Q_OBJECT

    QTemporaryDir m_dir;

    /// A service file that names this test's server as [plant], with `extra` lines.
    void writeServiceFile(const QString& extra = {}) {
        QFile file(m_dir.filePath(u"pg_service.conf"_s));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("[plant]\nhost=%1\ndbname=postgres\nuser=%2\n%3")
                       .arg(m_server.socketFolder(), m_server.user(), extra)
                       .toUtf8());
        qputenv("PGSERVICEFILE", file.fileName().toUtf8());
    }

    /// The application names of the sessions on the server that carry this editor's tag.
    QStringList taggedSessions() {
        return execOnServer(m_server,
                            {u"SELECT string_agg(application_name, '|' ORDER BY application_name)"
                             " FROM pg_stat_activity WHERE application_name LIKE"
                             " '%fabrilux-bom-%'"_s})
            .toString()
            .split(u'|', Qt::SkipEmptyParts);
    }

private Q_SLOTS:
    void init() { needServer(); }
    void cleanup() {
        qunsetenv("PGSERVICEFILE");
        qunsetenv("PGSERVICE");
        qunsetenv("PGAPPNAME");
    }

    void aServiceAndEveryLibpqSettingReachTheServer() {
        StoreBackend(StoreBackend::Postgres, {}, &m_server).write(Items, Lines);
        writeServiceFile(u"application_name=plantapp\n"_s);
        // By its name alone, read as an address, shown and kept as typed.
        const QString service = u"service=plant"_s;
        QVERIFY(store::looksLikeServerAddress(service));
        QVERIFY(store::isServerAddress(service));
        QCOMPARE(store::withPasswordInMemory(u"  service=plant "_s), service);
        QCOMPARE(store::openStore(service)->itemLines().size(), Items.size());
        // The service's own application name stands, the editor's tag after it.
        QVERIFY2(taggedSessions().join(u'|').contains(u"plantapp fabrilux-bom-"_s),
                 qPrintable(taggedSessions().join(u'|')));
        // As a URI, with PGSERVICE naming it, and with settings of the user's own on top:
        // several hosts (the first has no server), a timeout, the user's options reaching the
        // server (a read-only default: the write is refused, in words) and
        // PGAPPNAME where the service names none.
        writeServiceFile();
        qputenv("PGSERVICE", "plant");
        qputenv("PGAPPNAME", "deskapp");
        QCOMPARE(store::openStore(u"postgresql:///?connect_timeout=5"_s)->itemLines().size(),
                 Items.size());
        QVERIFY2(taggedSessions().join(u'|').contains(u"deskapp fabrilux-bom-"_s),
                 qPrintable(taggedSessions().join(u'|')));
        const QString readOnly = QStringLiteral(
            "host=/nonexistent-bom,%1 port=5432,5432 target_session_attrs=any options='-c "
            "default_transaction_read_only=on'")
                                     .arg(m_server.socketFolder());
        const std::unique_ptr<store::Store> db = store::openStore(readOnly);
        QCOMPARE(db->itemLines().size(), Items.size());
        const auto [refusedAs, refused] =
            failureOf([&] { db->addLine(u"TOP"_s, u"NUT"_s, 1, QDateTime()); });
        QCOMPARE(refusedAs, int(store::StandbyReadOnly));
        QVERIFY2(refused.contains(u"read-only"_s), qPrintable(refused));
        QCOMPARE(StoreBackend(StoreBackend::Postgres, {}, &m_server).lines().size(), 2);

        // A password in the address stays refused, and is never repeated.
        const auto [withPasswordAs, withPassword] =
            failureOf([] { store::openStore(u"service=plant password=secret"_s); });
        QCOMPARE(withPasswordAs, int(store::CannotOpen));
        QVERIFY2(!withPassword.contains(u"secret"_s), qPrintable(withPassword));
        QCOMPARE(store::withoutPassword(u"service=plant password=secret"_s), service);
        // Key=value text that libpq cannot read is an address all the same, never a file's
        // name repeated in a message.
        QVERIFY(store::looksLikeServerAddress(u"service=plant pasword=secret"_s));
        QCOMPARE(store::withoutPassword(u"service=plant pasword=secret"_s), u"postgresql://…"_s);
    }

    void aCertificateOnlyServerByItsServiceWithALockedKey() {
        if (QStandardPaths::findExecutable(u"openssl"_s).isEmpty() &&
            !qEnvironmentVariableIsSet("BOM_REQUIRE_POSTGRES"))
            QSKIP("openssl is not installed");
        // A CA of the test's own, the server's certificate and a client's for the server's
        // user, its key locked with a passphrase.
        const QString certs = m_dir.filePath(u"certs"_s);
        QVERIFY(QDir().mkpath(certs));
        const QString user = m_server.user();
        for (const QStringList& step :
             {QStringList{u"req"_s, u"-new"_s, u"-x509"_s, u"-days"_s, u"2"_s, u"-nodes"_s,
                          u"-subj"_s, u"/CN=bom-test-ca"_s, u"-keyout"_s, u"ca.key"_s, u"-out"_s,
                          u"ca.crt"_s},
              QStringList{u"req"_s, u"-new"_s, u"-nodes"_s, u"-subj"_s, u"/CN=127.0.0.1"_s,
                          u"-keyout"_s, u"server.key"_s, u"-out"_s, u"server.csr"_s},
              QStringList{u"x509"_s, u"-req"_s, u"-in"_s, u"server.csr"_s, u"-CA"_s, u"ca.crt"_s,
                          u"-CAkey"_s, u"ca.key"_s, u"-CAcreateserial"_s, u"-days"_s, u"2"_s,
                          u"-out"_s, u"server.crt"_s},
              QStringList{u"req"_s, u"-new"_s, u"-subj"_s, u"/CN="_s + user, u"-passout"_s,
                          u"pass:Key-Pa55"_s, u"-keyout"_s, u"client.key"_s, u"-out"_s,
                          u"client.csr"_s},
              QStringList{u"x509"_s, u"-req"_s, u"-in"_s, u"client.csr"_s, u"-CA"_s, u"ca.crt"_s,
                          u"-CAkey"_s, u"ca.key"_s, u"-CAcreateserial"_s, u"-days"_s, u"2"_s,
                          u"-out"_s, u"client.crt"_s}}) {
            const QString failed = openssl(certs, step);
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
        }
        QFile::setPermissions(certs + u"/client.key"_s, QFile::ReadOwner | QFile::WriteOwner);
        // A server of its own on TCP that takes only clients with a certificate of that CA.
        PgServer server;
        QCOMPARE(server.prepare(), QString());
        const int port = freePort();
        QVERIFY(QFile::copy(certs + u"/server.key"_s, server.folder() + u"/server.key"_s));
        QFile::setPermissions(server.folder() + u"/server.key"_s,
                              QFile::ReadOwner | QFile::WriteOwner);
        QVERIFY(server.handOver(server.folder() + u"/server.key"_s));
        server.addSettings(QStringLiteral("listen_addresses = '127.0.0.1'\nport = %1\nssl = on\n"
                                          "ssl_cert_file = '%2/server.crt'\n"
                                          "ssl_key_file = '%3/server.key'\n"
                                          "ssl_ca_file = '%2/ca.crt'\n")
                               .arg(port)
                               .arg(certs, server.folder()));
        QFile::setPermissions(m_dir.path(), QFile::ReadOwner | QFile::WriteOwner |
                                                QFile::ExeOwner | QFile::ExeOther |
                                                QFile::ReadOther);
        QFile::setPermissions(certs, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                         QFile::ExeOther | QFile::ReadOther);
        QString failed = server.start();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        QFile hba(server.clusterFolder() + u"/pg_hba.conf"_s);
        QVERIFY(hba.open(QIODevice::WriteOnly | QIODevice::Truncate));
        hba.write("local all all trust\n"
                  "hostssl all all 127.0.0.1/32 trust clientcert=verify-full\n");
        hba.close();
        failed = server.reload();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));

        QFile file(m_dir.filePath(u"pg_service.conf"_s));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("[secure]\nhost=127.0.0.1\nport=%1\ndbname=postgres\n"
                                  "user=%2\nsslmode=verify-ca\nsslrootcert=%3/ca.crt\n"
                                  "sslcert=%3/client.crt\nsslkey=%3/client.key\n")
                       .arg(port)
                       .arg(user, certs)
                       .toUtf8());
        file.close();
        qputenv("PGSERVICEFILE", file.fileName().toUtf8());
        const QString service = u"service=secure"_s;
        // Without a certificate the server refuses; with it, the key's passphrase is asked
        // for, a wrong one said so, and the right one opens the server by the service alone.
        QCOMPARE(failureOf([&] { store::openStore(service + u" sslcert=/nonexistent"_s); })
                     .first,
                 int(store::CannotOpen));
        QCOMPARE(failureOf([&] { store::openStore(service); }).first,
                 int(store::KeyPassphraseNeeded));
        store::useKeyPassphrase(service, u"wrong"_s);
        QCOMPARE(failureOf([&] { store::openStore(service); }).first,
                 int(store::KeyPassphraseRefused));
        store::useKeyPassphrase(service, u"Key-Pa55"_s);
        store::createServerTables(service);
        QVERIFY(store::openStore(service)->itemLines().empty());
        store::useKeyPassphrase(service, {});
    }

    void aFailoverIsFollowedAndSaid() {
        // Two servers in one address; the first one, which the writes and the watch go to,
        // goes down.
        PgServer first;
        const QString failed = first.start();
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        StoreBackend(StoreBackend::Postgres, {}, &first).write(Items, Lines);
        StoreBackend(StoreBackend::Postgres, {}, &m_server).write(Items, {});
        const QString pair = QStringLiteral("host=%1,%2 dbname=postgres user=%3")
                                 .arg(first.socketFolder(), m_server.socketFolder(),
                                      m_server.user());
        QCOMPARE(componentIds(*store::openStore(pair), u"TOP"_s), QStringList{u"SUB"_s});
        store::ChangeWatcher watcher(pair);
        QSignalSpy watching(&watcher, &store::ChangeWatcher::watching);
        QSignalSpy notices(&watcher, &store::ChangeWatcher::notice);
        QVERIFY(watching.wait(10000));
        QCOMPARE(first.stop(), QString());
        const auto saidOther = [&] {
            for (const QList<QVariant>& notice : notices)
                if (notice.at(0).toString().startsWith(
                        u"Connected to another of the address's servers ("_s +
                        m_server.socketFolder()))
                    return true;
            return false;
        };
        QTRY_VERIFY_WITH_TIMEOUT(saidOther(), 8000);
        // The next operation reaches the server that is left.
        QCOMPARE(componentIds(*store::openStore(pair), u"TOP"_s), QStringList());
    }

    void everyReadAndWriteWorksBehindATransactionPooler() {
        if (!PgBouncer::installed() && !qEnvironmentVariableIsSet("BOM_REQUIRE_POSTGRES"))
            QSKIP("pgbouncer is not installed");
        PgBouncer bouncer;
        const QString failed = bouncer.start(m_server);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        execOnServer(m_server, {u"DROP TABLE IF EXISTS bomdetail, itemmaster CASCADE"_s});
        // The import writes every row in one transaction, each batch a statement of its own.
        {
            const auto writer = store::ImportWriter::newDatabase(bouncer.address());
            for (const ItemRow& item : Items)
                writer->addItem({item.id, std::nullopt, item.unit.toString()},
                                [] { return u"row"_s; });
            writer->addLine({u"TOP"_s, u"SUB"_s, 2, {}}, [] { return u"line"_s; });
            writer->commit();
        }
        // Two editors at once, each statement of theirs in a transaction that the pooler may
        // give to another server process: reads, adds, quantities, deletes.
        for (int round = 0; round < 3; ++round) {
            const std::unique_ptr<store::Store> a = store::openStore(bouncer.address());
            const std::unique_ptr<store::Store> b = store::openStore(bouncer.address());
            a->addLine(u"SUB"_s, u"BOLT"_s, 4 + round, QDateTime());
            QCOMPARE(componentIds(*b, u"SUB"_s), QStringList{u"BOLT"_s});
            const auto row = b->findLine(u"SUB"_s, u"BOLT"_s);
            QVERIFY(row);
            b->changeQuantity(u"SUB"_s, u"BOLT"_s, row->quantity, 9);
            QCOMPARE(a->findQuantity(u"SUB"_s, u"BOLT"_s), std::optional(std::optional(9.0)));
            QCOMPARE(a->whereUsed(u"BOLT"_s).size(), size_t(2));
            QVERIFY(deleteLine(*a, u"SUB"_s, u"BOLT"_s));
            QCOMPARE(itemIds(*b).size(), qsizetype(Items.size()));
            // The batch that paste, Replace, undo and redo write: added by one, taken back by
            // the other.
            const store::LineRow batch = store::newLine(u"SUB"_s, u"BOLT"_s, 3.0 + round);
            a->writeLines({{}, {batch}});
            QCOMPARE(componentIds(*b, u"SUB"_s), QStringList{u"BOLT"_s});
            b->writeLines({{batch}, {}});
            QCOMPARE(componentIds(*a, u"SUB"_s), QStringList{});
        }
        QCOMPARE(StoreBackend(StoreBackend::Postgres, {}, &m_server).lines(),
                 QStringList{u"TOP>SUB=2"_s});
        // The history, made, written, listed and rebuilt "as of" through the pooler: each
        // trip's statements in transactions that any server process may serve.
        QVERIFY(!store::enableServerHistory(bouncer.address()).isEmpty());
        const QDateTime before = QDateTime::currentDateTimeUtc();
        QTest::qWait(20);
        {
            const std::unique_ptr<store::Store> db = store::openStore(bouncer.address());
            db->setCommand({u"Add NUT to SUB"_s, u"pooled"_s});
            db->addLine(u"SUB"_s, u"NUT"_s, 5, QDateTime());
        }
        for (int round = 0; round < 2; ++round) {
            const std::unique_ptr<store::HistoryLog> log = store::openHistory(bouncer.address());
            const std::vector<store::ChangeRecord> changes = log->changes({});
            QCOMPARE(changes.size(), size_t(1));
            QCOMPARE(changes[0].command + u'/' + changes[0].reason + u'/' + changes[0].key +
                         u'>' + changes[0].component,
                     u"Add NUT to SUB/pooled/SUB>NUT"_s);
            QCOMPARE(log->changeCount(), qint64(1));
            const QString sub = store::foldKey(u"SUB"_s);
            QCOMPARE(log->linesAsOf(u"TOP"_s, before).value(sub).size(), qsizetype(0));
            QCOMPARE(log->linesAsOf(u"TOP"_s, QDateTime::currentDateTimeUtc()).value(sub).size(),
                     qsizetype(1));
        }
        // LISTEN is tried and found deaf behind the pooler: the watch looks every poll.
        changeShowsWithin5s(m_server, bouncer.address(), u"direct or session-pooled"_s);
    }

    void aStandbyIsBrowsedNotEdited() {
        StoreBackend(StoreBackend::Postgres, {}, &m_server).write(Items, Lines);
        PgServer standby;
        const QString failed = standby.startStandbyOf(m_server);
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        // The standby alone: read, and every write refused in words before the server's own.
        QTRY_COMPARE_WITH_TIMEOUT(componentCountAt(standby.uri(), u"TOP"_s), qsizetype(1), 10000);
        const std::unique_ptr<store::Store> db = store::openStore(standby.uri());
        const auto [refusedAs, refused] =
            failureOf([&] { db->addLine(u"TOP"_s, u"NUT"_s, 1, QDateTime()); });
        QCOMPARE(refusedAs, int(store::StandbyReadOnly));
        QVERIFY2(refused.endsWith(u"this server is a read-only standby: browse, no edits."_s),
                 qPrintable(refused));
        // With the primary listed too, wherever it stands, writes go to the primary.
        const QString both = QStringLiteral("host=%1,%2 dbname=postgres user=%3")
                                 .arg(standby.socketFolder(), m_server.socketFolder(),
                                      m_server.user());
        store::openStore(both)->addLine(u"TOP"_s, u"NUT"_s, 1, QDateTime());
        QVERIFY(StoreBackend(StoreBackend::Postgres, {}, &m_server).lines().contains(u"TOP>NUT=1"_s));
        {
            // And so does the watch: it listens to the primary, it does not poll the standby.
            store::ChangeWatcher watcher(both);
            QSignalSpy watching(&watcher, &store::ChangeWatcher::watching);
            QSignalSpy notices(&watcher, &store::ChangeWatcher::notice);
            QVERIFY(watching.wait(10000));
            QTest::qWait(300);
            for (const QList<QVariant>& notice : notices)
                QVERIFY2(!notice.at(0).toString().contains(u"standby"_s),
                         qPrintable(notice.at(0).toString()));
        }
        // A change on the primary shows on the standby by polling.
        changeShowsWithin5s(m_server, standby.uri(), u"read-only standby"_s);
    }
};

QTEST_GUILESS_MAIN(ServerReachTest)
#include "server_reach_test.moc"
