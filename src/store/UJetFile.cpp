#include "UJetFile.h"

#include "UDatabase.h"
#include "UJetSql.h"
#include "UMessages.h"
#include "USimpleBase.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>
#include <QTime>
#include <QtEndian>
#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

// mdbtools.h includes glib.h inside its extern "C" block, where glib's C++ parts
// (templates) cannot be declared; glib.h comes first, on its own.
#include <glib.h>
#include <mdbtools.h>

namespace {

constexpr qint64 kMarkerOffset = 4;
constexpr qint64 kVersionOffset = 20;
// Jet's flags in the high bits of a row offset.
constexpr int kRowOffsetMask = 0x1fff;
constexpr int kDeletedRowFlag = 0x4000;
// The length word of a memo or OLE value: flags in the two high bits.
constexpr quint32 kLongValueLengthMask = 0x3fffffff;
constexpr int kGuidSize = 16;
constexpr int kNumericSize = 17;
// The definition of MSysObjects, the catalog table.
constexpr int kCatalogPage = 2;

// Jet's date range: 100-01-01 to 9999-12-31 23:59:59.
constexpr double kFirstJetSerial = -657435.0; // exclusive
constexpr double kLastJetSerial = 2958466.0;  // exclusive
const QDate kJetEpoch(1899, 12, 30);

// --- errors ----------------------------------------------------------------

QString NativePath(const QString& path) {
    return QDir::toNativeSeparators(path);
}

[[noreturn]] void FailRead(const QString& path, const QString& reason) {
    TConnection::Fail(DatabaseMessage("msgJetRead", {NativePath(path), reason}));
}

[[noreturn]] void FailCopy(const QString& path, const QString& table, const QSqlError& error) {
    const QString text = error.databaseText().trimmed();
    TConnection::Fail(DatabaseMessage(
        "msgJetCopy", {table, NativePath(path), text.isEmpty() ? error.text().trimmed() : text}));
}

// --- libmdb handles --------------------------------------------------------

struct THandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using THandle = std::unique_ptr<MdbHandle, THandleCloser>;

struct TTableCloser {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using TTable = std::unique_ptr<MdbTableDef, TTableCloser>;

template <typename T> T* PtrAt(GPtrArray* array, guint index) {
    return static_cast<T*>(g_ptr_array_index(array, index));
}

// A libmdb string, freed with g_free.
QString TakeUtf8(char* text) {
    const QString result = QString::fromUtf8(text ? text : "");
    g_free(text);
    return result;
}

// --- header ----------------------------------------------------------------

// The marker and the version byte, read without ever opening the file for writing.
struct THeader {
    QByteArray Marker;
    int Version = -1;
};

THeader ReadHeader(QFile& file) {
    THeader header;
    if (!file.seek(kMarkerOffset))
        return header;
    header.Marker = file.read(kOpenMarker.size());
    char version = 0;
    if (file.seek(kVersionOffset) && file.read(&version, 1) == 1)
        header.Version = static_cast<unsigned char>(version);
    return header;
}

// --- values ----------------------------------------------------------------

template <typename T> T ReadLE(const unsigned char* p) {
    return qFromLittleEndian<T>(p);
}

// Single values: the shortest decimal that reads back as the same single, so that
// 0.15 is stored as 0.15 and not as the double nearest to the single 0.15.
double SingleValue(const unsigned char* p) {
    const float value = std::bit_cast<float>(ReadLE<quint32>(p));
    if (!std::isfinite(value))
        return value;
    std::array<char, 32> text{};
    const auto written = std::to_chars(text.data(), text.data() + text.size(), value);
    double result = value;
    std::from_chars(text.data(), written.ptr, result);
    return result;
}

// Currency: a 64-bit count of ten-thousandths.
double CurrencyValue(const unsigned char* p) {
    return static_cast<double>(ReadLE<qint64>(p)) / 10000.0;
}

QString GuidText(const unsigned char* p) {
    // The first three groups are stored little-endian, the last two as bytes.
    return QStringLiteral("{%1-%2-%3-%4-%5}")
        .arg(ReadLE<quint32>(p), 8, 16, QLatin1Char('0'))
        .arg(ReadLE<quint16>(p + 4), 4, 16, QLatin1Char('0'))
        .arg(ReadLE<quint16>(p + 6), 4, 16, QLatin1Char('0'))
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(p + 8), 2).toHex()))
        .arg(QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(p + 10), 6).toHex()))
        .toUpper();
}

