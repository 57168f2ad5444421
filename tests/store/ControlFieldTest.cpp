#include "UControlField.h"

#include <gtest/gtest.h>

namespace {

struct TFieldTypeRow {
    quint8 code;
    const char* name;
    bool isData;
    const char* sqlType; // empty: no column
};

// The whole table of named codes.
const TFieldTypeRow kFieldTypes[] = {
    {ftNone, "None", false, "varchar(255)"},
    {ftText, "Text", true, "varchar(255)"},
    {ftNumeric, "Numeric", true, "integer"},
    {ftCurrency, "Currency", true, "Currency"},
    {ftPassword, "Password", true, "varchar(255)"},
    {ftList, "List", true, "varchar(255)"},
    {ftDate, "Date", true, "DateTime"},
    {ftImage, "Image", true, "LongBinary"},
    {ftFixedImage, "FixedImage", false, ""},
    {ftCheckbox, "Checkbox", true, "Bit"},
    {ftRadioButton, "RadioButton", true, "varchar(255)"},
    {ftRate, "Rate", true, "integer"},
    {ftPageControl, "PageControl", true, ""},
    {ftShape, "Shape", false, ""},
    {ftLabel, "Label", false, ""},
    {ftMemo, "Memo", true, "Memo"},
    {ftButton, "Button", false, ""},
    {ftView, "View", false, ""},
    {ftEmpty, "", false, ""},
};

TEST(ControlFieldTest, NamedCodesHaveTheirNameDataFlagAndColumnType) {
    ASSERT_EQ(std::size(kFieldTypes), size_t(kFieldTypeCount));
    for (size_t i = 0; i < std::size(kFieldTypes); ++i) {
        const TFieldTypeRow& row = kFieldTypes[i];
        SCOPED_TRACE(testing::Message() << "code " << int(row.code));
        EXPECT_EQ(row.code, i);
        EXPECT_EQ(FieldTypeName(row.code), QString::fromLatin1(row.name));
        EXPECT_EQ(IsDataField(row.code), row.isData);
        EXPECT_EQ(SqlColumnType(row.code), QString::fromLatin1(row.sqlType));
    }
}

TEST(ControlFieldTest, CodesAbove18AreUnnamedDataFieldsWithoutColumnBelow128) {
    for (int code = kFieldTypeCount; code <= 255; ++code) {
        SCOPED_TRACE(testing::Message() << "code " << code);
        EXPECT_TRUE(FieldTypeName(quint8(code)).isEmpty());
        EXPECT_TRUE(IsDataField(quint8(code)));
        if (code < 128) {
            EXPECT_TRUE(SqlColumnType(quint8(code)).isEmpty());
        }
    }
}

TEST(ControlFieldTest, ColumnTypeIgnoresTheHighBit) {
    for (int code = 128; code <= 255; ++code) {
        SCOPED_TRACE(testing::Message() << "code " << code);
        EXPECT_EQ(SqlColumnType(quint8(code)), SqlColumnType(quint8(code - 128)));
    }
    EXPECT_EQ(SqlColumnType(130), QStringLiteral("integer"));
    EXPECT_EQ(SqlColumnType(128), QStringLiteral("varchar(255)"));
}

TEST(ControlFieldTest, ReportedColumnTypesMapBackToFieldTypes) {
    const struct {
        TColumnDataType type;
        quint8 code;
    } cases[] = {
        {TColumnDataType::OneByteText, ftText},   {TColumnDataType::Integer32, ftNumeric},
        {TColumnDataType::Boolean, ftCheckbox},   {TColumnDataType::Currency, ftCurrency},
        {TColumnDataType::DateTime, ftDate},      {TColumnDataType::Blob, ftImage},
        {TColumnDataType::Memo, ftMemo},          {TColumnDataType::WideText, ftNone},
        {TColumnDataType::Integer16, ftNone},     {TColumnDataType::Decimal, ftNone},
        {TColumnDataType::Float, ftNone},         {TColumnDataType::WideMemo, ftNone},
        {TColumnDataType::AutoIncrement, ftNone}, {TColumnDataType::Other, ftNone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "column type " << int(c.type));
        EXPECT_EQ(FieldTypeOfColumn(c.type), c.code);
    }
}

TEST(ControlFieldTest, PictureAttributesReadOnlyTheirOwnBit) {
    const struct {
        int attrs;
        bool stretch, proportional, center;
    } cases[] = {
        {0, false, false, false}, {1, true, false, false},    {2, false, true, false},
        {4, false, false, true},  {5, true, false, true},     {7, true, true, true},
        {8, false, false, false}, {8 | 6, false, true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "attrs " << c.attrs);
        EXPECT_EQ(PictureStretch(c.attrs), c.stretch);
        EXPECT_EQ(PictureProportional(c.attrs), c.proportional);
        EXPECT_EQ(PictureCenter(c.attrs), c.center);
    }
}

} // namespace
