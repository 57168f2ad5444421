#include "UDatabase.h"

#include "DTools.h"
#include "UJetFile.h"
#include "UJetSchema.h"
#include "ULog.h"
#include "UMessages.h"
#include "USimpleBase.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlDriver>
#include <QSqlError>
#include <cmath>
#include <sqlite3.h>

namespace {

QString NextConnectionName() {
    static QAtomicInt counter;
    return QStringLiteral("orv-connection-%1").arg(counter.fetchAndAddRelaxed(1) + 1);
}

sqlite3* NativeHandle(const QSqlDatabase& db) {
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || qstrcmp(handle.typeName(), "sqlite3*") != 0)
        return nullptr;
    return *static_cast<sqlite3* const*>(handle.data());
}

// Files held by the connections of this process. A second connection to one of
// them is refused before anything touches the file: opening and closing a file
// in the process that holds SQLite's locks on it would drop those locks.
QSet<QString>& FilesInUse() {
    static QSet<QString> files;
    return files;
}

QString FileKey(const QString& path) {
    const QFileInfo info(path);
    const QString canonical = info.canonicalFilePath();
    return canonical.isEmpty() ? info.absoluteFilePath() : canonical;
}

// Whether a column value came from the engine as a number (not as text).
bool IsStoredNumber(const QVariant& v) {
    switch (v.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Bool:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

bool IsBusy(const QSqlError& error) {
    const int code = error.nativeErrorCode().toInt();
    return (code & 0xFF) == SQLITE_BUSY || (code & 0xFF) == SQLITE_LOCKED;
}

QString EngineText(const QSqlError& error) {
    const QString text = error.databaseText().trimmed();
    return text.isEmpty() ? error.text().trimmed() : text;
}

} // namespace

// --- TConnection ---------------------------------------------------------

TConnection::TConnection()
    : m_name(NextConnectionName()), m_beforeOpen(RestoreDatabaseFile),
      m_afterClose(HideDatabaseFile) {
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
}

TConnection::~TConnection() {
    try {
        Close();
    } catch (...) {
        // A failing close hook at destruction has nobody left to report to.
    }
    QSqlDatabase::removeDatabase(m_name);
}

void TConnection::SetDataSource(const QString& path) {
    m_dataSource = path;
}

QSqlDatabase TConnection::Database() const {
    return QSqlDatabase::database(m_name, false);
}

void TConnection::RaiseError(const QSqlError& error) {
    Fail(EngineText(error));
}

void TConnection::Fail(const QString& message) {
    LogLine(QStringLiteral("database"), message);
    throw EDatabaseError(message);
}

void TConnection::EnsureOpen() const {
    if (!m_open)
        Fail(DatabaseMessage("msgNotOpen"));
}

void TConnection::Open() {
    if (m_open)
        return;
    if (m_dataSource.isEmpty())
        Fail(DatabaseMessage("msgFileMissing", {m_dataSource}));
    if (m_exclusive && FilesInUse().contains(FileKey(m_dataSource)))
        Fail(DatabaseMessage("msgDatabaseLocked", {m_dataSource}));
    if (m_beforeOpen)
        m_beforeOpen(m_dataSource);
    const QFileInfo info(m_dataSource);
    if (!info.exists() || !info.isFile())
        Fail(DatabaseMessage("msgFileMissing", {m_dataSource}));

    // A Jet file is never used in place: a read-only connection reads a copy
    // of it made in memory; a writable one is refused (a Jet data database is
    // migrated to SQLite before it is opened).
    const bool jet = IsJetFile(m_dataSource);
    if (jet && !m_readOnly)
        Fail(DatabaseMessage("msgJetNotWritable", {m_dataSource}));

    QSqlDatabase db = Database();
    db.setDatabaseName(jet ? QStringLiteral(":memory:") : m_dataSource);
    // Fail at once when another program holds the file instead of waiting.
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=0");
    if (m_readOnly && !jet)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    if (!db.open()) {
        const QString message = EngineText(db.lastError());
        Fail(DatabaseMessage("msgDatabaseOpen", {m_dataSource, message}));
    }
    sqlite3* handle = NativeHandle(db);
    RegisterJetFunctions(handle);
    if (handle) {
        // A double-quoted name is always a name: SQLite would otherwise take a
        // misspelt column for a text constant.
        sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
        sqlite3_db_config(handle, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    }

    if (jet) {
        try {
            ImportJetFile(m_dataSource, db);
        } catch (const EDatabaseError&) {
            db.close();
            throw;
        }
        m_open = true;
        m_fileKey = FileKey(m_dataSource);
        FilesInUse().insert(m_fileKey);
        return;
    }

    // Take the file: in exclusive locking mode SQLite keeps the locks it gets,
    // an exclusive one for a writer, a shared one (which keeps writers out)
    // for a reader. The first read also proves that the file is a database.
    QStringList steps;
    if (m_exclusive)
        steps << QStringLiteral("PRAGMA locking_mode=EXCLUSIVE");
    if (m_exclusive && !m_readOnly)
        steps << QStringLiteral("BEGIN EXCLUSIVE") << QStringLiteral("COMMIT");
    steps << QStringLiteral("SELECT count(*) FROM sqlite_master");
    for (const QString& step : steps) {
        QSqlQuery q(db);
        if (!q.exec(step)) {
            const QSqlError error = q.lastError();
            q.finish();
            q = QSqlQuery();
            db.close();
            if (IsBusy(error))
                Fail(DatabaseMessage("msgDatabaseLocked", {m_dataSource}));
            throw EDatabaseError(
                DatabaseMessage("msgDatabaseOpen", {m_dataSource, EngineText(error)}));
        }
    }
    m_open = true;
    m_fileKey = FileKey(m_dataSource);
    FilesInUse().insert(m_fileKey);
}

void TConnection::Close() {
    if (!m_open)
        return;
    Database().close();
    m_open = false;
    FilesInUse().remove(m_fileKey);
    if (m_afterClose)
        m_afterClose(m_dataSource);
}

QStringList TConnection::GetTableNames(bool includeViews) const {
    EnsureOpen();
    QSqlQuery q(Database());
    const QString sql =
        includeViews
            ? QStringLiteral("SELECT name FROM sqlite_master WHERE type IN ('table','view') "
                             "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid")
            : QStringLiteral("SELECT name FROM sqlite_master WHERE type='table' "
                             "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid");
    if (!q.exec(sql))
        RaiseError(q.lastError());
    QStringList names;
    while (q.next())
        names.append(q.value(0).toString());
    q.finish();
    return names;
}

QList<TColumnInfo> TConnection::GetColumns(const QString& table) const {
    EnsureOpen();
    QSqlQuery q(Database());
    if (!q.prepare(QStringLiteral("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?)")))
        RaiseError(q.lastError());
    q.addBindValue(table);
    if (!q.exec())
        RaiseError(q.lastError());
    QList<TColumnInfo> columns;
    while (q.next())
        columns.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toInt() != 0,
                        q.value(3).toInt() != 0});
    q.finish();
    return columns;
}