// Jet 4 text: UTF-16LE, or, when it starts with FF FE, "compressed": runs of one
// byte per character (the low byte; the high byte is 0) and runs of two, each
// 00 byte switching from one kind of run to the other.
QString Jet4Text(const unsigned char* p, qsizetype size) {
    QString text;
    if (size >= 2 && p[0] == 0xff && p[1] == 0xfe) {
        text.reserve(size - 2);
        bool compressed = true;
        for (qsizetype i = 2; i < size;) {
            if (p[i] == 0) {
                compressed = !compressed;
                ++i;
            } else if (compressed) {
                text.append(QChar(p[i]));
                ++i;
            } else if (i + 1 < size) {
                text.append(QChar(ReadLE<quint16>(p + i)));
                i += 2;
            } else {
                break; // a lone byte at the end is no character
            }
        }
    } else {
        text.resize(size / 2);
        for (qsizetype i = 0; i < text.size(); ++i)
            text[i] = QChar(ReadLE<quint16>(p + 2 * i));
    }
    // A zero-length value is an empty text, which is not a null.
    return text.isNull() ? QStringLiteral("") : text;
}

// The code page of the texts of a Jet 3 file, as the file header gives it.
QStringDecoder Jet3Decoder(int codePage) {
    QByteArray name;
    switch (codePage) {
    case 932:
        name = "Shift_JIS";
        break;
    case 936:
        name = "GBK";
        break;
    case 949:
        name = "windows-949";
        break;
    case 950:
        name = "Big5";
        break;
    case 874:
    case 1250:
    case 1251:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
        name = "windows-" + QByteArray::number(codePage);
        break;
    default:
        name = "windows-1252";
        break;
    }
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid())
        decoder = QStringDecoder("windows-1252", QStringConverter::Flag::Stateless);
    return decoder;
}

// --- object properties -----------------------------------------------------

// Whether libmdb can parse a block of object properties ("KKD" in Jet 3, "MR2" in
// Jet 4) without reading past its end or looping: it trusts every length in it.
// A block of chunks [length 32][type 16][data]: a chunk of type 0x80 lists the
// property names ([length 16][name] each); chunks of types 0 to 2 are property
// sets: [length 16][?16][name length 16][name], then properties
// [length 16][?8][data type 8][name index 16][data size 16][data].
bool PropertiesAreSound(const QByteArray& block) {
    const auto* p = reinterpret_cast<const unsigned char*>(block.constData());
    const qsizetype size = block.size();
    // libmdb leaves a block of any other kind alone.
    if (size < 4 || (std::memcmp(p, "KKD", 4) != 0 && std::memcmp(p, "MR2", 4) != 0))
        return true;
    qsizetype names = -1;
    for (qsizetype pos = 4; pos < size;) {
        if (size - pos < 6)
            return false;
        const qint64 length = ReadLE<quint32>(p + pos);
        const quint16 type = ReadLE<quint16>(p + pos + 4);
        if (length < 6 || length > size - pos)
            return false;
        const unsigned char* chunk = p + pos + 6;
        const qsizetype chunkSize = length - 6;
        if (type == 0x80) {
            names = 0;
            for (qsizetype at = 0; at < chunkSize; ++names) {
                if (chunkSize - at < 2)
                    return false;
                at += 2 + ReadLE<quint16>(chunk + at);
                if (at > chunkSize)
                    return false;
            }
        } else if (type <= 2 && names >= 0) {
            if (chunkSize < 6)
                return false;
            qsizetype at = 6 + ReadLE<quint16>(chunk + 4);
            if (at > chunkSize)
                return false;
            while (at < chunkSize) {
                if (chunkSize - at < 8)
                    return false;
                const quint16 propertyLength = ReadLE<quint16>(chunk + at);
                const quint16 nameIndex = ReadLE<quint16>(chunk + at + 4);
                const quint16 dataSize = ReadLE<quint16>(chunk + at + 6);
                if (propertyLength < 8 || propertyLength > chunkSize - at ||
                    8 + dataSize > propertyLength || nameIndex >= names)
                    return false;
                at += propertyLength;
            }
        }
        pos += length;
    }
    return true;
}

