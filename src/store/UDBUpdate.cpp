#include "UDBUpdate.h"

#include "UControlField.h"
#include "UDatabase.h"
#include "UDialogs.h"
#include "UExceptions.h"
#include "UJetFile.h"
#include "UJetSchema.h"
#include "ULang.h"
#include "ULog.h"

#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>

const char* const TdmDBUpdate::qrySelectTables = "SELECT TABLE_NAME, CAPTION\n"
                                                 "FROM T_FORM\n"
                                                 "ORDER BY NORDER";
const char* const TdmDBUpdate::qrySelectFields =
    "SELECT T_FORM_FIELDS.FIELD_NAME, T_FORM_FIELDS.FIELD_TYPE, T_FORM_FIELDS.CAPTION\n"
    "FROM T_FORM, T_FORM_FIELDS\n"
    "WHERE TABLE_NAME=:TABLE_NAME AND PK_FORM=FK_FORM\n"
    "ORDER BY T_FORM_FIELDS.NORDER";
const char* const TdmDBUpdate::qrySelectIndexes = "SELECT TABLE_NAME, FIELD_NAME\n"
                                                  "FROM T_FORM, T_FORM_FIELDS\n"
                                                  "WHERE PK_FORM=FK_FORM AND AUNIQUE<>0";

namespace {

qsizetype IndexOfNoCase(const QStringList& list, const QString& name) {
    for (qsizetype i = 0; i < list.size(); ++i)
        if (list[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

struct TFieldDef {
    QString Name;
    quint8 Code;
    QString Type;
};

// The index names of the data database, letter case ignored.
QSet<QString> IndexNames(TConnection& c) {
    QSet<QString> names;
    QSqlQuery q(c.Database());
    if (!q.exec(QStringLiteral("SELECT name FROM sqlite_master WHERE type='index'")))
        TConnection::RaiseError(q.lastError());
    while (q.next())
        names.insert(q.value(0).toString().toUpper());
    q.finish();
    return names;
}

// Whether the index of that name is a unique index of the table on that one column.
bool IsUniqueIndexOn(TConnection& c, const QString& index, const QString& table,
                     const QString& column) {
    QSqlQuery q(c.Database());
    q.prepare(
        QStringLiteral("SELECT \"unique\" FROM pragma_index_list(?) WHERE name=? COLLATE NOCASE"));
    q.addBindValue(table);
    q.addBindValue(index);
    if (!q.exec() || !q.next() || q.value(0).toInt() != 1)
        return false;
    q.finish();
    q.prepare(QStringLiteral("SELECT name FROM pragma_index_info(?)"));
    q.addBindValue(index);
    if (!q.exec())
        return false;
    QStringList columns;
    while (q.next())
        columns.append(q.value(0).toString());
    return columns.size() == 1 && columns[0].compare(column, Qt::CaseInsensitive) == 0;
}

void ExecOn(TConnection& c, const QString& sql) {
    QSqlQuery q(c.Database());
    if (!q.exec(sql))
        TConnection::RaiseError(q.lastError());
}

// The transaction of a whole run: committed at the end, or, when an error
// escapes, committed with what was done before it (each part undid its own
// changes through its savepoint).
class TRunTransaction {
public:
    explicit TRunTransaction(TConnection& c) : m_c(c) { ExecOn(m_c, QStringLiteral("BEGIN")); }
    ~TRunTransaction() {
        if (m_open) {
            QSqlQuery q(m_c.Database());
            q.exec(QStringLiteral("COMMIT"));
        }
    }
    void Commit() {
        m_open = false;
        ExecOn(m_c, QStringLiteral("COMMIT"));
    }

private:
    TConnection& m_c;
    bool m_open = true;
};

// A part of the run that is done whole or not at all.
class TSavepoint {
public:
    explicit TSavepoint(TConnection& c) : m_c(c) {
        ExecOn(m_c, QStringLiteral("SAVEPOINT sync_part"));
    }
    ~TSavepoint() {
        if (m_open) {
            QSqlQuery q(m_c.Database());
            q.exec(QStringLiteral("ROLLBACK TO sync_part"));
            q.exec(QStringLiteral("RELEASE sync_part"));
        }
    }
    void Commit() {
        m_open = false;
        ExecOn(m_c, QStringLiteral("RELEASE sync_part"));
    }

private:
    TConnection& m_c;
    bool m_open = true;
};

} // namespace

TdmDBUpdate::TdmDBUpdate(TConnection& resources, TConnection& data)
    : OnIndexError([](const QString& message) { ShowError(message); }), m_resources(resources),
      m_data(data) {}

void TdmDBUpdate::Change(const char* key, std::initializer_list<QString> args) {
    const QString text = FormatText(Language().SectionText(QStringLiteral("dmDBUpdate"),
                                                           QLatin1String(key), QLatin1String(key)),
                                    args);
    m_changes.append(text);
    LogLine(QStringLiteral("sync"), text);
}

bool TdmDBUpdate::Run(const QString& jet, bool ignoreErrors) {
    m_statements.append(jet);
    try {
        return ExecuteJetDDL(m_data, jet) == TSchemaEffect::Changed;
    } catch (const EDatabaseError&) {
        if (!ignoreErrors)
            throw;
        return false;
    }
}

void TdmDBUpdate::SynchronizeDataSchema() {
    m_statements.clear();
    m_changes.clear();
    m_pendingIndexDrops.clear();

    // 0. The data database, created when missing.
    const QString path = m_data.DataSource();
    if (!path.isEmpty() && !QFileInfo::exists(path))
        CreateDataDatabase(path);
    else if (!path.isEmpty() && IsJetFile(path)) {
        // A data database moved over from Windows becomes an SQLite database once.
        m_data.Close();
        const QString original = MigrateJetDatabase(path);
        Change("msgJetMigrated", {path, original});
    }
    if (!m_data.Connected())
        m_data.Open();

    // The whole run is one transaction, each table's changes a savepoint in it:
    // a stopping error undoes that table's changes, keeps the tables done
    // before it and is raised; a kill leaves the file as before the run.
    TRunTransaction run(m_data);

    // 1. The tables and stored views there are.
    QStringList existingTables = m_data.GetTableNames(true);
    QSet<QString> indexes = IndexNames(m_data);

    // 2. One table per form.
    TQuery tables(m_resources);
    tables.SetSQL(QLatin1String(qrySelectTables));
    tables.Open();
    TQuery fields(m_resources);
    fields.SetSQL(QLatin1String(qrySelectFields));
    for (; !tables.Eof(); tables.Next()) {
        const QString table = tables.AsString(0);
        QList<TFieldDef> defs;
        fields.SetParam(QStringLiteral("TABLE_NAME"), table);
        for (fields.Open(); !fields.Eof(); fields.Next()) {
            const auto code = static_cast<quint8>(fields.AsInteger(1));
            if (IsDataField(code))
                defs.append({fields.AsString(0), code, SqlColumnType(code)});
        }
        fields.Close();

        TSavepoint transaction(m_data);
        const qsizetype found = IndexOfNoCase(existingTables, table);
        if (found < 0) {
            QStringList lines{QStringLiteral("CREATE TABLE ") + table, QStringLiteral("("),
                              QStringLiteral("ID AUTOINCREMENT NOT NULL ,")};
            for (const TFieldDef& f : defs) {
                lines.append(u'[' + f.Name + QStringLiteral("] ") + f.Type);
                lines.append(QStringLiteral(","));
            }
            lines.append(QStringLiteral("PRIMARY KEY (ID)"));
            lines.append(QStringLiteral(")"));
            Run(lines.join(u'\n'));
            Change("msgTableCreated", {table});
        } else {
            existingTables.removeAt(found);
            const QList<TColumnInfo> columns = m_data.GetColumns(table);
            QStringList columnNames;
            for (const TColumnInfo& c : columns)
                columnNames.append(c.Name);
            for (const TFieldDef& f : defs) {
                enum { Same, Changed, Missing } state = Missing;
                QString storedType;
                const qsizetype at = IndexOfNoCase(columnNames, f.Name);
                if (at >= 0) {
                    columnNames.removeAt(at);
                    for (const TColumnInfo& c : columns)
                        if (c.Name == f.Name) {
                            const quint8 cls =
                                FieldTypeOfColumn(ClassifyDeclaredType(c.DeclaredType));
                            state = cls == f.Code ? Same : Changed;
                            storedType = c.DeclaredType;
                            break;
                        }
                }
                if (state != Missing) {
                    // The index of a field made unique before; step 4 makes it
                    // again. An index left in place on an unchanged column is
                    // only dropped at the end if step 4 does not ask for it.
                    const QString index = table + u'_' + f.Name;
                    const QString drop =
                        QStringLiteral("DROP INDEX ") + index + QStringLiteral(" ON ") + table;
                    if (!indexes.contains(index.toUpper())) {
                        m_statements.append(drop); // nothing there to drop
                    } else if (state == Same) {
                        m_statements.append(drop);
                        m_pendingIndexDrops.append(index);
                    } else {
                        Run(drop, true);
                        indexes.remove(index.toUpper());
                    }
                }
                if (state == Missing) {
                    Run(QStringLiteral("ALTER TABLE ") + table +
                        QStringLiteral("\nADD COLUMN \n[") + f.Name + QStringLiteral("] ") +
                        f.Type);
                    // A column there under another letter case was renamed, not added.
                    const bool renamed =
                        std::any_of(columns.cbegin(), columns.cend(), [&](const TColumnInfo& c) {
                            return c.Name.compare(f.Name, Qt::CaseInsensitive) == 0;
                        });
                    Change(renamed ? "msgColumnRenamed" : "msgColumnAdded", {table, f.Name});
                } else if (state == Changed) {
                    const QString alter = QStringLiteral("ALTER TABLE ") + table +
                                          QStringLiteral("\nALTER COLUMN \n[") + f.Name +
                                          QStringLiteral("] ") + f.Type;
                    // A column already of the target type (a list over a text
                    // column, say) has nothing to change.
                    if (SameDeclaredType(storedType, DataColumnType(f.Type)))
                        m_statements.append(alter);
                    else if (Run(alter))
                        Change("msgColumnAltered", {table, f.Name});
                }
            }
            for (const QString& column : columnNames) {
                if (column == u"ID")
                    continue;
                if (Run(QStringLiteral("ALTER TABLE ") + table + QStringLiteral(" DROP COLUMN [") +
                        column + u']'))
                    Change("msgColumnDropped", {table, column});
            }
        }
        transaction.Commit();
    }

    // 3. Tables and stored views that no form names.
    for (const QString& table : existingTables) {
        TSavepoint transaction(m_data);
        Run(QStringLiteral("DROP TABLE ") + table);
        transaction.Commit();
        Change("msgTableDropped", {table});
    }

    // 4. The unique indexes.
    TQuery unique(m_resources);
    unique.SetSQL(QLatin1String(qrySelectIndexes));
    for (unique.Open(); !unique.Eof(); unique.Next()) {
        const QString table = unique.AsString(0);
        const QString field = unique.AsString(1);
        const QString index = table + u'_' + field;
        const QString create = QStringLiteral("CREATE UNIQUE INDEX ") + index +
                               QStringLiteral("\nON ") + table + QStringLiteral("\n(") + field +
                               u')';
        const qsizetype pending = IndexOfNoCase(m_pendingIndexDrops, index);
        if (pending >= 0 && IsUniqueIndexOn(m_data, index, table, field)) {
            // Still in place over the same values: dropping and making it again
            // would give the same index.
            m_statements.append(create);
            m_pendingIndexDrops.removeAt(pending);
            continue;
        }
        try {
            TSavepoint attempt(m_data);
            if (pending >= 0) {
                Run(QStringLiteral("DROP INDEX ") + index + QStringLiteral(" ON ") + table, true);
                m_pendingIndexDrops.removeAt(pending);
            }
            Run(create);
            attempt.Commit();
            Change("msgIndexCreated", {index});
        } catch (const EDatabaseError& e) {
            LogLine(QStringLiteral("sync"), e.message());
            if (OnIndexError)
                OnIndexError(e.message() + u'\n' + table + u' ' + field);
        }
    }
    // Indexes of fields no longer unique.
    for (const QString& index : m_pendingIndexDrops) {
        const QString table = index.left(index.lastIndexOf(u'_'));
        if (Run(QStringLiteral("DROP INDEX ") + index + QStringLiteral(" ON ") + table, true))
            Change("msgIndexDropped", {index});
    }
    m_pendingIndexDrops.clear();
    run.Commit();
}
