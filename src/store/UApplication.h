#pragma once

#include <QString>

class TConnection;

// Parameter sections of T_APPLICATION.
enum TParamSection : int {
    psCommon = 0,
    psSecurity = 1,
    psWindows = 2,
    psPHP = 3,
    psJsc = 4,
    psAndroid = 5,
    psLinux = 6,
    psMac = 7,
};

// The application parameters of the resource database. Every call reads the
// database; nothing is cached.
class TdmApplication {
public:
    explicit TdmApplication(TConnection& resourceConnection) : m_connection(resourceConnection) {}

    static const char* const qrySelectParam;

    // The stored text as it is (not trimmed), or the default when the row is
    // missing or its value is null or empty. Database errors propagate.
    QString GetParam(int section, const QString& name, const QString& defaultValue) const;
    // The stored text converted to an integer, or the default when it is
    // missing or does not convert.
    int GetIntParam(int section, const QString& name, int defaultValue) const;

private:
    TConnection& m_connection;
};
