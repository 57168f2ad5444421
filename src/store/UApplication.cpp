#include "UApplication.h"

#include "UDatabase.h"
#include "UIntConvert.h"

const char* const TdmApplication::qrySelectParam =
    "SELECT * FROM T_APPLICATION WHERE PAPPLICATION=:PAPPLICATION AND PNAME=:PNAME";

QString TdmApplication::GetParam(int section, const QString& name,
                                 const QString& defaultValue) const {
    TQuery query(m_connection);
    query.SetSQL(QLatin1String(qrySelectParam));
    query.SetParam(QStringLiteral("PAPPLICATION"), section);
    query.SetParam(QStringLiteral("PNAME"), name);
    query.Open();
    const QString text = query.Eof() ? QString() : query.AsString(QStringLiteral("PVALUE"));
    query.Close();
    return text.isEmpty() ? defaultValue : text;
}

int TdmApplication::GetIntParam(int section, const QString& name, int defaultValue) const {
    return StrToIntDef(GetParam(section, name, QString()), defaultValue);
}
