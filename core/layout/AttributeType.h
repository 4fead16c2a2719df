#pragma once
// The type an imported layout's attribute text gives a field: a record layout's attribute column
// ("9", "X", "N", "数字", "数値", "日付 YYYYMMDD") or a copybook's picture ("S9(5)V99").

#include "layout/FieldType.h"

#include <string_view>

// The field type `attribute` (UTF-8) says: NUMBER with the implied decimals for a picture of 9s
// ("9(7)", "S9(5)V9(2)", "PIC 9(3)V99") and for 数字 or 数値 (decimals as "(7,2)" or "小数 2"
// give them); DATE for 日付 or a date picture with one of the date formats in the text; text
// for "X", "N" and anything else.
FieldType fieldTypeFromAttribute(std::string_view attribute);
