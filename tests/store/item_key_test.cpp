// The store's comparisons of item IDs against SQLite's own NOCASE collation, asked of SQLite
// itself: the bytes' comparison, match and hash that Where Used reads with (NoCaseKeys.h), and
// the text forms that group and order IDs elsewhere (ItemKey), on random IDs of ASCII letters
// in either case, the characters between the two alphabets and bytes above 0x7F.

#include "store/ItemKey.h"
#include "store/NoCaseKeys.h"

#include <QRandomGenerator>
#include <QTest>

#include <sqlite3.h>

namespace {

/// SQLite's answer for two texts under NOCASE, each as bytes.
class NoCase {
public:
    NoCase() {
        sqlite3_open(":memory:", &m_db);
        sqlite3_prepare_v2(m_db, "SELECT ?1 = ?2 COLLATE NOCASE, ?1 < ?2 COLLATE NOCASE", -1,
                           &m_statement, nullptr);
    }
    ~NoCase() {
        sqlite3_finalize(m_statement);
        sqlite3_close(m_db);
    }
    /// -1, 0 or 1.
    int compare(QByteArrayView a, QByteArrayView b) {
        sqlite3_reset(m_statement);
        // An empty text, never a null pointer: SQLite binds that as NULL.
        sqlite3_bind_text(m_statement, 1, a.isEmpty() ? "" : a.data(), int(a.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(m_statement, 2, b.isEmpty() ? "" : b.data(), int(b.size()), SQLITE_TRANSIENT);
        if (sqlite3_step(m_statement) != SQLITE_ROW)
            return 2; // never an answer of the store's
        return sqlite3_column_int(m_statement, 0) ? 0 : sqlite3_column_int(m_statement, 1) ? -1 : 1;
    }

private:
    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_statement = nullptr;
};

int sign(int value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

} // namespace

class ItemKeyTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void bytesCompareAsNoCase();
    void textFormsFollowNoCase();
};

// Any bytes but NUL (which ends a text for SQLite's comparison): a signed comparison would put
// every byte above 0x7F before the ASCII ones, a fold to upper case "_" after "A".
void ItemKeyTest::bytesCompareAsNoCase() {
    NoCase sqlite;
    QRandomGenerator random(1422);
    const QByteArray common = QByteArrayLiteral("AaZz[_`@{~09\x7f\x80\xc3\xa9\xff");
    const auto randomId = [&] {
        QByteArray id;
        for (int n = int(random.bounded(6)); n > 0; --n)
            id += random.bounded(2) ? common[int(random.bounded(common.size()))]
                                    : char(1 + random.bounded(255));
        return id;
    };
    for (int round = 0; round < 20000; ++round) {
        const QByteArray a = randomId();
        const QByteArray b = random.bounded(4) ? randomId() : a.toLower();
        const int expected = sqlite.compare(a, b);
        const QByteArray label = a.toHex() + " " + b.toHex();
        QVERIFY2(sign(store::compareKeys(a, b)) == expected, label);
        QVERIFY2(store::sameKey(a, b) == (expected == 0), label);
        if (expected == 0)
            QVERIFY2(store::hashKey(a) == store::hashKey(b), label);
    }
}

// IDs as text (valid UTF-8, up to characters outside the Basic Multilingual Plane, where
// UTF-16's order is not UTF-8's): the folded form is equal exactly when NOCASE says so, and
// the order key sorts as NOCASE does.
void ItemKeyTest::textFormsFollowNoCase() {
    NoCase sqlite;
    QRandomGenerator random(41);
    const QString pool = QStringLiteral("AaBbZz[_`{~0 \u00e9\u00c9\u00ff\u0130\uff21\U0001F600");
    QList<QStringView> characters;
    for (qsizetype at = 0; at < pool.size(); at += pool[at].isHighSurrogate() ? 2 : 1)
        characters.append(QStringView(pool).mid(at, pool[at].isHighSurrogate() ? 2 : 1));
    const auto randomId = [&] {
        QString id;
        for (int n = int(random.bounded(5)); n > 0; --n)
            id += characters[int(random.bounded(characters.size()))];
        return id;
    };
    for (int round = 0; round < 20000; ++round) {
        const QString a = randomId();
        const QString b = randomId();
        const int expected = sqlite.compare(a.toUtf8(), b.toUtf8());
        const QByteArray label = (a + QStringLiteral(" / ") + b).toUtf8();
        QVERIFY2((store::foldKey(a) == store::foldKey(b)) == (expected == 0), label);
        const QByteArray x = store::orderKey(a);
        const QByteArray y = store::orderKey(b);
        QVERIFY2((x < y ? -1 : y < x ? 1 : 0) == expected, label);
    }
}

QTEST_GUILESS_MAIN(ItemKeyTest)
#include "item_key_test.moc"
