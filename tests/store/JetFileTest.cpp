#include "UJetFile.h"

#include "TestSupport.h"
#include "UDatabase.h"
#include "UExceptions.h"
#include "UMessages.h"
#include "USimpleBase.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QUuid>
#include <QtEndian>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <random>
#include <unistd.h>

using orv::test::ReadFileBytes;
using orv::test::WriteFileBytes;

namespace {

const QString kNorthwind = QStringLiteral("nwind-jet3.mdb");
const QString kDateTest = QStringLiteral("datetest-jet4.mdb");

// An SQLite database in memory, on a connection of its own.
class TMemoryDatabase {
public:
    TMemoryDatabase()
        : m_name(QStringLiteral("jet-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces)) {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        EXPECT_TRUE(db.open()) << db.lastError().text().toStdString();
    }
    ~TMemoryDatabase() {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    TMemoryDatabase(const TMemoryDatabase&) = delete;
    TMemoryDatabase& operator=(const TMemoryDatabase&) = delete;

    QSqlDatabase Db() const { return QSqlDatabase::database(m_name, false); }

    QList<QVariantList> Rows(const QString& sql) const {
        QSqlQuery q(Db());
        EXPECT_TRUE(q.exec(sql)) << sql.toStdString() << ": " << q.lastError().text().toStdString();
        QList<QVariantList> rows;
        while (q.next()) {
            QVariantList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i);
            rows << row;
        }
        return rows;
    }
    QVariant Scalar(const QString& sql) const {
        const QList<QVariantList> rows = Rows(sql);
        return rows.isEmpty() || rows.first().isEmpty() ? QVariant() : rows.first().first();
    }
    QStringList Tables() const {
        QStringList names;
        for (const QVariantList& row :
             Rows(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'")))
            names << row.first().toString();
        names.sort();
        return names;
    }
    // Every value of every table as text, in a fixed order: equal dumps mean equal copies.
    QString Dump() const {
        QString dump;
        for (const QString& table : Tables()) {
            dump += table + u'\n';
            QSqlQuery q(Db());
            EXPECT_TRUE(q.exec(QStringLiteral("SELECT * FROM \"%1\" ORDER BY 1, 2").arg(table)));
            while (q.next()) {
                for (int i = 0; i < q.record().count(); ++i) {
                    const QVariant v = q.value(i);
                    dump += v.isNull() ? QStringLiteral("<null>")
                            : v.typeId() == QMetaType::QByteArray
                                ? QString::fromLatin1(v.toByteArray().toHex())
                                : v.toString();
                    dump += u'|';
                }
                dump += u'\n';
            }
        }
        return dump;
    }

private:
    QString m_name;
};

class JetFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QString shared = orv::test::SharedFixtureFolder();
        m_source = shared.isEmpty() ? QString() : shared + QStringLiteral("/jet");
        if (m_source.isEmpty() || !QFile::exists(m_source + u'/' + kNorthwind) ||
            !QFile::exists(m_source + u'/' + kDateTest))
            GTEST_SKIP() << "the shared Jet fixtures (" << kNorthwind.toStdString() << ", "
                         << kDateTest.toStdString() << ") are not there";
        ASSERT_TRUE(m_dir.isValid());
    }

    // A writable copy of a fixture in the test's own folder.
    QString Copy(const QString& fixture, const QString& as = QString()) {
        const QString target = m_dir.filePath(as.isEmpty() ? fixture : as);
        QFile::remove(target);
        EXPECT_TRUE(QFile::copy(m_source + u'/' + fixture, target));
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        return target;
    }
    QString Write(const QString& name, const QByteArray& bytes) {
        const QString path = m_dir.filePath(name);
        WriteFileBytes(path, bytes);
        return path;
    }

    QString m_source;
    QTemporaryDir m_dir;
};

// Asserts that the import fails with a message naming the file (and giving the
// reason, when one is expected) and leaves the target as it was.
void ExpectRefused(const QString& path, TMemoryDatabase& target, const QString& reason = {}) {
    const QStringList before = target.Tables();
    QSqlDatabase db = target.Db();
    try {
        ImportJetFile(path, db);
        ADD_FAILURE() << "imported " << path.toStdString();
    } catch (const EDatabaseError& e) {
        EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(path)))
            << e.message().toStdString();
        EXPECT_TRUE(e.message().contains(reason)) << e.message().toStdString();
    }
    EXPECT_EQ(target.Tables(), before);
}

