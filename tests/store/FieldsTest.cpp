#include "TestSupport.h"
#include "UDatabase.h"
#include "UFields.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(Fields, CatalogueListsTablesAndDataFields) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Stock.res"));
    orv::test::CreateResourceDatabase(path, orv::test::FixtureScript(QStringLiteral("stock.sql")));
    TConnection c;
    c.SetReadOnly(true);
    c.SetDataSource(path);
    c.Open();
    TdmFields fields(c);

    QStringList tables;
    fields.DBEngineGenericGetTables(tables);
    EXPECT_EQ(tables, (QStringList{QStringLiteral("CLIENTS"), QStringLiteral("PRODUCTS")}));

    QStringList names, types, aliases;
    fields.DBEngineGenericGetFields(QStringLiteral("products"), names, types, aliases);
    // Label and Button rows are no data fields; the rest come in NORDER order.
    EXPECT_EQ(names, (QStringList{"ID", "NAME", "PRICE", "STOCKED", "PHOTO"}));
    EXPECT_EQ(types, (QStringList{"Numeric", "Text", "Currency", "Checkbox", "Image"}));
    EXPECT_EQ(aliases, (QStringList{"ID", "Désignation", "Prix", "En stock", "Photo"}));
}