QStringList TConnection::GetFieldNames(const QString& table) const {
    QStringList names;
    for (const TColumnInfo& c : GetColumns(table))
        names.append(c.Name);
    return names;
}

int TConnection::Execute(const QString& jetSql, const QVariantHash& params) {
    TQuery q(*this);
    q.SetSQL(jetSql);
    for (auto it = params.cbegin(); it != params.cend(); ++it)
        q.SetParam(it.key(), it.value());
    return q.ExecSQL();
}

// --- TTransaction --------------------------------------------------------

TTransaction::TTransaction(TConnection& connection) : m_connection(connection) {
    QSqlDatabase db = m_connection.Database();
    if (!db.transaction())
        TConnection::RaiseError(db.lastError());
    m_active = true;
}

TTransaction::~TTransaction() {
    if (m_active)
        m_connection.Database().rollback();
}

void TTransaction::Commit() {
    if (!m_active)
        return;
    QSqlDatabase db = m_connection.Database();
    if (!db.commit())
        TConnection::RaiseError(db.lastError());
    m_active = false;
}

// --- TQuery --------------------------------------------------------------

TQuery::TQuery(TConnection& connection) : m_connection(&connection) {}

TQuery::~TQuery() = default;

void TQuery::SetConnection(TConnection& connection) {
    Close();
    m_connection = &connection;
}

void TQuery::SetSQL(const QStringList& lines) {
    SetSQL(lines.join(u'\n'));
}

void TQuery::SetSQL(const QString& text) {
    Close();
    if (text != m_sql)
        m_translated.reset();
    m_sql = text;
}

const TJetStatement& TQuery::Translated() {
    if (!m_translated)
        m_translated = TranslateJetSql(m_sql);
    return *m_translated;
}

void TQuery::SetParam(const QString& name, const QVariant& value) {
    m_params.insert(name.toUpper(), value);
}

void TQuery::Prepare(QSqlQuery& query, const TJetStatement& statement) const {
    if (!m_connection->Connected())
        TConnection::Fail(DatabaseMessage("msgNotOpen"));
    if (!query.prepare(statement.Sql))
        TConnection::RaiseError(query.lastError());
    for (const QString& name : statement.Parameters) {
        const auto it = m_params.constFind(name.toUpper());
        query.addBindValue(it == m_params.constEnd() ? QVariant() : *it);
    }
}

