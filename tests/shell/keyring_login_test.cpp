// A server's password remembered in the desktop's keyring when the password box is told so,
// and used on the next connect; no such offer where there is no secret service. Run by
// with-test-keyring.sh, which never lets it reach a keyring of the user's.

#include "shell/database/ServerLogin.h"
#include "store/postgres/PgSession.h"
#include "store/PasswordCache.h"
#include "store/ServerAddress.h"
#include "store/Store.h"
#include "store/StoreError.h"
#include "support/BackendSuite.h"
#include "support/ScriptedDesktop.h"
#include "support/StoreBackend.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

const std::vector<ItemRow> Items{{"TOP", "Top assembly", "EA"}, {"BOLT", {}, "PC"}};

} // namespace

class KeyringLoginTest : public ServerSuite {
    Q_OBJECT

    QString m_uri;
    QTemporaryDir m_dir;

    /// Reads the items as the window does, each time as on a new start: a new desktop, no
    /// password in memory, no connection kept; only the keyring (or ~/.pgpass) can spare the
    /// box. The forms the box showed.
    QList<QList<desktop::FormField>> connect(const QList<std::optional<QStringList>>& answers,
                                             bool read = true) {
        store::useServerPassword(m_uri, {});
        store::pg::closeKeptSessions();
        ScriptedDesktop desktop;
        desktop.formAnswers = answers;
        try {
            const auto items = shell::ServerLogin(desktop).readItems(m_uri);
            [&] { QVERIFY(read); QCOMPARE(items.size(), Items.size()); }();
        } catch (const store::StoreError& error) {
            [&] { QVERIFY2(!read, qPrintable(error.message())); }();
        }
        return desktop.formsShown;
    }

    void setPassword(const QString& password) {
        execOnServer(m_server, {QStringLiteral("ALTER ROLE clerk PASSWORD '%1'").arg(password)});
    }

private Q_SLOTS:
    void initTestCase() {
        qunsetenv("PGPASSWORD");
        qputenv("PGPASSFILE", QFile::encodeName(m_dir.filePath("pgpass")));
        if (!needServer())
            return;
        StoreBackend(StoreBackend::Postgres, {}, &m_server).write(Items, {});
        execOnServer(m_server, {"DROP ROLE IF EXISTS clerk", "CREATE ROLE clerk LOGIN",
                                "GRANT ALL ON itemmaster, bomdetail TO clerk"});
        // This user, and no other, must give a password on the socket.
        const QString hba = execOnServer(m_server, {"SHOW hba_file"}).toString();
        QFile file(hba);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray rules = file.readAll();
        file.close();
        if (!rules.startsWith("local all clerk")) {
            QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write("local all clerk scram-sha-256\n" + rules);
            file.close();
            execOnServer(m_server, {"SELECT pg_reload_conf()"});
        }
        setPassword("first");
        m_uri = store::ServerAddress{m_server.socketFolder(), "", "postgres", "clerk"}.uri();
    }

    void aRememberedPasswordIsUsedOnTheNextConnect() {
        if (!needServer())
            return;
        if (!qEnvironmentVariableIsSet("BOM_TEST_KEYRING")) {
            // No secret service: the box has the password alone, and nothing is kept anywhere.
            const auto forms = connect({QStringList{"first"}});
            QCOMPARE(forms.size(), 1);
            QCOMPARE(forms[0].size(), 1);
            QCOMPARE(connect({QStringList{"first"}}).size(), 1);
            return;
        }
        // Asked, and told to remember: the next connect asks nothing.
        auto forms = connect({QStringList{"first", "1"}});
        QCOMPARE(forms.size(), 1);
        QCOMPARE(forms[0].size(), 2);
        QVERIFY(forms[0][0].secret);
        QCOMPARE(forms[0][1].label, "Remember in the &keyring");
        QVERIFY(forms[0][1].check);
        QCOMPARE(forms[0][1].value, QString());
        QCOMPARE(connect({}).size(), 0);

        // Changed on the server: the box again, ticked; the new password is remembered.
        setPassword("second");
        forms = connect({QStringList{"wrong", "1"}, QStringList{"second", "1"}});
        QCOMPARE(forms.size(), 2);
        QCOMPARE(forms[0][1].value, "1");
        QCOMPARE(connect({}).size(), 0);

        // Unticked: forgotten once the server took the password typed.
        setPassword("third");
        forms = connect({QStringList{"third", ""}});
        QCOMPARE(forms.size(), 1);
        QCOMPARE(forms[0][1].value, "1");
        forms = connect({std::nullopt}, false);
        QCOMPARE(forms.size(), 1);
        QCOMPARE(forms[0][1].value, QString());
    }

    void pgpassComesFirst() {
        if (!needServer())
            return;
        setPassword("fourth");
        QFile pgpass(m_dir.filePath("pgpass"));
        QVERIFY(pgpass.open(QIODevice::WriteOnly));
        pgpass.write("*:*:*:clerk:fourth\n");
        pgpass.close();
        pgpass.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        QCOMPARE(connect({}).size(), 0);
        QVERIFY(pgpass.remove());
    }
};

QTEST_MAIN(KeyringLoginTest)
#include "keyring_login_test.moc"
