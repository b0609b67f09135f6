// bom-jet-reader FILE TABLE...: reads the named tables of a Jet 3 / Jet 4 file with libmdb and
// writes their rows to standard output (see JetProtocol.h). It runs as a child process of the
// import because libmdb can crash on a damaged file; the import then reports the file as
// damaged instead of going down with it.

#include "import/JetProtocol.h"

#include "store/StoreError.h"

#include <QBuffer>
#include <QDataStream>
#include <QFileInfo>
#include <QString>

#include <glib.h>
// glib.h first: mdbtools.h uses its types without including it in C++.
#include <mdbtools.h>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace import;

/// Buffers the stream and hands it to standard output in large pieces.
class Output {
public:
    Output() : m_stream(&m_buffer) {
        m_buffer.open(QIODevice::WriteOnly);
        m_stream.setVersion(QDataStream::Qt_6_4);
    }
    ~Output() { flush(); }
    QDataStream& stream() { return m_stream; }
    void flushIfLarge() {
        if (m_buffer.size() >= 1 << 16)
            flush();
    }
    void flush() {
        const QByteArray& data = m_buffer.data();
        if (!data.isEmpty())
            std::fwrite(data.constData(), 1, size_t(data.size()), stdout);
        std::fflush(stdout);
        m_buffer.buffer().clear();
        m_buffer.seek(0);
    }

private:
    QBuffer m_buffer;
    QDataStream m_stream;
};

int fail(Output& out, int number, const QString& description) {
    out.stream() << quint8(jet::Failure) << qint32(number) << description;
    out.flush();
    return 1;
}

QString typeName(int type) {
    switch (type) {
    case MDB_BOOL:
        return QStringLiteral("Yes/No");
    case MDB_BYTE:
        return QStringLiteral("Byte");
    case MDB_INT:
        return QStringLiteral("Integer");
    case MDB_LONGINT:
        return QStringLiteral("Long Integer");
    case MDB_MONEY:
        return QStringLiteral("Currency");
    case MDB_FLOAT:
        return QStringLiteral("Single");
    case MDB_DOUBLE:
        return QStringLiteral("Double");
    case MDB_DATETIME:
        return QStringLiteral("Date/Time");
    case MDB_BINARY:
        return QStringLiteral("Binary");
    case MDB_TEXT:
        return QStringLiteral("Text");
    case MDB_OLE:
        return QStringLiteral("OLE Object");
    case MDB_MEMO:
        return QStringLiteral("Memo");
    case MDB_REPID:
        return QStringLiteral("Replication ID");
    case MDB_NUMERIC:
        return QStringLiteral("Decimal");
    default:
        return QStringLiteral("type %1").arg(type);
    }
}

struct HandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

/// Room for the longest Memo (65,535 characters) in UTF-8; a longer text is refused rather
/// than cut short.
constexpr size_t BindSize = 1 << 18;

MdbCatalogEntry* findTable(MdbHandle* mdb, const QByteArray& name) {
    for (guint i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        // Jet compares object names without regard to case.
        if (entry->object_type == MDB_TABLE &&
            g_ascii_strcasecmp(entry->object_name, name.constData()) == 0)
            return entry;
    }
    return nullptr;
}