// --- detection --------------------------------------------------------------

TEST_F(JetFileTest, IsJetFileAcceptsBothMarkerFormsAndNothingElse) {
    const QString hidden = Copy(kDateTest, QStringLiteral("hidden.mdb"));
    HideDatabaseFile(hidden);
    ASSERT_EQ(ReadFileBytes(hidden).mid(4, 15), QByteArray("SIMPLE_DATABASE"));

    const QString sqlite = m_dir.filePath(QStringLiteral("data.db"));
    orv::test::RunSqlScript(sqlite, "CREATE TABLE t (a INTEGER);");
    QByteArray noise(8192, '\0');
    std::mt19937 random(7);
    for (char& c : noise)
        c = static_cast<char>(random());

    const struct {
        QString Path;
        bool Expected;
    } cases[] = {
        {Copy(kNorthwind), true},
        {Copy(kDateTest), true},
        {hidden, true},
        {sqlite, false},
        {Write(QStringLiteral("short.mdb"), QByteArray("\0\1\0\0Standard Jet", 16)), false},
        {Write(QStringLiteral("empty.mdb"), QByteArray()), false},
        {Write(QStringLiteral("noise.mdb"), noise), false},
        {m_dir.filePath(QStringLiteral("missing.mdb")), false},
        {QString(), false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsJetFile(c.Path), c.Expected) << c.Path.toStdString();
}

TEST_F(JetFileTest, IsJetFileReadsReadOnlyFilesWithoutTouchingThem) {
    const QString path = Copy(kDateTest);
    const QByteArray before = ReadFileBytes(path);
    orv::test::TReadOnlyPath readOnly(path);
    EXPECT_TRUE(IsJetFile(path));
    EXPECT_EQ(ReadFileBytes(path), before);
}

// --- Jet 3: the Northwind sample ---------------------------------------------

TEST_F(JetFileTest, NorthwindCopiesEveryUserTableWithAllItsRows) {
    TMemoryDatabase target;
    QSqlDatabase db = target.Db();
    QList<std::pair<int, int>> calls;
    const TJetImportStats stats = ImportJetFile(Copy(kNorthwind), db, [&](int done, int total) {
        calls.append({done, total});
    });

    const struct {
        const char* Table;
        qint64 Rows;
    } tables[] = {
        {"Categories", 8},       {"Customers", 91}, {"Employees", 9},
        {"Order Details", 2155}, {"Orders", 830},   {"Products", 77},
        {"Shippers", 3},         {"Suppliers", 29}, {"Umsätze", 830},
    };
    QStringList names;
    qint64 totalRows = 0;
    for (const auto& t : tables) {
        names << QString::fromUtf8(t.Table);
        totalRows += t.Rows;
        EXPECT_EQ(
            target
                .Scalar(
                    QStringLiteral("SELECT count(*) FROM \"%1\"").arg(QString::fromUtf8(t.Table)))
                .toLongLong(),
            t.Rows)
            << t.Table;
    }
    EXPECT_EQ(target.Tables(), names); // no MSys... table
    EXPECT_EQ(stats.Tables, 9);
    EXPECT_EQ(stats.Rows, totalRows);

    QList<std::pair<int, int>> expectedCalls;
    for (int i = 0; i <= 9; ++i)
        expectedCalls.append({i, 9});
    EXPECT_EQ(calls, expectedCalls);
}

TEST_F(JetFileTest, NorthwindColumnsGetTheMappedTypes) {
    TMemoryDatabase target;
    QSqlDatabase db = target.Db();
    ImportJetFile(Copy(kNorthwind), db);

    const struct {
        const char* Table;
        const char* Column;
        const char* Type;
    } cases[] = {
        {"Products", "ProductID", "INTEGER"},
        {"Products", "ProductName", "varchar(40)"},
        {"Products", "UnitPrice", "CURRENCY"},
        {"Products", "UnitsInStock", "INTEGER"}, // a 16-bit Integer
        {"Products", "Discontinued", "BOOLEAN"},
        {"Order Details", "Discount", "REAL"}, // a Single
        {"Orders", "OrderDate", "DATETIME"},
        {"Orders", "CustomerID", "varchar(5)"},
        {"Categories", "Description", "LONGTEXT"},
        {"Categories", "Picture", "LONGBINARY"},
        {"Employees", "Photo", "LONGBINARY"},
        {"Suppliers", "HomePage", "LONGTEXT"},
    };
    for (const auto& c : cases) {
        const QList<QVariantList> info =
            target.Rows(QStringLiteral("SELECT type FROM pragma_table_info('%1') WHERE name = '%2'")
                            .arg(QString::fromUtf8(c.Table), QString::fromUtf8(c.Column)));
        ASSERT_EQ(info.size(), 1) << c.Table << "." << c.Column;
        EXPECT_EQ(info.first().first().toString().toStdString(), c.Type)
            << c.Table << "." << c.Column;
    }
    // Text and memo columns compare without regard to case (the NOCASE collation is not
    // part of the declared type).
    EXPECT_EQ(target
                  .Scalar(QStringLiteral("SELECT count(*) FROM Categories WHERE "
                                         "CategoryName = 'dairy PRODUCTS' AND "
                                         "Description = 'CHEESES'"))
                  .toInt(),
              1);
    EXPECT_EQ(target
                  .Scalar(QStringLiteral("SELECT count(*) FROM Customers WHERE "
                                         "CustomerID IN ('alfki', 'Anatr')"))
                  .toInt(),
              2);
}

TEST_F(JetFileTest, NorthwindValuesComeThroughExactly) {
    TMemoryDatabase target;
    QSqlDatabase db = target.Db();
    ImportJetFile(Copy(kNorthwind), db);

    // Each query gives a value and its SQLite storage class.
    const struct {
        const char* Sql;
        QVariant Value;
        const char* StorageClass;
    } cases[] = {
        // currency with decimals, and a whole amount (NUMERIC affinity makes it an integer)
        {"SELECT UnitPrice FROM Products WHERE ProductID = 5", 21.35, "real"},
        {"SELECT Freight FROM Orders WHERE OrderID = 10330", 12.75, "real"},
        {"SELECT UnitPrice FROM Products WHERE ProductID = 1", 18, "integer"},
        // every amount is the double nearest to its four-decimal value
        {"SELECT sum(CAST(round(Freight * 10000) AS INTEGER)) FROM Orders", 649426900, "integer"},
        {"SELECT count(*) FROM Orders WHERE Freight <> round(Freight, 4)", 0, "integer"},
        // a Single is stored as the decimal it shows, not as 0.150000006
        {"SELECT Discount FROM \"Order Details\" WHERE OrderID = 10250 AND ProductID = 51", 0.15,
         "real"},
        // Yes/No
        {"SELECT Discontinued FROM Products WHERE ProductID = 5", -1, "integer"},
        {"SELECT Discontinued FROM Products WHERE ProductID = 1", 0, "integer"},
        {"SELECT count(*) FROM Products WHERE Discontinued = -1", 8, "integer"},
        // dates
        {"SELECT OrderDate FROM Orders WHERE OrderID = 10330", "1994-11-16", "text"},
        {"SELECT BirthDate FROM Employees WHERE EmployeeID = 1", "1948-12-08", "text"},
        // texts: code page 1252 decoded, digits kept as text, line breaks kept
        {"SELECT ShipAddress FROM Orders WHERE OrderID = 10330",
         QString::fromUtf8("Carrera 52 con Ave. Bolívar #65-98 Llano Largo"), "text"},
        {"SELECT City FROM Customers WHERE CustomerID = 'BERGS'", QString::fromUtf8("Luleå"),
         "text"},
        {"SELECT PostalCode FROM Customers WHERE CustomerID = 'ANATR'", "05021", "text"},
        {"SELECT Address FROM Employees WHERE EmployeeID = 1", "507 - 20th Ave. E.\r\nApt. 2A",
         "text"},
        // text comparison ignores case
        {"SELECT ShipperID FROM Shippers WHERE CompanyName = 'SPEEDY express'", 1, "integer"},
        // nulls stay null
        {"SELECT count(*) FROM Orders WHERE ShipRegion IS NULL", 507, "integer"},
        {"SELECT count(*) FROM Orders WHERE ShippedDate IS NULL", 21, "integer"},
        {"SELECT ReportsTo FROM Employees WHERE EmployeeID = 2", QVariant(), "null"},
        // memo longer than 255 characters, and hyperlink memo
        {"SELECT length(Notes) FROM Employees WHERE EmployeeID = 2", 448, "integer"},
        {"SELECT substr(Notes, 1, 42) FROM Employees WHERE EmployeeID = 2",
         "Andrew received his BTS commercial in 1974", "text"},
        {"SELECT substr(Notes, -42) FROM Employees WHERE EmployeeID = 2",
         "and the Pacific Rim Importers Association.", "text"},
        {"SELECT HomePage FROM Suppliers WHERE SupplierID = 2", "#CAJUN.HTM#", "text"},
        // OLE pictures, whole
        {"SELECT length(Picture) FROM Categories WHERE CategoryID = 1", 10746, "integer"},
        {"SELECT length(Photo) FROM Employees WHERE EmployeeID = 3", 21722, "integer"},
        {"SELECT sum(length(Photo)) FROM Employees", 8 * 21626 + 21722, "integer"},
    };
    for (const auto& c : cases) {
        const QString sql = QString::fromUtf8(c.Sql);
        const QList<QVariantList> rows =
            target.Rows(QStringLiteral("SELECT v, typeof(v) FROM (SELECT (%1) AS v)").arg(sql));
        ASSERT_EQ(rows.size(), 1) << c.Sql;
        const QVariant value = rows.first().value(0);
        EXPECT_EQ(rows.first().value(1).toString().toStdString(), c.StorageClass) << c.Sql;
        if (c.Value.typeId() == QMetaType::Double)
            EXPECT_DOUBLE_EQ(value.toDouble(), c.Value.toDouble()) << c.Sql;
        else if (c.Value.isNull())
            EXPECT_TRUE(value.isNull()) << c.Sql;
        else
            EXPECT_EQ(value.toString().toStdString(), c.Value.toString().toStdString()) << c.Sql;
    }
}

TEST_F(JetFileTest, NorthwindPictureIsTheWholeOleObject) {
    TMemoryDatabase target;
    QSqlDatabase db = target.Db();
    ImportJetFile(Copy(kNorthwind), db);

    const QByteArray picture =
        target.Scalar(QStringLiteral("SELECT Picture FROM Categories WHERE CategoryID = 1"))
            .toByteArray();
    ASSERT_EQ(picture.size(), 10746);
    // OLE object header, then the bitmap it wraps, whose own size field fits the rest.
    EXPECT_EQ(picture.left(4), QByteArray::fromHex("151c2f00"));
    EXPECT_EQ(picture.mid(20, 12), QByteArray("Bitmap Image"));
    EXPECT_EQ(picture.mid(78, 2), QByteArray("BM"));
    EXPECT_EQ(qFromLittleEndian<quint32>(picture.constData() + 80), 10648u);
    EXPECT_EQ(QCryptographicHash::hash(picture, QCryptographicHash::Md5).toHex(),
              QByteArray("a98253ec45703183b598e5beaf5ac7c6"));
}

// --- Jet 4: dates across Jet's whole range --------------------------------------

TEST_F(JetFileTest, Jet4DatesBefore1900AndAfter9000AreExact) {
    TMemoryDatabase target;
    QSqlDatabase db = target.Db();
    const TJetImportStats stats = ImportJetFile(Copy(kDateTest), db);
    EXPECT_EQ(stats.Tables, 1);
    EXPECT_EQ(stats.Rows, 6);
    EXPECT_EQ(target.Tables(), QStringList{QStringLiteral("DateTest")});

    const QList<QVariantList> expected = {
        {1, "2021-12-02", "2021-12-02", "2021-12-02", "Hello", "Hello"},
        {2, "9999-01-01", "9999-01-01", "9999-01-01", "Year 9999", "Year 1999"},
        {3, "1898-01-01", "1899-01-01", "1900-01-01", "Pre-1900 years", "Pre-1900 years"},
        {4, "0632-01-01", "0633-01-01", "0634-01-01", "Pre-1000 years", "Pre-1000 years"},
        {5, "2021-12-02", "2021-12-02", "2021-12-02", "Escaped new line \\r\\n in field",
         "Escaped new line \\r\\n in field"},
        {6, "2021-12-02", "2021-12-02", "2021-12-02", "New line\r\nin field", "No new line"},
    };
    const QList<QVariantList> rows = target.Rows(QStringLiteral(
        "SELECT IDCol, DateTimeCol, DateCol, TimeCol, LongTextCol, ShortTextCol FROM DateTest "
        "ORDER BY IDCol"));
    ASSERT_EQ(rows.size(), expected.size());
    for (qsizetype r = 0; r < rows.size(); ++r)
        for (qsizetype c = 0; c < expected[r].size(); ++c)
            EXPECT_EQ(rows[r][c].toString().toStdString(), expected[r][c].toString().toStdString())
                << "row " << r + 1 << ", column " << c + 1;

    // Dates are texts, whatever the declared type's affinity would make of them.
    EXPECT_EQ(target
                  .Scalar(QStringLiteral("SELECT count(*) FROM DateTest WHERE "
                                         "typeof(DateTimeCol) = 'text' AND typeof(DateCol) = "
                                         "'text' AND typeof(TimeCol) = 'text'"))
                  .toInt(),
              6);
    const QList<QVariantList> types = target.Rows(
        QStringLiteral("SELECT name, type FROM pragma_table_info('DateTest') ORDER BY cid"));
    const QList<QVariantList> expectedTypes = {
        {"IDCol", "INTEGER"},    {"DateTimeCol", "DATETIME"}, {"DateCol", "DATETIME"},
        {"TimeCol", "DATETIME"}, {"LongTextCol", "LONGTEXT"}, {"ShortTextCol", "varchar(255)"},
    };
    ASSERT_EQ(types.size(), expectedTypes.size());
    for (qsizetype i = 0; i < types.size(); ++i)
        EXPECT_EQ(
            (types[i][0].toString() + u' ' + types[i][1].toString()).toStdString(),
            (expectedTypes[i][0].toString() + u' ' + expectedTypes[i][1].toString()).toStdString());
}

TEST(JetDateValue, ConvertsJetSerialsExactly) {
    const double sec = 1.0 / 86400.0;
    const struct {
        double Serial;
        const char* Text;
    } cases[] = {
        {0.0, "1899-12-30"},
        {1.5, "1899-12-31 12:00:00"},
        {44532.75, "2021-12-02 18:00:00"},
        // before the epoch the whole part counts back, the fraction still runs forward
        {-1.25, "1899-12-29 06:00:00"},
        {-0.5, "1899-12-30 12:00:00"},
        {-728.0, "1898-01-01"},
        {-657434.0, "0100-01-01"},
        {-657434.5, "0100-01-01 12:00:00"},
        {2958465.0, "9999-12-31"},
        {2958465.0 + 86399 * sec, "9999-12-31 23:59:59"},
        // rounded to the nearest second, into the next day when it comes to that
        {10.0 + 0.6 * sec, "1900-01-09 00:00:01"},
        {10.0 + 0.4 * sec, "1900-01-09"},
        {1.0 - 0.2 * sec, "1899-12-31"},
    };
    for (const auto& c : cases) {
        const QVariant value = JetDateValue(c.Serial);
        EXPECT_EQ(value.typeId(), QMetaType::QString) << c.Serial;
        EXPECT_EQ(value.toString().toStdString(), c.Text) << c.Serial;
    }
}

TEST(JetDateValue, KeepsValuesOutsideJetsRangeAsNumbers) {
    const double sec = 1.0 / 86400.0;
    for (double serial : {-657435.0, -657435.5, 2958466.0, 2958465.0 + 86399.8 * sec, 1e300, -1e300,
                          HUGE_VAL, std::nan("")}) {
        const QVariant value = JetDateValue(serial);
        ASSERT_EQ(value.typeId(), QMetaType::Double) << serial;
        if (std::isnan(serial))
            EXPECT_TRUE(std::isnan(value.toDouble()));
        else
            EXPECT_EQ(value.toDouble(), serial);
    }
}

TEST(JetDateValue, IgnoresTheLocalDaylightSavingChange) {
    // 2021-03-28 02:30 does not exist in Paris local time: clocks went from 02:00 to 03:00.
    const QByteArray savedTz = qgetenv("TZ");
    const bool hadTz = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "Europe/Paris");
    tzset();
    const QVariant value = JetDateValue(44283.0 + 2.5 / 24.0);
    if (hadTz)
        qputenv("TZ", savedTz);
    else
        qunsetenv("TZ");
    tzset();
    EXPECT_EQ(value.toString().toStdString(), "2021-03-28 02:30:00");
}

