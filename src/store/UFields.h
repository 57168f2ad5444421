#pragma once

#include <QString>
#include <QStringList>

class TConnection;

// The field catalogue offered to a query builder: the data tables of the
// application and the data fields of each.
class TdmFields {
public:
    explicit TdmFields(TConnection& resourceConnection) : m_connection(resourceConnection) {}

    // TABLE_NAME of every form, in NORDER order.
    void DBEngineGenericGetTables(QStringList& tables) const;
    // Three parallel lists: first "ID" typed "Numeric" with alias "ID", then
    // each data field of the table in NORDER order with its type name and caption.
    void DBEngineGenericGetFields(const QString& table, QStringList& names, QStringList& types,
                                  QStringList& aliases) const;

private:
    TConnection& m_connection;
};