void TQuery::Open() {
    Close();
    const TJetStatement& statement = Translated();
    auto query = std::make_unique<QSqlQuery>(m_connection->Database());
    query->setForwardOnly(true);
    Prepare(*query, statement);
    if (!query->exec())
        TConnection::RaiseError(query->lastError());
    m_query = std::move(query);
    m_active = true;
    m_record = m_query->record();
    Fetch();
}

void TQuery::Fetch() {
    m_values.clear();
    if (m_query->next()) {
        m_eof = false;
        const int n = m_record.count();
        m_values.reserve(n);
        for (int i = 0; i < n; ++i)
            m_values.append(m_query->value(i));
    } else {
        m_eof = true;
        if (m_query->lastError().isValid())
            TConnection::RaiseError(m_query->lastError());
    }
}

void TQuery::Next() {
    if (m_active && !m_eof)
        Fetch();
}

void TQuery::Close() {
    if (m_query) {
        m_query->finish();
        m_query.reset();
    }
    m_active = false;
    m_eof = true;
    m_values.clear();
    m_record = QSqlRecord();
    m_recordCount = -1;
}

int TQuery::ExecSQL() {
    Close();
    if (IsJetDDL(m_sql)) {
        if (!m_connection->Connected())
            TConnection::Fail(DatabaseMessage("msgNotOpen"));
        ExecuteJetDDL(*m_connection, m_sql);
        return 0;
    }
    const TJetStatement& statement = Translated();
    QSqlQuery query(m_connection->Database());
    Prepare(query, statement);
    if (!query.exec())
        TConnection::RaiseError(query.lastError());
    return query.numRowsAffected();
}

int TQuery::RecordCount() {
    if (!m_active)
        return 0;
    if (m_recordCount < 0) {
        TJetStatement statement = Translated();
        statement.Sql = QStringLiteral("SELECT COUNT(*) FROM (") + statement.Sql + u')';
        QSqlQuery query(m_connection->Database());
        Prepare(query, statement);
        if (!query.exec() || !query.next())
            TConnection::RaiseError(query.lastError());
        m_recordCount = query.value(0).toInt();
    }
    return m_recordCount;
}