// --- header forms, and the file is never written --------------------------------

TEST_F(JetFileTest, ClosedFormIsRefusedUntilRestored) {
    const QString original = Copy(kDateTest);
    const QString hidden = Copy(kDateTest, QStringLiteral("hidden.mdb"));
    HideDatabaseFile(hidden);
    const QByteArray hiddenBytes = ReadFileBytes(hidden);
    ASSERT_NE(hiddenBytes, ReadFileBytes(original));

    TMemoryDatabase refused;
    ExpectRefused(hidden, refused, DatabaseMessage("msgJetHeader"));
    EXPECT_EQ(ReadFileBytes(hidden), hiddenBytes);

    RestoreDatabaseFile(hidden);
    EXPECT_EQ(ReadFileBytes(hidden), ReadFileBytes(original));
    TMemoryDatabase fromOriginal, fromRestored;
    QSqlDatabase a = fromOriginal.Db(), b = fromRestored.Db();
    ImportJetFile(original, a);
    ImportJetFile(hidden, b);
    EXPECT_EQ(fromRestored.Dump(), fromOriginal.Dump());
    EXPECT_FALSE(fromRestored.Dump().isEmpty());
}

TEST_F(JetFileTest, ImportNeitherWritesNorNeedsToWriteTheFile) {
    for (const QString& fixture : {kNorthwind, kDateTest}) {
        const QString path = Copy(fixture);
        const QByteArray before = ReadFileBytes(path);
        orv::test::TReadOnlyPath readOnly(path);
        TMemoryDatabase target;
        QSqlDatabase db = target.Db();
        EXPECT_GT(ImportJetFile(path, db).Rows, 0) << fixture.toStdString();
        EXPECT_EQ(ReadFileBytes(path), before) << fixture.toStdString();
    }
}