// --- reading a file --------------------------------------------------------

// What a table is created with and read by.
struct TColumnPlan {
    MdbColumn* Column;
    QString Name;
    QString DeclaredType;
};

QString QuotedName(const QString& name) {
    QString quoted = name;
    quoted.replace(u'"', QStringLiteral("\"\""));
    return u'"' + quoted + u'"';
}

class TJetReader {
public:
    TJetReader(const QString& path, MdbHandle* mdb, qint64 fileSize)
        : m_path(path), m_mdb(mdb), m_fileSize(fileSize),
          m_jet4(mdb->f->jet_version != MDB_VER_JET3), m_jet3Text(Jet3Decoder(mdb->f->code_page)),
          m_chunk(2 * MDB_PGSIZE, '\0') {}

    QString DeclaredType(const MdbColumn& column) const;
    // Reads the catalog table whole; throws when any of it is unreadable.
    void CheckCatalog();
    // Copies one table; the number of rows copied.
    qint64 CopyTable(MdbCatalogEntry* entry, QSqlDatabase& target);

private:
    // Reads a table's definition and columns, unbinding every column.
    TTable OpenTable(MdbCatalogEntry* entry, std::vector<TColumnPlan>& columns) const;
    // Reads every live row: onValue(column index, value) for each value, then onRow().
    // Throws when a row or a value is unreadable or rows are missing.
    template <typename TOnValue, typename TOnRow>
    qint64 ReadRows(MdbTableDef* table, const std::vector<TColumnPlan>& columns, TOnValue onValue,
                    TOnRow onRow);

    [[noreturn]] void FailValue(const QString& table, const TColumnPlan& column) const {
        FailRead(m_path, DatabaseMessage("msgJetValue", {column.Name, table}));
    }
    QVariant Value(const QString& table, const TColumnPlan& column, const MdbField& field);
    QString Text(const unsigned char* p, qsizetype size) {
        if (m_jet4)
            return Jet4Text(p, size);
        const QString text =
            m_jet3Text.decode(QByteArrayView(reinterpret_cast<const char*>(p), size));
        return text.isNull() ? QStringLiteral("") : text;
    }
    bool ReadLongValue(MdbColumn* column, const MdbField& field, QByteArray& value);

    QString m_path;
    MdbHandle* m_mdb;
    qint64 m_fileSize;
    bool m_jet4;
    QStringDecoder m_jet3Text;
    QByteArray m_chunk; // where libmdb copies each piece of a memo or OLE value
};

QString TJetReader::DeclaredType(const MdbColumn& column) const {
    switch (column.col_type) {
    case MDB_BOOL:
        return QStringLiteral("BOOLEAN");
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
        return QStringLiteral("INTEGER");
    case MDB_FLOAT:
        return QStringLiteral("REAL");
    case MDB_DOUBLE:
        return QStringLiteral("DOUBLE");
    case MDB_MONEY:
        return QStringLiteral("CURRENCY");
    case MDB_NUMERIC:
        return QStringLiteral("NUMERIC(%1,%2)").arg(column.col_prec).arg(column.col_scale);
    case MDB_DATETIME:
        return QStringLiteral("DATETIME");
    case MDB_TEXT: {
        // Jet 4 keeps two bytes per character.
        const int length = m_jet4 ? column.col_size / 2 : column.col_size;
        return QStringLiteral("varchar(%1) COLLATE NOCASE").arg(qMax(length, 1));
    }
    case MDB_MEMO:
        return QStringLiteral("LONGTEXT COLLATE NOCASE");
    case MDB_OLE:
        return QStringLiteral("LONGBINARY");
    case MDB_BINARY:
        return QStringLiteral("VARBINARY(%1)").arg(qMax(column.col_size, 1));
    case MDB_REPID:
        return QStringLiteral("GUID");
    default:
        return QStringLiteral("TEXT");
    }
}

