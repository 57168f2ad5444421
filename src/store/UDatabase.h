#pragma once

#include "UJetSql.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

// Connections and queries on SQLite databases, spoken to in Jet SQL. Every
// engine error is raised as EDatabaseError carrying the engine's message.

// A column of a table as the engine declares it.
struct TColumnInfo {
    QString Name;
    QString DeclaredType; // as written in CREATE TABLE, e.g. "varchar(255)"
    bool NotNull = false;
    bool PrimaryKey = false;
};

class TConnection {
public:
    using THook = std::function<void(const QString& dataSource)>;

    TConnection();
    ~TConnection();
    TConnection(const TConnection&) = delete;
    TConnection& operator=(const TConnection&) = delete;

    // Settings taken while the connection is closed.
    void SetDataSource(const QString& path);
    const QString& DataSource() const { return m_dataSource; }
    // Exclusive: the file is held by this program alone until the connection
    // closes; a second program gets an error when it opens the file.
    void SetExclusive(bool exclusive) { m_exclusive = exclusive; }
    bool Exclusive() const { return m_exclusive; }
    // Read-only connections never write the file.
    void SetReadOnly(bool readOnly) { m_readOnly = readOnly; }
    bool ReadOnly() const { return m_readOnly; }

    // Hooks run before every open and after every close with the data source;
    // by default they restore and hide the file's header. An error raised by
    // the open hook makes the open fail.
    void SetBeforeOpenHook(THook hook) { m_beforeOpen = std::move(hook); }
    void SetAfterCloseHook(THook hook) { m_afterClose = std::move(hook); }

    // Opens the file, which must exist. Throws EDatabaseError.
    void Open();
    void Close();
    bool Connected() const { return m_open; }

    // Names of the user tables (and, when asked, the stored views), system
    // tables excluded, in the order the engine lists them.
    QStringList GetTableNames(bool includeViews = false) const;
    QStringList GetFieldNames(const QString& table) const;
    QList<TColumnInfo> GetColumns(const QString& table) const;

    // Runs a Jet statement that returns no rows; the number of rows changed.
    int Execute(const QString& jetSql, const QVariantHash& params = {});

    // The Qt connection, for the layers above that need it.
    QSqlDatabase Database() const;
    const QString& ConnectionName() const { return m_name; }

    // The error a QSqlQuery left, as an exception with the engine's message.
    [[noreturn]] static void RaiseError(const QSqlError& error);
    // Logs a database error and raises it.
    [[noreturn]] static void Fail(const QString& message);

private:
    void EnsureOpen() const;

    QString m_name;
    QString m_dataSource;
    QString m_fileKey;
    bool m_exclusive = true;
    bool m_readOnly = false;
    bool m_open = false;
    THook m_beforeOpen;
    THook m_afterClose;
};

// Rolls back unless committed when it goes out of scope.
class TTransaction {
public:
    explicit TTransaction(TConnection& connection);
    ~TTransaction();
    TTransaction(const TTransaction&) = delete;
    TTransaction& operator=(const TTransaction&) = delete;
    void Commit();

private:
    TConnection& m_connection;
    bool m_active = false;
};

// A query on a connection: Jet SQL set as lines, named parameters written
// ":NAME" and set by name, rows read forward.
class TQuery {
public:
    explicit TQuery(TConnection& connection);
    ~TQuery();

    TConnection& Connection() const { return *m_connection; }
    void SetConnection(TConnection& connection);

    // The statement as lines joined by line breaks.
    void SetSQL(const QStringList& lines);
    void SetSQL(const QString& text);
    const QString& SQL() const { return m_sql; }

    // Sets a parameter by name (without the colon, letter case ignored); a
    // parameter never set is null.
    void SetParam(const QString& name, const QVariant& value);
    void ClearParams() { m_params.clear(); }

    void Open();
    void Close();
    bool Active() const { return m_active; }
    // Runs a statement that returns no rows; the number of rows changed.
    int ExecSQL();

    bool Eof() const { return m_eof; }
    void Next();
    // Number of rows the statement returns (counted by the engine).
    int RecordCount();

    int FieldCount() const { return m_record.count(); }
    QString FieldName(int index) const { return m_record.fieldName(index); }
    int FieldIndex(const QString& name) const; // -1 when there is no such column

    // Column values of the current row, by name or position (0 is the first).
    // A missing column raises EDatabaseError.
    QVariant Value(const QString& name) const;
    QVariant Value(int index) const;
    bool IsNull(const QString& name) const { return Value(name).isNull(); }
    bool IsNull(int index) const { return Value(index).isNull(); }
    QString AsString(const QString& name) const { return ToString(Value(name)); }
    QString AsString(int index) const { return ToString(Value(index)); }
    qint64 AsInteger(const QString& name) const { return ToInteger(Value(name)); }
    qint64 AsInteger(int index) const { return ToInteger(Value(index)); }
    bool AsBoolean(const QString& name) const { return ToBoolean(Value(name)); }
    bool AsBoolean(int index) const { return ToBoolean(Value(index)); }
    QDateTime AsDateTime(const QString& name) const { return ToDateTime(Value(name)); }
    QDateTime AsDateTime(int index) const { return ToDateTime(Value(index)); }

    // Conversions of stored values as the accessors above make them: null is
    // empty text, 0, false or an invalid date; a text that is no number or no
    // date raises EDatabaseError.
    static QString ToString(const QVariant& v);
    static qint64 ToInteger(const QVariant& v);
    static bool ToBoolean(const QVariant& v);
    static QDateTime ToDateTime(const QVariant& v);

private:
    void Prepare(QSqlQuery& query, const TJetStatement& statement) const;
    // The statement translated for SQLite, kept until the text changes.
    const TJetStatement& Translated();
    void Fetch();

    TConnection* m_connection;
    QString m_sql;
    std::optional<TJetStatement> m_translated;
    QVariantHash m_params; // upper-cased name -> value
    std::unique_ptr<QSqlQuery> m_query;
    QSqlRecord m_record;
    QList<QVariant> m_values;
    bool m_active = false;
    bool m_eof = true;
    int m_recordCount = -1;
};

// Replaces a data database in Jet format by an SQLite database holding every
// table, column and row of it; the original file is kept unchanged beside it
// (named "<name>.jet-original.mdb") and its path returned. On failure nothing
// is replaced. Throws EDatabaseError.
QString MigrateJetDatabase(const QString& path);

// Creates an empty database file; the path must not exist yet. The file is
// built under a temporary name and renamed, so a failure leaves nothing behind.
// Throws EDatabaseError.
void CreateDataDatabase(const QString& path);