int readTable(Output& out, MdbHandle* mdb, const QString& path, const QString& wanted) {
    QDataStream& s = out.stream();
    MdbCatalogEntry* entry = findTable(mdb, wanted.toUtf8());
    if (!entry) {
        s << quint8(jet::Missing) << wanted;
        return 0;
    }
    const std::unique_ptr<MdbTableDef, TableFreer> table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        return fail(out, store::ImportJetDamaged,
                    QStringLiteral("'%1' is damaged or truncated: the definition of table "
                                   "%2 cannot be read.")
                        .arg(path, wanted));
    const guint columns = table->num_cols;
    s << quint8(jet::Table) << QString::fromUtf8(entry->object_name) << quint32(table->num_rows)
      << quint32(columns);
    std::vector<MdbColumn*> column(columns);
    std::vector<std::vector<char>> bound(columns);
    std::vector<int> length(columns);
    for (guint c = 0; c < columns; ++c) {
        column[c] = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, c));
        s << QString::fromUtf8(column[c]->name) << qint32(column[c]->col_type)
          << typeName(column[c]->col_type);
        // Only text is taken from libmdb's bound buffers; numbers and dates are read from the
        // row itself, which libmdb locates for every column, bound or not.
        if (column[c]->col_type == MDB_TEXT || column[c]->col_type == MDB_MEMO) {
            bound[c].resize(BindSize);
            mdb_bind_column(table.get(), int(c + 1), bound[c].data(), &length[c]);
        }
    }

    mdb_rewind_table(table.get());
    std::vector<MdbField> fields(columns);
    quint32 read = 0;
    while (mdb_fetch_row(table.get())) {
        // A bound length of 0 is both Null and the empty text: the row's null mask tells them
        // apart, so crack the row libmdb has just read again.
        int start = 0;
        size_t size = 0;
        if (mdb_find_row(mdb, int(table->cur_row) - 1, &start, &size) != 0)
            return fail(out, store::ImportJetDamaged,
                        QStringLiteral("'%1' is damaged: row %2 of table %3 cannot be found again.")
                            .arg(path)
                            .arg(read + 1)
                            .arg(wanted));
        const int cracked = mdb_crack_row(table.get(), start & 0x1fff, size, fields.data());
        if (cracked != int(columns))
            return fail(out, store::ImportJetDamaged,
                        QStringLiteral("'%1' is damaged: row %2 of table %3 cannot be read.")
                            .arg(path)
                            .arg(read + 1)
                            .arg(wanted));
        std::vector<bool> null(columns, false);
        for (const MdbField& field : fields)
            if (field.colnum >= 0 && field.colnum < int(columns))
                null[size_t(field.colnum)] = field.is_null;

        s << quint8(jet::Row);
        for (guint c = 0; c < columns; ++c) {
            const MdbColumn* col = column[c];
            const int type = col->col_type;
            if (null[c] && type != MDB_BOOL) {
                s << quint8(jet::Null);
                continue;
            }
            // libmdb's text forms of numbers and dates lose digits (two-digit years among
            // them), so those are taken from the stored bytes.
            const int at = col->cur_value_start;
            const int len = col->cur_value_len;
            const auto fixed = [&](int wantedLength) {
                if (len != wantedLength || at < 0 || at + len > int(mdb->fmt->pg_size))
                    throw wantedLength;
            };
            try {
                switch (type) {
                case MDB_TEXT:
                case MDB_MEMO:
                    if (size_t(length[c]) + 1 >= BindSize)
                        return fail(out, store::ImportColumnType,
                                    QStringLiteral("Row %1 of table %2 holds a text longer than "
                                                   "the import takes in column %3.")
                                        .arg(read + 1)
                                        .arg(wanted, QString::fromUtf8(col->name)));
                    s << quint8(jet::Text) << QByteArray(bound[c].data(), length[c]);
                    break;
                case MDB_DOUBLE:
                    fixed(8);
                    s << quint8(jet::Double) << mdb_get_double(mdb->pg_buf, at);
                    break;
                case MDB_FLOAT:
                    fixed(4);
                    s << quint8(jet::Single) << mdb_get_single(mdb->pg_buf, at);
                    break;
                case MDB_DATETIME:
                    fixed(8);
                    s << quint8(jet::DateTime) << mdb_get_double(mdb->pg_buf, at);
                    break;
                case MDB_BYTE:
                    fixed(1);
                    s << quint8(jet::Integer) << qint64(mdb->pg_buf[at]);
                    break;
                case MDB_INT:
                    fixed(2);
                    s << quint8(jet::Integer) << qint64(qint16(mdb_get_int16(mdb->pg_buf, at)));
                    break;
                case MDB_LONGINT:
                    fixed(4);
                    s << quint8(jet::Integer) << qint64(qint32(mdb_get_int32(mdb->pg_buf, at)));
                    break;
                default:
                    s << quint8(jet::Other);
                }
            } catch (int) {
                return fail(
                    out, store::ImportJetDamaged,
                    QStringLiteral("'%1' is damaged: row %2 of table %3 has a damaged value "
                                   "in column %4.")
                        .arg(path)
                        .arg(read + 1)
                        .arg(wanted, QString::fromUtf8(col->name)));
            }
        }
        ++read;
        out.flushIfLarge();
        // A damaged page chain could go round for ever; the count check refuses it anyway.
        if (read > table->num_rows)
            break;
    }
    s << quint8(jet::TableEnd) << read;
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Output out;
    out.stream() << jet::Magic;
    if (argc < 3)
        return fail(out, store::ImportJetReaderMissing,
                    QStringLiteral("usage: bom-jet-reader FILE TABLE..."));
    const QString path = QFile::decodeName(argv[1]);
    const std::unique_ptr<MdbHandle, HandleCloser> mdb(mdb_open(argv[1], MDB_NOFLAGS));
    if (!mdb)
        return fail(out, store::ImportNotJet,
                    QStringLiteral("'%1' cannot be opened as a Jet database.").arg(path));
    mdb_set_bind_size(mdb.get(), BindSize);
    if (mdb->f->jet_version != MDB_VER_JET3 && mdb->f->jet_version != MDB_VER_JET4)
        return fail(out, store::ImportNotJet,
                    QStringLiteral("'%1' is not a Jet 3 or Jet 4 database.").arg(path));
    // A Jet file is whole pages; anything else has been cut short or padded.
    if (QFileInfo(path).size() % mdb->fmt->pg_size != 0)
        return fail(out, store::ImportJetDamaged,
                    QStringLiteral("'%1' is not a whole number of %2-byte pages: it is "
                                   "truncated or damaged.")
                        .arg(path)
                        .arg(mdb->fmt->pg_size));
    out.stream() << quint8(jet::Version) << qint32(mdb->f->jet_version == MDB_VER_JET3 ? 3 : 4);
    if (!mdb_read_catalog(mdb.get(), MDB_TABLE))
        return fail(out, store::ImportJetDamaged,
                    QStringLiteral("The list of tables of '%1' cannot be read.").arg(path));
    for (int i = 2; i < argc; ++i)
        if (const int rc = readTable(out, mdb.get(), path, QString::fromUtf8(argv[i])))
            return rc;
    out.stream() << quint8(jet::End);
    return 0;
}
