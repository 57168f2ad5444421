#include "UJetSchema.h"

#include "UDatabase.h"

#include <QSqlError>
#include <QSqlQuery>

namespace {

// --- A small lexer for DDL statements --------------------------------------

enum class TKind { Word, Name, Number, Symbol };

struct TToken {
    TKind Kind;
    QString Text; // a name without its brackets or quotes
};

QList<TToken> Lex(const QString& s) {
    QList<TToken> out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
        } else if (c == u'[') {
            const qsizetype close = s.indexOf(u']', i + 1);
            const qsizetype end = close < 0 ? n : close;
            out.append({TKind::Name, s.mid(i + 1, end - i - 1)});
            i = end + 1;
        } else if (c == u'"' || c == u'`') {
            QString name;
            ++i;
            while (i < n) {
                if (s[i] == c) {
                    if (i + 1 < n && s[i + 1] == c) {
                        name += c;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                name += s[i++];
            }
            out.append({TKind::Name, name});
        } else if (c.isLetter() || c == u'_') {
            const qsizetype start = i;
            while (i < n && (s[i].isLetterOrNumber() || s[i] == u'_' || s[i] == u'$'))
                ++i;
            out.append({TKind::Word, s.mid(start, i - start)});
        } else if (c.isDigit()) {
            const qsizetype start = i;
            while (i < n && (s[i].isDigit() || s[i] == u'.'))
                ++i;
            out.append({TKind::Number, s.mid(start, i - start)});
        } else {
            out.append({TKind::Symbol, QString(c)});
            ++i;
        }
    }
    return out;
}

class TParser {
public:
    explicit TParser(const QString& text) : m_tokens(Lex(text)) {}