// Reads a memo or OLE value whole. Its 12 bytes in the row hold the length (with
// flags in the high bits) and the first page and row of the data, unless the data
// follows inline. False when the value cannot be read whole.
bool TJetReader::ReadLongValue(MdbColumn* column, const MdbField& field, QByteArray& value) {
    if (field.siz < MDB_MEMO_OVERHEAD)
        return false;
    std::array<unsigned char, MDB_MEMO_OVERHEAD> header{};
    std::memcpy(header.data(), m_mdb->pg_buf + field.start, header.size());
    const qint64 length = ReadLE<quint32>(header.data()) & kLongValueLengthMask;
    // Nothing in a file is longer than the file: a larger length is damage, and
    // checking it bounds the page chain that follows.
    if (length > m_fileSize)
        return false;

    // libmdb copies each piece to the column's bound buffer; it is bound only
    // here, so that fetching rows does not convert the value first.
    struct TBinding {
        MdbColumn* Column;
        ~TBinding() { Column->bind_ptr = nullptr; }
    } binding{column};
    column->bind_ptr = m_chunk.data();
    column->cur_value_start = field.start;
    column->cur_value_len = field.siz;

    // The pieces must add up to the length exactly, with no piece left over: the
    // chain is then what libmdb itself reads (see CheckCatalog), and the length
    // bounds the reading of a chain that would loop.
    value.clear();
    value.reserve(length);
    size_t piece = mdb_ole_read(m_mdb, column, header.data(), m_chunk.size());
    while (piece > 0 && piece <= static_cast<size_t>(m_chunk.size()) &&
           value.size() + static_cast<qint64>(piece) <= length) {
        value.append(m_chunk.constData(), static_cast<qsizetype>(piece));
        if (value.size() == length) {
            piece = mdb_ole_read_next(m_mdb, column, header.data());
            break;
        }
        piece = mdb_ole_read_next(m_mdb, column, header.data());
    }
    if (value.size() != length || piece != 0)
        return false;
    if (value.isNull())
        value = QByteArray("");
    return true;
}

QVariant TJetReader::Value(const QString& table, const TColumnPlan& plan, const MdbField& field) {
    MdbColumn* column = plan.Column;
    // A Yes/No value is its bit of the null mask.
    if (column->col_type == MDB_BOOL)
        return field.is_null ? 0 : -1;
    if (field.is_null)
        return QVariant();

    const qsizetype pageSize = m_mdb->fmt->pg_size;
    if (field.start < 0 || field.siz < 0 || field.start + field.siz > pageSize)
        FailValue(table, plan);
    const unsigned char* p = m_mdb->pg_buf + field.start;
    const int size = field.siz;
    auto need = [&](int bytes) {
        if (size < bytes)
            FailValue(table, plan);
    };

    switch (column->col_type) {
    case MDB_BYTE:
        need(1);
        return qint64(p[0]);
    case MDB_INT:
        need(2);
        return qint64(ReadLE<qint16>(p));
    case MDB_LONGINT:
        need(4);
        return qint64(ReadLE<qint32>(p));
    case MDB_FLOAT:
        need(4);
        return SingleValue(p);
    case MDB_DOUBLE:
        need(8);
        return std::bit_cast<double>(ReadLE<quint64>(p));
    case MDB_MONEY:
        need(8);
        return CurrencyValue(p);
    case MDB_DATETIME:
        need(8);
        return JetDateValue(std::bit_cast<double>(ReadLE<quint64>(p)));
    case MDB_NUMERIC:
        need(kNumericSize);
        return TakeUtf8(
            mdb_numeric_to_string(m_mdb, field.start, column->col_scale, column->col_prec));
    case MDB_REPID:
        need(kGuidSize);
        return GuidText(p);
    case MDB_TEXT:
        return Text(p, size);
    case MDB_BINARY:
        return size == 0 ? QByteArray("") : QByteArray(reinterpret_cast<const char*>(p), size);
    case MDB_MEMO:
    case MDB_OLE: {
        QByteArray bytes;
        if (!ReadLongValue(column, field, bytes))
            FailValue(table, plan);
        if (column->col_type == MDB_OLE)
            return bytes;
        return Text(reinterpret_cast<const unsigned char*>(bytes.constData()), bytes.size());
    }
    default:
        return TakeUtf8(
            mdb_col_to_string(m_mdb, m_mdb->pg_buf, field.start, column->col_type, field.siz));
    }
}