int TQuery::FieldIndex(const QString& name) const {
    for (int i = 0; i < m_record.count(); ++i)
        if (m_record.fieldName(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant TQuery::Value(int index) const {
    if (index < 0 || index >= m_record.count())
        TConnection::Fail(DatabaseMessage("msgNoField", {QString::number(index)}));
    if (m_eof)
        return {};
    return m_values.value(index);
}

QVariant TQuery::Value(const QString& name) const {
    const int index = FieldIndex(name);
    if (index < 0)
        TConnection::Fail(DatabaseMessage("msgNoField", {name}));
    return Value(index);
}

QString TQuery::ToString(const QVariant& v) {
    if (v.isNull())
        return {};
    if (v.metaType().id() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

qint64 TQuery::ToInteger(const QVariant& v) {
    if (v.isNull())
        return 0;
    if (v.metaType().id() == QMetaType::Double)
        return std::llround(v.toDouble());
    if (IsStoredNumber(v))
        return v.toLongLong();
    const QString text = v.toString().trimmed();
    bool ok = false;
    const qint64 n = text.toLongLong(&ok);
    if (ok)
        return n;
    const double d = text.toDouble(&ok);
    if (ok && std::isfinite(d))
        return std::llround(d);
    TConnection::Fail(DatabaseMessage("msgNotInteger", {text}));
}

bool TQuery::ToBoolean(const QVariant& v) {
    if (v.isNull())
        return false;
    if (IsStoredNumber(v))
        return v.toDouble() != 0.0;
    const QString text = v.toString().trimmed();
    bool ok = false;
    const double d = text.toDouble(&ok);
    if (ok)
        return d != 0.0;
    return text.compare(u"true", Qt::CaseInsensitive) == 0 ||
           text.compare(u"yes", Qt::CaseInsensitive) == 0;
}

QDateTime TQuery::ToDateTime(const QVariant& v) {
    if (v.isNull())
        return {};
    if (v.metaType().id() == QMetaType::QDateTime)
        return v.toDateTime();
    if (v.metaType().id() == QMetaType::QDate)
        return QDateTime(v.toDate(), QTime(0, 0));
    const QString text = v.toString().trimmed();
    bool numeric = false;
    const double days = text.toDouble(&numeric);
    if (numeric && std::isfinite(days)) {
        // A day count from 30 December 1899, the fraction being the time of day.
        const QDateTime zero(QDate(1899, 12, 30), QTime(0, 0));
        return zero.addMSecs(std::llround(days * 86400000.0));
    }
    static const char* const formats[] = {"yyyy-MM-dd HH:mm:ss.zzz", "yyyy-MM-dd HH:mm:ss",
                                          "yyyy-MM-ddTHH:mm:ss.zzz", "yyyy-MM-ddTHH:mm:ss",
                                          "yyyy-MM-dd HH:mm",        "yyyy-MM-dd"};
    for (const char* format : formats) {
        const QDateTime dt = QDateTime::fromString(text, QLatin1String(format));
        if (dt.isValid())
            return dt;
    }
    TConnection::Fail(DatabaseMessage("msgNotDateTime", {text}));
}

// --- Migrating a Jet data database ----------------------------------------

QString MigrateJetDatabase(const QString& path) {
    const QFileInfo info(path);
    const QString folder = info.absolutePath() + u'/';
    const QString copy = folder + info.fileName() + QStringLiteral(".jet-reading");
    const QString target = folder + info.fileName() + QStringLiteral(".migrating");
    QString backup = folder + info.completeBaseName() + QStringLiteral(".jet-original.mdb");
    for (int n = 2; QFileInfo::exists(backup); ++n)
        backup = folder + info.completeBaseName() + QStringLiteral(".jet-original-%1.mdb").arg(n);

    auto cleanUp = [&] {
        QFile::remove(copy);
        QFile::remove(target);
    };
    cleanUp();
    // The original is never changed: a copy is put in open form and read.
    if (!CopyFileTo(path, copy))
        TConnection::Fail(DatabaseMessage("msgJetMigration", {path, QFile(path).errorString()}));
    const QString name = NextConnectionName();
    QString error;
    try {
        RestoreDatabaseFile(copy);
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(target);
        if (!db.open())
            error = EngineText(db.lastError());
        else {
            try {
                ImportJetFile(copy, db);
            } catch (const ERuntimeError& e) {
                error = e.message();
            }
            db.close();
        }
    } catch (const ERuntimeError& e) {
        error = e.message();
    }
    QSqlDatabase::removeDatabase(name);
    if (error.isEmpty()) {
        // The forms' tables get back their auto-numbered key ID, which the
        // copy holds as a plain integer column.
        try {
            TConnection migrated;
            migrated.SetDataSource(target);
            migrated.Open();
            TTransaction transaction(migrated);
            for (const QString& table : migrated.GetTableNames())
                PromoteKeyColumn(migrated, table, QStringLiteral("ID"));
            transaction.Commit();
            migrated.Close();
        } catch (const ERuntimeError& e) {
            error = e.message();
        }
    }
    if (!error.isEmpty()) {
        cleanUp();
        TConnection::Fail(DatabaseMessage("msgJetMigration", {path, error}));
    }
    // Put the new file in place and keep the original beside it.
    if (!QFile::rename(path, backup)) {
        cleanUp();
        TConnection::Fail(DatabaseMessage("msgJetMigration", {path, QFile(path).errorString()}));
    }
    if (!QFile::rename(target, path)) {
        QFile::rename(backup, path);
        cleanUp();
        TConnection::Fail(DatabaseMessage("msgJetMigration", {path, QFile(target).errorString()}));
    }
    QFile::remove(copy);
    LogLine(QStringLiteral("database"), QStringLiteral("Jet data database migrated: ") + path +
                                            QStringLiteral(", original kept as ") + backup);
    return backup;
}

// --- Creating a database -------------------------------------------------

void CreateDataDatabase(const QString& path) {
    if (QFileInfo::exists(path))
        TConnection::Fail(DatabaseMessage("msgFileExists", {path}));
    const QString partial = path + QStringLiteral(".partial");
    QFile::remove(partial);
    const QString name = NextConnectionName();
    QString error;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(partial);
        if (!db.open()) {
            error = EngineText(db.lastError());
        } else {
            // Writing the first page gives the file its database header.
            QSqlQuery q(db);
            if (!q.exec(QStringLiteral("PRAGMA user_version=0")) ||
                !q.exec(QStringLiteral("CREATE TABLE orv_init(x)")) ||
                !q.exec(QStringLiteral("DROP TABLE orv_init")))
                error = EngineText(q.lastError());
            q = QSqlQuery();
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    if (error.isEmpty() && !QFile::rename(partial, path))
        error = QFile(partial).errorString();
    if (!error.isEmpty()) {
        QFile::remove(partial);
        TConnection::Fail(DatabaseMessage("msgFileCreate", {path, error}));
    }
}
