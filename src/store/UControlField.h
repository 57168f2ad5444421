#pragma once

#include <QString>
#include <QtGlobal>

// Form field type codes, the FIELD_TYPE values of T_FORM_FIELDS and T_REPORT_FIELDS.
// A code is one byte; only 0 to 18 have a name.
using FieldType = quint8;

inline constexpr FieldType ftNone = 0;
inline constexpr FieldType ftText = 1;
inline constexpr FieldType ftNumeric = 2;
inline constexpr FieldType ftCurrency = 3;
inline constexpr FieldType ftPassword = 4;
inline constexpr FieldType ftList = 5;
inline constexpr FieldType ftDate = 6;
inline constexpr FieldType ftImage = 7;
inline constexpr FieldType ftFixedImage = 8;
inline constexpr FieldType ftCheckbox = 9;
inline constexpr FieldType ftRadioButton = 10;
inline constexpr FieldType ftRate = 11;
inline constexpr FieldType ftPageControl = 12;
inline constexpr FieldType ftShape = 13;
inline constexpr FieldType ftLabel = 14;
inline constexpr FieldType ftMemo = 15;
inline constexpr FieldType ftButton = 16;
inline constexpr FieldType ftView = 17;
// The last slot of the name table; its name is empty and it builds nothing.
inline constexpr FieldType ftEmpty = 18;
// Number of named codes (0 to ftEmpty).
inline constexpr int kFieldTypeCount = 19;

// OBJECT_TYPE values of the menu queries.
enum class ObjectType { Form = 0, View = 1, Report = 2, QStat = 3 };

// Data type that the database access layer reports for an existing column.
enum class TColumnDataType {
    OneByteText,
    WideText,
    Integer32,
    Integer16,
    Boolean,
    Currency,
    Decimal,
    Float,
    DateTime,
    Blob,
    Memo,
    WideMemo,
    AutoIncrement,
    Other
};

// Name of a field type ("Text", "Numeric", ...); empty for 18 and for codes above 18.
QString FieldTypeName(quint8 code);

// Whether a field of this type holds a column of the form's data table: false for None,
// FixedImage, Shape, Label, Button, View and 18, true for every other byte value.
bool IsDataField(quint8 code);

// SQL type of the column created for a field of this type ("varchar(255)", "integer", ...).
// Only the low seven bits of the code count; empty for types that have no column.
QString SqlColumnType(quint8 code);

// Field type matching the data type reported for an existing column; ftNone when no
// field type creates columns of that data type.
quint8 FieldTypeOfColumn(TColumnDataType type);

// PICTURE_ATTRS flags of a picture element; other bits are ignored.
inline constexpr int kPictureStretch = 1;      // stretch the picture to the element's bounds
inline constexpr int kPictureProportional = 2; // keep the proportions when stretching
inline constexpr int kPictureCenter = 4;       // centre the picture in the element

constexpr bool PictureStretch(int attrs) {
    return (attrs & kPictureStretch) != 0;
}
constexpr bool PictureProportional(int attrs) {
    return (attrs & kPictureProportional) != 0;
}
constexpr bool PictureCenter(int attrs) {
    return (attrs & kPictureCenter) != 0;
}