TEST_F(JetFileTest, ImportsIntoAConnectionOnAFile) {
    const QString dataPath = m_dir.filePath(QStringLiteral("migrated.db"));
    CreateDataDatabase(dataPath);
    {
        TConnection connection;
        connection.SetDataSource(dataPath);
        connection.Open();
        QSqlDatabase db = connection.Database();
        ImportJetFile(Copy(kNorthwind), db);
        EXPECT_EQ(connection.GetTableNames().size(), 9);
        const QList<TColumnInfo> columns = connection.GetColumns(QStringLiteral("Order Details"));
        ASSERT_EQ(columns.size(), 5);
        EXPECT_EQ(columns[2].Name, QStringLiteral("UnitPrice"));
        EXPECT_EQ(columns[2].DeclaredType, QStringLiteral("CURRENCY"));
        TQuery query(connection);
        query.SetSQL(QStringLiteral("SELECT count(*) AS N FROM [Order Details]"));
        query.Open();
        EXPECT_EQ(query.AsInteger(QStringLiteral("N")), 2155);
    }
}

// --- bad input ----------------------------------------------------------------------

TEST_F(JetFileTest, UnreadableFilesAreRefusedAndTheTargetIsLeftAsItWas) {
    const QByteArray northwind = ReadFileBytes(m_source + u'/' + kNorthwind);
    const QByteArray dateTest = ReadFileBytes(m_source + u'/' + kDateTest);
    std::mt19937 random(20240101);
    auto noiseWithMarker = [&](qsizetype size, char version) {
        QByteArray bytes(size, '\0');
        for (char& c : bytes)
            c = static_cast<char>(random());
        bytes.replace(4, 15, "Standard Jet DB");
        bytes[20] = version;
        return bytes;
    };
    const QString sqlite = m_dir.filePath(QStringLiteral("data.mdb"));
    orv::test::RunSqlScript(sqlite, "CREATE TABLE t (a INTEGER);");

    const QString missing = m_dir.filePath(QStringLiteral("missing.mdb"));
    const struct {
        QString Path;
        QString Reason; // empty: any reason
    } cases[] = {
        // shorter than the three pages every file has
        {Write(QStringLiteral("nwind-4096.mdb"), northwind.left(4096)),
         DatabaseMessage("msgJetFormat")},
        {Write(QStringLiteral("datetest-8192.mdb"), dateTest.left(8192)),
         DatabaseMessage("msgJetFormat")},
        {Write(QStringLiteral("nwind-half.mdb"), northwind.left(northwind.size() / 2)), {}},
        {Write(QStringLiteral("datetest-3-pages.mdb"), dateTest.left(3 * 4096)), {}},
        {Write(QStringLiteral("noise-jet3.mdb"), noiseWithMarker(64 * 1024, 0)), {}},
        {Write(QStringLiteral("noise-jet4.mdb"), noiseWithMarker(64 * 1024, 1)), {}},
        {Write(QStringLiteral("header-only.mdb"), dateTest.left(21)),
         DatabaseMessage("msgJetFormat")},
        {Write(QStringLiteral("empty.mdb"), QByteArray()), DatabaseMessage("msgJetHeader")},
        {sqlite, DatabaseMessage("msgJetHeader")},
        {missing, DatabaseMessage("msgFileMissing", {QDir::toNativeSeparators(missing)})},
    };
    TMemoryDatabase target;
    // Tables already there are kept as they are; a failure rolls back all the copy did.
    QSqlQuery(target.Db()).exec(QStringLiteral("CREATE TABLE Kept (a INTEGER)"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Path.toStdString());
        ExpectRefused(c.Path, target, c.Reason);
    }
}

