#pragma once

#include "UControlField.h"

#include <QString>
#include <QStringList>

class TConnection;

// The schema side of the Jet dialect layer: Jet's DDL statements carried out
// the SQLite way, and the column types of the data database.
//
// Jet column types become these SQLite declarations; each keeps the stored
// values exact (text affinity for texts and memos, blob affinity for binary
// data) and is classified back to the Jet type it came from:
//   varchar(n)  -> varchar(n) COLLATE NOCASE
//   Memo        -> MEMO TEXT COLLATE NOCASE
//   LongBinary  -> LONGBINARY BLOB
//   integer, Currency, DateTime, Bit -> as written
//   AUTOINCREMENT -> INTEGER PRIMARY KEY AUTOINCREMENT

// The declared SQLite type of a Jet column type, and its full declaration with
// the collation.
QString DataColumnType(const QString& jetType);
QString DataColumnDefinition(const QString& jetType);

// The column data type of a declared SQLite type, for the classification of
// existing columns.
TColumnDataType ClassifyDeclaredType(const QString& declaredType);

// Whether two declared types are the same (blanks and letter case aside).
bool SameDeclaredType(const QString& a, const QString& b);

// Makes an integer column of a table its auto-numbered primary key, keeping
// every row and value (a table copied from a Jet file loses its AutoNumber
// key). False when the column is missing, not an integer, already the key, or
// holds nulls or repeated values. Throws EDatabaseError.
bool PromoteKeyColumn(TConnection& connection, const QString& table, const QString& column);

// Whether a statement is DDL that this unit carries out.
bool IsJetDDL(const QString& jet);

// What a DDL statement did.
enum class TSchemaEffect {
    None,    // nothing to do: the schema already was as asked
    Changed, // the schema was changed
};

// Runs one Jet DDL statement:
//  - CREATE TABLE with an AUTOINCREMENT key and a PRIMARY KEY clause;
//  - ALTER TABLE t ADD COLUMN (a column that exists under another letter case
//    is renamed to the case asked, keeping its data);
//  - ALTER TABLE t ALTER COLUMN: nothing when the stored type already is the
//    target type, else the table is rebuilt with the new type, every row kept;
//  - ALTER TABLE t DROP COLUMN (a table's integer key is renamed to ID
//    instead, so that the table keeps its key and rows);
//  - DROP TABLE of a table or a stored view;
//  - CREATE [UNIQUE] INDEX and DROP INDEX i ON t.
// The caller brackets statements in transactions. Throws EDatabaseError.
TSchemaEffect ExecuteJetDDL(TConnection& connection, const QString& jet);