TTable TJetReader::OpenTable(MdbCatalogEntry* entry, std::vector<TColumnPlan>& columns) const {
    TTable table(mdb_read_table(entry));
    // A damaged definition can leave the table without a page map, on which
    // mdb_fetch_row would crash.
    if (!table || !table->usage_map || table->map_sz == 0 || !mdb_read_columns(table.get()) ||
        !table->columns || table->num_cols == 0 || table->columns->len != table->num_cols)
        FailRead(m_path, DatabaseMessage("msgJetTable", {QString::fromUtf8(entry->object_name)}));
    columns.clear();
    columns.reserve(table->num_cols);
    for (guint i = 0; i < table->num_cols; ++i) {
        MdbColumn* column = PtrAt<MdbColumn>(table->columns, i);
        // Nothing is bound: values are read from the page, see ReadRows.
        column->bind_ptr = nullptr;
        column->len_ptr = nullptr;
        columns.push_back({column, QString::fromUtf8(column->name), DeclaredType(*column)});
    }
    return table;
}

template <typename TOnValue, typename TOnRow>
qint64 TJetReader::ReadRows(MdbTableDef* table, const std::vector<TColumnPlan>& columns,
                            TOnValue onValue, TOnRow onRow) {
    const QString tableName = QString::fromUtf8(table->name);
    // mdb_fetch_row finds the next live row and leaves its page in pg_buf. The row
    // is then split again here, because only the split tells a null from an empty
    // text (libmdb gives both as a zero length) and a Yes/No value is its null bit.
    std::vector<MdbField> fields(table->num_cols);
    qint64 rows = 0;
    mdb_rewind_table(table);
    while (mdb_fetch_row(table)) {
        int rowStart = 0;
        size_t rowSize = 0;
        const int row = static_cast<int>(table->cur_row) - 1;
        if (row < 0 || mdb_find_row(m_mdb, row, &rowStart, &rowSize) != 0 ||
            (rowStart & kDeletedRowFlag) ||
            mdb_crack_row(table, rowStart & kRowOffsetMask, rowSize, fields.data()) < 0)
            FailRead(m_path, DatabaseMessage("msgJetTable", {tableName}));
        for (guint i = 0; i < table->num_cols; ++i) {
            const MdbField& field = fields[i];
            if (field.colnum < 0 || static_cast<guint>(field.colnum) >= table->num_cols)
                FailRead(m_path, DatabaseMessage("msgJetTable", {tableName}));
            onValue(field.colnum, Value(tableName, columns[field.colnum], field));
        }
        onRow();
        ++rows;
    }
    // libmdb ends a table quietly at the first page it cannot read; the row count
    // of the table's definition tells a complete read from a truncated file.
    if (rows < table->num_rows)
        FailRead(m_path, DatabaseMessage("msgJetIncomplete", {QString::number(rows), tableName,
                                                              QString::number(table->num_rows)}));
    return rows;
}

