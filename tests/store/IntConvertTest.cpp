#include "UIntConvert.h"

#include <gtest/gtest.h>

namespace {

TEST(IntConvertTest, AcceptedTexts) {
    const struct {
        const char* text;
        qint32 value;
    } cases[] = {
        {"0", 0},
        {"1", 1},
        {"01", 1},
        {"00000000000000000000042", 42},
        {" 1", 1},
        {"\t\r\n 7", 7},
        {"+5", 5},
        {"-5", -5},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1},
        {"$1", 1},
        {"x10", 16},
        {"X10", 16},
        {"0x1A", 26},
        {"0X1a", 26},
        {"$aBcD", 0xABCD},
        {"$0000000000FF", 255},
        {"-$1A", -26},
        {"+0x1A", 26},
        {" -x1", -1},
        {"$7FFFFFFF", 2147483647},
        {"$80000000", -2147483647 - 1},
        {"$FFFFFFFF", -1},
        {"-$FFFFFFFF", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        qint32 value = 12345;
        EXPECT_TRUE(TryStrToInt(QString::fromLatin1(c.text), value));
        EXPECT_EQ(value, c.value);
        EXPECT_EQ(StrToIntDef(QString::fromLatin1(c.text), 12345), c.value);
    }
}

TEST(IntConvertTest, RejectedTextsLeaveTheValueAlone) {
    const char* const cases[] = {
        "",    " ",          "\t",          "+",          "-",          "$",
        "x",   "0x",         "-0x",         "1 ",         "1\t",        "one",
        "1e3", "1.0",        "1,000",       "- 1",        "+-1",        "--1",
        "$ 1", "$-1",        "0x-1",        "00x1",       "$G",         "0x1G",
        "12a", "2147483648", "-2147483649", "4294967295", "$100000000", "99999999999999999999",
    };
    for (const char* text : cases) {
        SCOPED_TRACE(text);
        qint32 value = 12345;
        EXPECT_FALSE(TryStrToInt(QString::fromLatin1(text), value));
        EXPECT_EQ(value, 12345);
        EXPECT_EQ(StrToIntDef(QString::fromLatin1(text), -7), -7);
    }
}

TEST(IntConvertTest, OnlyAsciiDigitsAndControlBlanksCount) {
    qint32 value = 0;
    // Arabic-Indic digit one, full-width digit one, no-break space before a digit.
    for (const char16_t* text : {u"\u0661", u"\uFF11", u"\u00A01"}) {
        SCOPED_TRACE(QString::fromUtf16(text).toStdString());
        EXPECT_FALSE(TryStrToInt(QString::fromUtf16(text), value));
    }
    EXPECT_TRUE(TryStrToInt(QStringLiteral("\u0001\u001F3"), value));
    EXPECT_EQ(value, 3);
}

} // namespace