    bool AtEnd() const { return m_pos >= m_tokens.size(); }
    const TToken* Peek(qsizetype ahead = 0) const {
        return m_pos + ahead < m_tokens.size() ? &m_tokens[m_pos + ahead] : nullptr;
    }
    bool PeekWord(const char* word, qsizetype ahead = 0) const {
        const TToken* t = Peek(ahead);
        return t && t->Kind == TKind::Word &&
               t->Text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool TakeWord(const char* word) {
        if (!PeekWord(word))
            return false;
        ++m_pos;
        return true;
    }
    bool TakeSymbol(QChar symbol) {
        const TToken* t = Peek();
        if (!t || t->Kind != TKind::Symbol || t->Text != symbol)
            return false;
        ++m_pos;
        return true;
    }
    // A table, column or index name: a bare word or a bracketed or quoted name.
    bool TakeName(QString& name) {
        const TToken* t = Peek();
        if (!t || (t->Kind != TKind::Word && t->Kind != TKind::Name))
            return false;
        name = t->Text;
        ++m_pos;
        return true;
    }
    // The rest of a column definition up to a top-level comma or closing
    // parenthesis: its type text and whether it says NOT NULL.
    void TakeType(QString& type, bool& notNull) {
        int depth = 0;
        bool lastWasWord = false;
        while (const TToken* t = Peek()) {
            if (t->Kind == TKind::Symbol) {
                if (t->Text == u"(")
                    ++depth;
                else if (t->Text == u")") {
                    if (depth == 0)
                        break;
                    --depth;
                } else if (t->Text == u"," && depth == 0)
                    break;
                type += t->Text;
                lastWasWord = false;
                ++m_pos;
                continue;
            }
            if (depth == 0 && PeekWord("NOT") && PeekWord("NULL", 1)) {
                notNull = true;
                m_pos += 2;
                continue;
            }
            if (depth == 0 && PeekWord("NULL")) {
                ++m_pos;
                continue;
            }
            if (lastWasWord)
                type += u' ';
            type += t->Text;
            lastWasWord = true;
            ++m_pos;
        }
    }

private:
    QList<TToken> m_tokens;
    qsizetype m_pos = 0;
};

// --- Helpers on the connection ---------------------------------------------

QString Quote(const QString& name) {
    QString q = name;
    q.replace(u'"', QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

void Exec(TConnection& c, const QString& sql) {
    QSqlQuery q(c.Database());
    if (!q.exec(sql))
        TConnection::RaiseError(q.lastError());
}

[[noreturn]] void Malformed(const QString& jet) {
    TConnection::Fail(QStringLiteral("syntax error in DDL statement: ") + jet.simplified());
}

struct TExistingColumn {
    QString Name;
    QString Type;
    bool NotNull = false;
    QVariant Default;
    int PrimaryKey = 0;
};

QList<TExistingColumn> ColumnsOf(TConnection& c, const QString& table) {
    QSqlQuery q(c.Database());
    if (!q.prepare(QStringLiteral(
            "SELECT name, type, \"notnull\", dflt_value, pk FROM pragma_table_info(?)")))
        TConnection::RaiseError(q.lastError());
    q.addBindValue(table);
    if (!q.exec())
        TConnection::RaiseError(q.lastError());
    QList<TExistingColumn> columns;
    while (q.next())
        columns.append({q.value(0).toString(), q.value(1).toString(), q.value(2).toInt() != 0,
                        q.value(3), q.value(4).toInt()});
    q.finish();
    return columns;
}

// The name and kind ("table", "view", "index") of a schema object, found
// without regard to letter case; empty when there is none.
QPair<QString, QString> SchemaObject(TConnection& c, const QString& name) {
    QSqlQuery q(c.Database());
    q.prepare(QStringLiteral("SELECT name, type FROM sqlite_master WHERE name=? COLLATE NOCASE"));
    q.addBindValue(name);
    if (!q.exec())
        TConnection::RaiseError(q.lastError());
    if (!q.next())
        return {};
    const QPair<QString, QString> found{q.value(0).toString(), q.value(1).toString()};
    q.finish();
    return found;
}

bool IsTextual(const QString& declared) {
    switch (ClassifyDeclaredType(declared)) {
    case TColumnDataType::OneByteText:
    case TColumnDataType::WideText:
    case TColumnDataType::Memo:
    case TColumnDataType::WideMemo:
        return true;
    default:
        return false;
    }
}

// The declaration of an existing column as the rebuilt table repeats it.
QString ColumnDeclaration(const TExistingColumn& column, const QString& type, bool autoIncrement) {
    QString d = Quote(column.Name);
    if (column.PrimaryKey == 1 && type.compare(u"INTEGER", Qt::CaseInsensitive) == 0) {
        d += autoIncrement ? QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT")
                           : QStringLiteral(" INTEGER PRIMARY KEY");
    } else if (!type.isEmpty()) {
        d += u' ' + type;
        if (IsTextual(type))
            d += QStringLiteral(" COLLATE NOCASE");
    }
    if (column.NotNull)
        d += QStringLiteral(" NOT NULL");
    if (!column.Default.isNull())
        d += QStringLiteral(" DEFAULT ") + column.Default.toString();
    return d;
}

// Rebuilds a table the SQLite way: a new table with the columns changed, every
// row copied, the old table replaced, its indexes and key counter restored.
// `newTypes` maps a column name (exact) to its new declared type; `dropped`
// names a column left out.
void RebuildTable(TConnection& c, const QString& table, const QHash<QString, QString>& newTypes,
                  const QString& dropped, const QString& newKey = QString()) {
    const QList<TExistingColumn> columns = ColumnsOf(c, table);
    QSqlQuery q(c.Database());

    q.prepare(QStringLiteral("SELECT sql FROM sqlite_master WHERE type='table' AND name=?"));
    q.addBindValue(table);
    if (!q.exec() || !q.next())
        TConnection::RaiseError(q.lastError());
    const bool autoIncrement =
        !newKey.isEmpty() || q.value(0).toString().contains(u"AUTOINCREMENT", Qt::CaseInsensitive);
    q.finish();

    // The indexes to restore: those that do not use the dropped column.
    QStringList indexes;
    q.prepare(QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type='index' AND "
                             "tbl_name=? AND sql IS NOT NULL"));
    q.addBindValue(table);
    if (!q.exec())
        TConnection::RaiseError(q.lastError());
    QList<QPair<QString, QString>> found;
    while (q.next())
        found.append({q.value(0).toString(), q.value(1).toString()});
    q.finish();
    for (const auto& [name, sql] : found) {
        bool usesDropped = false;
        if (!dropped.isEmpty()) {
            QSqlQuery info(c.Database());
            info.prepare(QStringLiteral("SELECT name FROM pragma_index_info(?)"));
            info.addBindValue(name);
            info.exec();
            while (info.next())
                usesDropped |= info.value(0).toString().compare(dropped, Qt::CaseInsensitive) == 0;
            info.finish();
        }
        if (!usesDropped)
            indexes.append(sql);
    }

    QVariant sequence;
    if (!SchemaObject(c, QStringLiteral("sqlite_sequence")).first.isEmpty()) {
        q.prepare(QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name=?"));
        q.addBindValue(table);
        if (q.exec() && q.next())
            sequence = q.value(0);
    }
    q.finish();

    QStringList declarations, names;
    for (TExistingColumn column : columns) {
        if (!dropped.isEmpty() && column.Name.compare(dropped, Qt::CaseInsensitive) == 0)
            continue;
        if (!newKey.isEmpty()) {
            // Only the new key column is the primary key.
            column.PrimaryKey = column.Name == newKey ? 1 : 0;
            if (column.PrimaryKey)
                column.Type = QStringLiteral("INTEGER");
        }
        declarations.append(
            ColumnDeclaration(column, newTypes.value(column.Name, column.Type), autoIncrement));
        names.append(Quote(column.Name));
    }
    const QString temporary = table + QStringLiteral("__rebuild");
    Exec(c, QStringLiteral("CREATE TABLE %1 (%2)").arg(Quote(temporary), declarations.join(u", ")));
    Exec(c, QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3")
                .arg(Quote(temporary), names.join(u", "), Quote(table)));
    Exec(c, QStringLiteral("DROP TABLE ") + Quote(table));
    // Stored views naming the table stay as they are: the legacy rename does
    // not check them while the table is missing.
    Exec(c, QStringLiteral("PRAGMA legacy_alter_table=ON"));
    Exec(c, QStringLiteral("ALTER TABLE %1 RENAME TO %2").arg(Quote(temporary), Quote(table)));
    Exec(c, QStringLiteral("PRAGMA legacy_alter_table=OFF"));
    for (const QString& sql : indexes)
        Exec(c, sql);
    if (sequence.isValid()) {
        QSqlQuery s(c.Database());
        s.prepare(QStringLiteral("UPDATE sqlite_sequence SET seq=MAX(seq, ?) WHERE name=?"));
        s.addBindValue(sequence);
        s.addBindValue(table);
        if (!s.exec())
            TConnection::RaiseError(s.lastError());
        if (s.numRowsAffected() == 0) {
            s.prepare(QStringLiteral("INSERT INTO sqlite_sequence (name, seq) VALUES (?, ?)"));
            s.addBindValue(table);
            s.addBindValue(sequence);
            if (!s.exec())
                TConnection::RaiseError(s.lastError());
        }
    }
}

const TExistingColumn* FindColumn(const QList<TExistingColumn>& columns, const QString& name,
                                  Qt::CaseSensitivity cs) {
    for (const TExistingColumn& column : columns)
        if (column.Name.compare(name, cs) == 0)
            return &column;
    return nullptr;
}

// --- The statements ----------------------------------------------------------

TSchemaEffect CreateTable(TConnection& c, TParser& p, const QString& jet) {
    QString table;
    if (!p.TakeName(table) || !p.TakeSymbol(u'('))
        Malformed(jet);
    QStringList declarations;
    QString autoKey;
    QStringList primaryKey;
    while (!p.AtEnd() && !p.TakeSymbol(u')')) {
        if (p.TakeSymbol(u','))
            continue;
        if (p.PeekWord("PRIMARY") && p.PeekWord("KEY", 1)) {
            p.TakeWord("PRIMARY");
            p.TakeWord("KEY");
            if (!p.TakeSymbol(u'('))
                Malformed(jet);
            QString name;
            while (p.TakeName(name) || p.TakeSymbol(u','))
                if (!name.isEmpty())
                    primaryKey.append(std::exchange(name, QString()));
            if (!p.TakeSymbol(u')'))
                Malformed(jet);
            continue;
        }
        QString name;
        if (!p.TakeName(name))
            Malformed(jet);
        if (p.PeekWord("AUTOINCREMENT") || p.PeekWord("COUNTER")) {
            QString type;
            bool notNull = false;
            p.TakeType(type, notNull);
            autoKey = name;
            declarations.append(Quote(name) +
                                QStringLiteral(" INTEGER PRIMARY KEY AUTOINCREMENT NOT NULL"));
            continue;
        }
        QString type;
        bool notNull = false;
        p.TakeType(type, notNull);
        QString declaration = Quote(name);
        const QString definition = DataColumnDefinition(type);
        if (!definition.isEmpty())
            declaration += u' ' + definition;
        if (notNull)
            declaration += QStringLiteral(" NOT NULL");
        declarations.append(declaration);
    }
    // The key column already is the primary key.
    if (!primaryKey.isEmpty() &&
        !(primaryKey.size() == 1 && primaryKey[0].compare(autoKey, Qt::CaseInsensitive) == 0)) {
        QStringList quoted;
        for (const QString& k : primaryKey)
            quoted.append(Quote(k));
        declarations.append(QStringLiteral("PRIMARY KEY (") + quoted.join(u", ") + u')');
    }
    Exec(c, QStringLiteral("CREATE TABLE %1 (%2)").arg(Quote(table), declarations.join(u", ")));
    return TSchemaEffect::Changed;
}

TSchemaEffect AlterTable(TConnection& c, TParser& p, const QString& jet) {
    QString table;
    if (!p.TakeName(table))
        Malformed(jet);
    enum { Add, Alter, Drop } action;
    if (p.TakeWord("ADD"))
        action = Add;
    else if (p.TakeWord("ALTER"))
        action = Alter;
    else if (p.TakeWord("DROP"))
        action = Drop;
    else
        Malformed(jet);
    p.TakeWord("COLUMN");
    QString column;
    if (!p.TakeName(column))
        Malformed(jet);
    QString type;
    bool notNull = false;
    p.TakeType(type, notNull);

    const QList<TExistingColumn> columns = ColumnsOf(c, table);
    switch (action) {
    case Add: {
        const TExistingColumn* other = FindColumn(columns, column, Qt::CaseInsensitive);
        if (other && other->Name != column) {
            // The field was renamed in letter case only: the column follows
            // with its data.
            Exec(c, QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO %3")
                        .arg(Quote(table), Quote(other->Name), Quote(column)));
            if (!SameDeclaredType(other->Type, DataColumnType(type)))
                RebuildTable(c, table, {{column, DataColumnType(type)}}, QString());
            return TSchemaEffect::Changed;
        }
        QString declaration = Quote(column);
        const QString definition = DataColumnDefinition(type);
        if (!definition.isEmpty())
            declaration += u' ' + definition;
        if (notNull)
            declaration += QStringLiteral(" NOT NULL");
        Exec(c, QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(Quote(table), declaration));
        return TSchemaEffect::Changed;
    }
    case Alter: {
        const TExistingColumn* existing = FindColumn(columns, column, Qt::CaseInsensitive);
        if (!existing)
            TConnection::Fail(QStringLiteral("no such column: ") + column);
        if (SameDeclaredType(existing->Type, DataColumnType(type)))
            return TSchemaEffect::None;
        RebuildTable(c, table, {{existing->Name, DataColumnType(type)}}, QString());
        return TSchemaEffect::Changed;
    }
    case Drop: {
        const TExistingColumn* existing = FindColumn(columns, column, Qt::CaseInsensitive);
        if (!existing)
            TConnection::Fail(QStringLiteral("no such column: ") + column);
        if (existing->PrimaryKey == 1 &&
            existing->Type.compare(u"INTEGER", Qt::CaseInsensitive) == 0) {
            // The table's integer key is never dropped: it becomes the ID key.
            if (existing->Name == u"ID")
                return TSchemaEffect::None;
            Exec(c, QStringLiteral("ALTER TABLE %1 RENAME COLUMN %2 TO \"ID\"")
                        .arg(Quote(table), Quote(existing->Name)));
            return TSchemaEffect::Changed;
        }
        QSqlQuery q(c.Database());
        if (!q.exec(QStringLiteral("ALTER TABLE %1 DROP COLUMN %2")
                        .arg(Quote(table), Quote(existing->Name))))
            RebuildTable(c, table, {}, existing->Name); // indexed or otherwise bound
        return TSchemaEffect::Changed;
    }
    }
    return TSchemaEffect::None;
}

} // namespace

QString DataColumnType(const QString& jetType) {
    const QString t = jetType.trimmed();
    const QString upper = t.toUpper();
    if (upper == u"MEMO" || upper == u"LONGTEXT" || upper == u"NOTE")
        return QStringLiteral("MEMO TEXT");
    if (upper == u"LONGBINARY" || upper == u"OLEOBJECT" || upper == u"GENERAL")
        return QStringLiteral("LONGBINARY BLOB");
    return t;
}

QString DataColumnDefinition(const QString& jetType) {
    const QString type = DataColumnType(jetType);
    if (type.isEmpty())
        return type;
    return IsTextual(type) ? type + QStringLiteral(" COLLATE NOCASE") : type;
}

TColumnDataType ClassifyDeclaredType(const QString& declaredType) {
    QString t = declaredType.trimmed().toUpper();
    const qsizetype paren = t.indexOf(u'(');
    const QString base = (paren >= 0 ? t.left(paren) : t).trimmed();
    const QString first = base.section(u' ', 0, 0);
    static const QHash<QString, TColumnDataType> types = {
        {QStringLiteral("VARCHAR"), TColumnDataType::OneByteText},
        {QStringLiteral("CHAR"), TColumnDataType::OneByteText},
        {QStringLiteral("CHARACTER"), TColumnDataType::OneByteText},
        {QStringLiteral("NVARCHAR"), TColumnDataType::WideText},
        {QStringLiteral("NCHAR"), TColumnDataType::WideText},
        {QStringLiteral("INTEGER"), TColumnDataType::Integer32},
        {QStringLiteral("INT"), TColumnDataType::Integer32},
        {QStringLiteral("LONG"), TColumnDataType::Integer32},
        {QStringLiteral("SMALLINT"), TColumnDataType::Integer16},
        {QStringLiteral("SHORT"), TColumnDataType::Integer16},
        {QStringLiteral("BYTE"), TColumnDataType::Integer16},
        {QStringLiteral("TINYINT"), TColumnDataType::Integer16},
        {QStringLiteral("CURRENCY"), TColumnDataType::Currency},
        {QStringLiteral("MONEY"), TColumnDataType::Currency},
        {QStringLiteral("DATETIME"), TColumnDataType::DateTime},
        {QStringLiteral("DATE"), TColumnDataType::DateTime},
        {QStringLiteral("TIMESTAMP"), TColumnDataType::DateTime},
        {QStringLiteral("LONGBINARY"), TColumnDataType::Blob},
        {QStringLiteral("BLOB"), TColumnDataType::Blob},
        {QStringLiteral("OLEOBJECT"), TColumnDataType::Blob},
        {QStringLiteral("IMAGE"), TColumnDataType::Blob},
        {QStringLiteral("BIT"), TColumnDataType::Boolean},
        {QStringLiteral("BOOLEAN"), TColumnDataType::Boolean},
        {QStringLiteral("YESNO"), TColumnDataType::Boolean},
        {QStringLiteral("LOGICAL"), TColumnDataType::Boolean},
        {QStringLiteral("MEMO"), TColumnDataType::Memo},
        {QStringLiteral("LONGTEXT"), TColumnDataType::Memo},
        {QStringLiteral("NOTE"), TColumnDataType::Memo},
        {QStringLiteral("CLOB"), TColumnDataType::Memo},
        {QStringLiteral("REAL"), TColumnDataType::Float},
        {QStringLiteral("FLOAT"), TColumnDataType::Float},
        {QStringLiteral("DOUBLE"), TColumnDataType::Float},
        {QStringLiteral("SINGLE"), TColumnDataType::Float},
        {QStringLiteral("DECIMAL"), TColumnDataType::Decimal},
        {QStringLiteral("NUMERIC"), TColumnDataType::Decimal},
        {QStringLiteral("COUNTER"), TColumnDataType::AutoIncrement},
        {QStringLiteral("AUTOINCREMENT"), TColumnDataType::AutoIncrement},
    };
    // TEXT(n) is a short text, TEXT alone a long one.
    if (first == u"TEXT")
        return paren >= 0 ? TColumnDataType::OneByteText : TColumnDataType::Memo;
    return types.value(first, TColumnDataType::Other);
}

bool SameDeclaredType(const QString& a, const QString& b) {
    auto norm = [](QString s) {
        s.remove(u' ');
        return s.toUpper();
    };
    return norm(a) == norm(b);
}

bool PromoteKeyColumn(TConnection& connection, const QString& table, const QString& column) {
    const QList<TExistingColumn> columns = ColumnsOf(connection, table);
    const TExistingColumn* key = FindColumn(columns, column, Qt::CaseSensitive);
    if (!key || key->PrimaryKey == 1 ||
        ClassifyDeclaredType(key->Type) != TColumnDataType::Integer32)
        return false;
    // A key needs every value present and distinct.
    QSqlQuery q(connection.Database());
    if (!q.exec(QStringLiteral("SELECT COUNT(*) - COUNT(DISTINCT %1) + SUM(%1 IS NULL) FROM %2")
                    .arg(Quote(column), Quote(table))) ||
        !q.next())
        TConnection::RaiseError(q.lastError());
    const bool usable = q.value(0).toLongLong() == 0;
    q.finish();
    if (!usable)
        return false;
    RebuildTable(connection, table, {}, QString(), column);
    return true;
}

bool IsJetDDL(const QString& jet) {
    TParser p(jet);
    if (p.PeekWord("CREATE"))
        return p.PeekWord("TABLE", 1) || p.PeekWord("INDEX", 1) ||
               (p.PeekWord("UNIQUE", 1) && p.PeekWord("INDEX", 2));
    if (p.PeekWord("ALTER"))
        return p.PeekWord("TABLE", 1);
    if (p.PeekWord("DROP"))
        return p.PeekWord("TABLE", 1) || p.PeekWord("INDEX", 1);
    return false;
}

TSchemaEffect ExecuteJetDDL(TConnection& c, const QString& jet) {
    TParser p(jet);
    if (p.TakeWord("CREATE")) {
        if (p.TakeWord("TABLE"))
            return CreateTable(c, p, jet);
        const bool unique = p.TakeWord("UNIQUE");
        if (!p.TakeWord("INDEX"))
            Malformed(jet);
        QString index, table;
        if (!p.TakeName(index) || !p.TakeWord("ON") || !p.TakeName(table) || !p.TakeSymbol(u'('))
            Malformed(jet);
        QStringList columns;
        QString name;
        while (!p.AtEnd() && !p.TakeSymbol(u')')) {
            if (p.TakeSymbol(u','))
                continue;
            if (p.TakeName(name)) {
                QString column = Quote(name);
                if (p.TakeWord("DESC"))
                    column += QStringLiteral(" DESC");
                else
                    p.TakeWord("ASC");
                columns.append(column);
            } else {
                Malformed(jet);
            }
        }
        Exec(c, QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                    .arg(unique ? QStringLiteral("UNIQUE ") : QString(), Quote(index), Quote(table),
                         columns.join(u", ")));
        return TSchemaEffect::Changed;
    }
    if (p.TakeWord("ALTER")) {
        p.TakeWord("TABLE");
        return AlterTable(c, p, jet);
    }
    if (p.TakeWord("DROP")) {
        if (p.TakeWord("INDEX")) {
            QString index;
            if (!p.TakeName(index))
                Malformed(jet);
            Exec(c, QStringLiteral("DROP INDEX ") + Quote(index));
            return TSchemaEffect::Changed;
        }
        if (p.TakeWord("TABLE")) {
            QString table;
            if (!p.TakeName(table))
                Malformed(jet);
            const auto [name, kind] = SchemaObject(c, table);
            Exec(c,
                 (kind == u"view" ? QStringLiteral("DROP VIEW ") : QStringLiteral("DROP TABLE ")) +
                     Quote(name.isEmpty() ? table : name));
            return TSchemaEffect::Changed;
        }
    }
    Malformed(jet);
}