void TJetReader::CheckCatalog() {
    // libmdb reads the catalog (the rows of MSysObjects, at page 2, with the
    // properties of every object) without checking that each value was read whole,
    // and on some damaged files then loops without end. The catalog table is read
    // here first, every value checked, so that only a sound catalog reaches it.
    MdbCatalogEntry entry{};
    entry.mdb = m_mdb;
    std::strncpy(entry.object_name, "MSysObjects", MDB_MAX_OBJ_NAME);
    entry.object_type = MDB_TABLE;
    entry.table_pg = kCatalogPage;
    std::vector<TColumnPlan> columns;
    const TTable table = OpenTable(&entry, columns);

    // What libmdb binds: Id, Type and Flags as numbers and Name as text into buffers
    // of MDB_MAX_OBJ_NAME bytes, and it parses LvProp of the rows of tables.
    auto find = [&](const char* name, std::initializer_list<int> types) {
        for (size_t i = 0; i < columns.size(); ++i)
            if (columns[i].Name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
                return std::find(types.begin(), types.end(), columns[i].Column->col_type) !=
                               types.end()
                           ? static_cast<int>(i)
                           : -1;
        return -1;
    };
    const int id = find("Id", {MDB_LONGINT});
    const int name = find("Name", {MDB_TEXT});
    const int type = find("Type", {MDB_INT, MDB_LONGINT});
    const int flags = find("Flags", {MDB_LONGINT});
    const int properties = find("LvProp", {MDB_OLE});
    if (id < 0 || name < 0 || type < 0 || flags < 0 || properties < 0)
        FailRead(m_path, DatabaseMessage("msgJetCatalog"));

    std::vector<QVariant> row(columns.size());
    ReadRows(
        table.get(), columns, [&](int index, QVariant&& value) { row[index] = std::move(value); },
        [&] {
            const bool sound = row[name].toString().toUtf8().size() < MDB_MAX_OBJ_NAME &&
                               (row[type].toLongLong() != MDB_TABLE || row[properties].isNull() ||
                                PropertiesAreSound(row[properties].toByteArray()));
            if (!sound)
                FailRead(m_path, DatabaseMessage("msgJetCatalog"));
        });
}

qint64 TJetReader::CopyTable(MdbCatalogEntry* entry, QSqlDatabase& target) {
    const QString tableName = QString::fromUtf8(entry->object_name);
    std::vector<TColumnPlan> columns;
    const TTable table = OpenTable(entry, columns);

    QStringList definitions, names, placeholders;
    for (const TColumnPlan& column : columns) {
        names << QuotedName(column.Name);
        definitions << names.back() + u' ' + column.DeclaredType;
        placeholders << QStringLiteral("?");
    }
    QSqlQuery query(target);
    if (!query.exec(QStringLiteral("CREATE TABLE %1 (%2)")
                        .arg(QuotedName(tableName), definitions.join(QStringLiteral(", ")))))
        FailCopy(m_path, tableName, query.lastError());
    if (!query.prepare(QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                           .arg(QuotedName(tableName), names.join(QStringLiteral(", ")),
                                placeholders.join(QStringLiteral(", ")))))
        FailCopy(m_path, tableName, query.lastError());

    return ReadRows(
        table.get(), columns,
        [&](int index, QVariant&& value) { query.bindValue(index, std::move(value)); },
        [&] {
            if (!query.exec())
                FailCopy(m_path, tableName, query.lastError());
        });
}

// Rolls the target back unless committed.
class TImportTransaction {
public:
    explicit TImportTransaction(QSqlDatabase& db) : m_db(db) {}
    ~TImportTransaction() {
        if (m_active)
            m_db.rollback();
    }
    TImportTransaction(const TImportTransaction&) = delete;
    TImportTransaction& operator=(const TImportTransaction&) = delete;
    bool Begin() { return m_active = m_db.transaction(); }
    bool Commit() {
        if (!m_db.commit())
            return false;
        m_active = false;
        return true;
    }

private:
    QSqlDatabase& m_db;
    bool m_active = false;
};

} // namespace

