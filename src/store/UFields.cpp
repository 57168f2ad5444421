#include "UFields.h"

#include "UControlField.h"
#include "UDatabase.h"

void TdmFields::DBEngineGenericGetTables(QStringList& tables) const {
    TQuery query(m_connection);
    query.SetSQL(QStringLiteral("SELECT TABLE_NAME FROM T_FORM ORDER BY NORDER"));
    query.Open();
    for (; !query.Eof(); query.Next())
        tables.append(query.AsString(0));
}

void TdmFields::DBEngineGenericGetFields(const QString& table, QStringList& names,
                                         QStringList& types, QStringList& aliases) const {
    names.append(QStringLiteral("ID"));
    types.append(FieldTypeName(ftNumeric));
    aliases.append(QStringLiteral("ID"));

    TQuery query(m_connection);
    query.SetSQL(
        QStringList{QStringLiteral("SELECT T_FORM_FIELDS.FIELD_NAME, T_FORM_FIELDS.FIELD_TYPE, "
                                   "T_FORM_FIELDS.CAPTION"),
                    QStringLiteral("FROM T_FORM, T_FORM_FIELDS"),
                    QStringLiteral("WHERE TABLE_NAME=:TABLE_NAME AND PK_FORM=FK_FORM"),
                    QStringLiteral("ORDER BY T_FORM_FIELDS.NORDER")});
    query.SetParam(QStringLiteral("TABLE_NAME"), table);
    query.Open();
    for (; !query.Eof(); query.Next()) {
        const auto code = static_cast<quint8>(query.AsInteger(1));
        if (!IsDataField(code))
            continue;
        names.append(query.AsString(0));
        types.append(FieldTypeName(code));
        aliases.append(query.AsString(2));
    }
}
