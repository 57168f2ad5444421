#include "UControlField.h"

#include <array>

namespace {

constexpr std::array<const char*, kFieldTypeCount> kFieldTypeNames = {
    "None",  "Text",       "Numeric",  "Currency",    "Password", "List",        "Date",
    "Image", "FixedImage", "Checkbox", "RadioButton", "Rate",     "PageControl", "Shape",
    "Label", "Memo",       "Button",   "View",        ""};

} // namespace

QString FieldTypeName(quint8 code) {
    if (code >= kFieldTypeNames.size())
        return QString();
    return QString::fromLatin1(kFieldTypeNames[code]);
}

bool IsDataField(quint8 code) {
    switch (code) {
    case ftNone:
    case ftFixedImage:
    case ftShape:
    case ftLabel:
    case ftButton:
    case ftView:
    case ftEmpty:
        return false;
    default:
        // PageControl and the unnamed codes above 18 count as data fields, although
        // SqlColumnType gives them no column type.
        return true;
    }
}

QString SqlColumnType(quint8 code) {
    switch (code & 0x7F) {
    case ftNone:
    case ftText:
    case ftPassword:
    case ftList:
    case ftRadioButton:
        return QStringLiteral("varchar(255)");
    case ftNumeric:
    case ftRate:
        return QStringLiteral("integer");
    case ftCurrency:
        return QStringLiteral("Currency");
    case ftDate:
        return QStringLiteral("DateTime");
    case ftImage:
        return QStringLiteral("LongBinary");
    case ftCheckbox:
        return QStringLiteral("Bit");
    case ftMemo:
        return QStringLiteral("Memo");
    default:
        return QString();
    }
}

quint8 FieldTypeOfColumn(TColumnDataType type) {
    switch (type) {
    case TColumnDataType::OneByteText:
        return ftText;
    case TColumnDataType::Integer32:
        return ftNumeric;
    case TColumnDataType::Boolean:
        return ftCheckbox;
    case TColumnDataType::Currency:
        return ftCurrency;
    case TColumnDataType::DateTime:
        return ftDate;
    case TColumnDataType::Blob:
        return ftImage;
    case TColumnDataType::Memo:
        return ftMemo;
    case TColumnDataType::WideText:
    case TColumnDataType::Integer16:
    case TColumnDataType::Decimal:
    case TColumnDataType::Float:
    case TColumnDataType::WideMemo:
    case TColumnDataType::AutoIncrement:
    case TColumnDataType::Other:
        break;
    }
    return ftNone;
}
