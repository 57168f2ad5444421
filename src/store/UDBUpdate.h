#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class TConnection;

// Brings the data database in line with the form definitions of the resource
// database: one table per form with the key ID and one column per data field,
// columns added, altered and dropped, tables no form names dropped, unique
// indexes rebuilt.
class TdmDBUpdate {
public:
    static const char* const qrySelectTables;
    static const char* const qrySelectFields;
    static const char* const qrySelectIndexes;

    TdmDBUpdate(TConnection& resources, TConnection& data);

    // Runs the synchronisation. The data database is created when its file is
    // missing and opened when it is closed. The changes of each table are made
    // in one transaction. An error other than a failed unique index stops the
    // run and is raised (EDatabaseError); the tables done before it stay done.
    void SynchronizeDataSchema();

    // Receives the text of each unique index that could not be created; by
    // default it is shown in an error box.
    std::function<void(const QString& message)> OnIndexError;

    // The Jet statements of the last run, in order, as built.
    const QStringList& Statements() const { return m_statements; }
    // What the last run changed, one line each, in the user's language.
    const QStringList& Changes() const { return m_changes; }

private:
    bool Run(const QString& jet, bool ignoreErrors = false);
    void Change(const char* key, std::initializer_list<QString> args);

    TConnection& m_resources;
    TConnection& m_data;
    QStringList m_statements;
    QStringList m_changes;
    QStringList m_pendingIndexDrops;
};