TEST_F(JetFileTest, AMemoOrOleValueThatIsNotWholeIsRefused) {
    // The 12 bytes of a picture in its row start with its length (10746, the chain of
    // pages holding it being read up to that length); the pictures of all eight
    // categories have that length. Any other length than that of the chain is damage.
    const QByteArray bytes = ReadFileBytes(m_source + u'/' + kNorthwind);
    const QByteArray length = QByteArray::fromHex("fa290000");
    QList<qsizetype> headers;
    for (qsizetype at = bytes.indexOf(length); at >= 0; at = bytes.indexOf(length, at + 1))
        headers << at;
    ASSERT_FALSE(headers.isEmpty());
    for (const quint32 wrong : {10745u, 10747u, 0u}) {
        QByteArray damaged = bytes;
        for (qsizetype at : headers)
            qToLittleEndian(wrong, damaged.data() + at);
        TMemoryDatabase target;
        ExpectRefused(Write(QStringLiteral("picture.mdb"), damaged), target,
                      DatabaseMessage("msgJetValue",
                                      {QStringLiteral("Picture"), QStringLiteral("Categories")}));
    }
}

TEST_F(JetFileTest, TruncatedCopiesAreRefusedOrComplete) {
    // A cut that leaves every page a table needs still reads whole; any other cut is
    // refused. Never is a part of a table copied.
    for (const QString& fixture : {kNorthwind, kDateTest}) {
        TMemoryDatabase complete;
        QSqlDatabase db = complete.Db();
        ImportJetFile(Copy(fixture), db);
        const QString full = complete.Dump();

        const QByteArray bytes = ReadFileBytes(m_source + u'/' + fixture);
        const qsizetype page = fixture == kNorthwind ? 2048 : 4096;
        const qsizetype pages = bytes.size() / page;
        // 8 pages: the catalog's definition is there, its rows are not.
        for (qsizetype cut : {8 * page, pages / 2 * page, pages / 2 * page + 100,
                              pages * 3 / 4 * page, (pages - 1) * page, bytes.size() - 1}) {
            SCOPED_TRACE(fixture.toStdString() + " cut at " + std::to_string(cut));
            const QString path = Write(QStringLiteral("cut.mdb"), bytes.left(cut));
            TMemoryDatabase target;
            QSqlDatabase targetDb = target.Db();
            try {
                ImportJetFile(path, targetDb);
                EXPECT_EQ(target.Dump(), full);
            } catch (const EDatabaseError& e) {
                EXPECT_TRUE(target.Tables().isEmpty());
                EXPECT_TRUE(e.message().contains(QDir::toNativeSeparators(path)));
            }
        }
    }
}