bool IsJetFile(const QString& path) {
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray marker = ReadHeader(file).Marker;
    return QByteArrayView(marker) == kOpenMarker || QByteArrayView(marker) == kClosedMarker;
}

QVariant JetDateValue(double serial) {
    if (!std::isfinite(serial) || serial <= kFirstJetSerial || serial >= kLastJetSerial)
        return serial;
    double whole = 0;
    const double fraction = std::fabs(std::modf(serial, &whole));
    qint64 seconds = std::llround(fraction * 86400.0);
    QDate date = kJetEpoch.addDays(static_cast<qint64>(whole));
    if (seconds >= 86400) {
        date = date.addDays(1);
        seconds -= 86400;
    }
    if (!date.isValid() || date.year() < 100 || date.year() > 9999)
        return serial;
    // UTC: a time of day that a local daylight-saving change skips is still a time.
    return JetDateText(QDateTime(date, QTime(0, 0).addSecs(static_cast<int>(seconds)), Qt::UTC));
}

TJetImportStats ImportJetFile(const QString& jetPath, QSqlDatabase& target,
                              std::function<void(int done, int total)> progress) {
    const QFileInfo info(jetPath);
    if (jetPath.isEmpty() || !info.isFile())
        TConnection::Fail(DatabaseMessage("msgFileMissing", {NativePath(jetPath)}));
    {
        QFile file(jetPath);
        if (!file.open(QIODevice::ReadOnly))
            TConnection::Fail(
                DatabaseMessage("msgFileAccess", {NativePath(jetPath), file.errorString()}));
        // Only the open form: the header switch is undone before a file is read.
        const THeader header = ReadHeader(file);
        if (QByteArrayView(header.Marker) != kOpenMarker)
            FailRead(jetPath, DatabaseMessage("msgJetHeader"));
        // The header page, a page and the catalog's definition at page 2 at least.
        const qint64 pageSize = header.Version == MDB_VER_JET3 ? 2048 : 4096;
        if (info.size() < kCatalogPage * pageSize + pageSize)
            FailRead(jetPath, DatabaseMessage("msgJetFormat"));
    }
    if (!target.isOpen())
        TConnection::Fail(DatabaseMessage("msgNotOpen"));

    const THandle mdb(
        mdb_open(QFile::encodeName(info.absoluteFilePath()).constData(), MDB_NOFLAGS));
    if (!mdb || !mdb->f || !mdb->fmt)
        FailRead(jetPath, DatabaseMessage("msgJetFormat"));
    TJetReader reader(jetPath, mdb.get(), info.size());
    reader.CheckCatalog();
    GPtrArray* catalog = mdb_read_catalog(mdb.get(), MDB_TABLE);
    if (!catalog)
        FailRead(jetPath, DatabaseMessage("msgJetCatalog"));

    std::vector<MdbCatalogEntry*> tables;
    for (guint i = 0; i < catalog->len; ++i) {
        MdbCatalogEntry* entry = PtrAt<MdbCatalogEntry>(catalog, i);
        if (!entry || entry->object_type != MDB_TABLE || mdb_is_system_table(entry) ||
            QString::fromUtf8(entry->object_name).startsWith(u"MSys", Qt::CaseInsensitive))
            continue;
        tables.push_back(entry);
    }

    TImportTransaction transaction(target);
    if (!transaction.Begin())
        TConnection::RaiseError(target.lastError());
    TJetImportStats stats;
    const int total = static_cast<int>(tables.size());
    if (progress)
        progress(0, total);
    for (MdbCatalogEntry* entry : tables) {
        stats.Rows += reader.CopyTable(entry, target);
        ++stats.Tables;
        if (progress)
            progress(stats.Tables, total);
    }
    if (!transaction.Commit())
        TConnection::RaiseError(target.lastError());
    return stats;
}
