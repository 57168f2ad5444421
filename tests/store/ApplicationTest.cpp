#include "TestSupport.h"
#include "UApplication.h"
#include "UDatabase.h"
#include "UExceptions.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct StockResources {
    QTemporaryDir dir;
    TConnection connection;
    StockResources() {
        const QString path = dir.filePath(QStringLiteral("Stock.res"));
        orv::test::CreateResourceDatabase(path,
                                          orv::test::FixtureScript(QStringLiteral("stock.sql")));
        connection.SetReadOnly(true);
        connection.SetDataSource(path);
        connection.Open();
    }
};

} // namespace

TEST(Application, GetParamReturnsStoredTextOrDefault) {
    StockResources res;
    TdmApplication app(res.connection);
    const struct {
        int section;
        const char* name;
        const char* expected;
    } cases[] = {
        {psCommon, "Version", "2.1"},
        {psCommon, "version", "2.1"},          // names compare ignoring case
        {psCommon, "Author", " Jean Dupont "}, // not trimmed
        {psCommon, "EmptyValue", "dflt"},
        {psCommon, "NullValue", "dflt"},
        {psCommon, "Absent", "dflt"},
        {psCommon, "ACTIVE", "dflt"}, // stored in section 1
        {psSecurity, "ACTIVE", "1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app.GetParam(c.section, QString::fromUtf8(c.name), QStringLiteral("dflt")),
                  QString::fromUtf8(c.expected))
            << c.name;
}

TEST(Application, GetIntParamConvertsOrFallsBack) {
    StockResources res;
    TdmApplication app(res.connection);
    const struct {
        int section;
        const char* name;
        int expected;
    } cases[] = {
        {psWindows, "RUNTIME", 1},       {psCommon, "OrvPub", 1},    {psWindows, "Hex", 26},
        {psWindows, "TrailingBlank", 7}, {psWindows, "Word", 7},     {psCommon, "Version", 7},
        {psCommon, "Absent", 7},         {psCommon, "NullValue", 7},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app.GetIntParam(c.section, QString::fromUtf8(c.name), 7), c.expected) << c.name;
}

TEST(Application, DatabaseErrorsPropagate) {
    TConnection closed;
    TdmApplication app(closed);
    EXPECT_THROW(app.GetParam(psCommon, QStringLiteral("Title"), QString()), EDatabaseError);

    // A resource database without the parameter table.
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("x.res"));
    orv::test::RunSqlScript(path, "CREATE TABLE OTHER(A);");
    TConnection c;
    c.SetDataSource(path);
    c.Open();
    TdmApplication app2(c);
    try {
        app2.GetIntParam(psWindows, QStringLiteral("RUNTIME"), 0);
        FAIL() << "no error raised";
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains(QStringLiteral("T_APPLICATION"))) << e.what();
    }
}