TEST_F(JetFileTest, DamagedObjectPropertiesAreRefusedBeforeLibmdbParsesThem) {
    // libmdb parses the property blocks of the catalog trusting every length in
    // them: a chunk length of 0 makes it loop, allocating, until memory runs out. Each
    // block of both files gets that damage in turn; every copy must then be refused or
    // read, and the blocks of the tables at least must be refused. Run in a child
    // process, with an alarm, so that a loop fails the test instead of hanging it.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const struct {
        QString Fixture;
        QByteArray Signature;
    } files[] = {{kNorthwind, QByteArray("KKD", 4)}, {kDateTest, QByteArray("MR2", 4)}};
    for (const auto& file : files) {
        const QByteArray bytes = ReadFileBytes(m_source + u'/' + file.Fixture);
        QList<qsizetype> blocks;
        for (qsizetype at = bytes.indexOf(file.Signature); at >= 0;
             at = bytes.indexOf(file.Signature, at + 1))
            blocks << at;
        ASSERT_FALSE(blocks.isEmpty()) << file.Fixture.toStdString();
        const QString path = m_dir.filePath(QStringLiteral("properties.mdb"));
        EXPECT_EXIT(
            {
                alarm(30);
                int refused = 0;
                for (qsizetype at : blocks) {
                    QByteArray damaged = bytes;
                    damaged.replace(at + 4, 4, QByteArray(4, '\0'));
                    WriteFileBytes(path, damaged);
                    TMemoryDatabase target;
                    QSqlDatabase db = target.Db();
                    try {
                        ImportJetFile(path, db);
                    } catch (const EDatabaseError&) {
                        ++refused;
                    }
                }
                std::_Exit(refused > 0 ? 0 : 2);
            },
            ::testing::ExitedWithCode(0), "")
            << file.Fixture.toStdString() << ", " << blocks.size() << " blocks";
    }
}

TEST_F(JetFileTest, ANameClashInTheTargetRollsBackTheWholeCopy) {
    TMemoryDatabase target;
    QSqlQuery(target.Db()).exec(QStringLiteral("CREATE TABLE Orders (x TEXT)"));
    QSqlQuery(target.Db()).exec(QStringLiteral("INSERT INTO Orders VALUES ('mine')"));
    ExpectRefused(Copy(kNorthwind), target);
    EXPECT_EQ(target.Tables(), QStringList{QStringLiteral("Orders")});
    EXPECT_EQ(target.Scalar(QStringLiteral("SELECT x FROM Orders")).toString(),
              QStringLiteral("mine"));
}

TEST_F(JetFileTest, ATargetThatIsNotOpenIsAnError) {
    QSqlDatabase closed;
    EXPECT_THROW(ImportJetFile(Copy(kDateTest), closed), EDatabaseError);
}

} // namespace
