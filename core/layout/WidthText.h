#pragma once
// Width texts: a number with optional blanks around it, an optional sign, digits with an
// optional fraction and exponent, rounded to the nearest integer (ties to even).

#include "layout/mdlGlobal.h"

#include <cstdint>
#include <string_view>

enum class WidthParse {
    Ok,
    NotANumber,
    Overflow
};

WidthParse parseWidthText(std::string_view text, int16_t &value);

// Width of field `field` (1-based, must be in the table); throws CoreError naming the field.
int16_t fieldWidth(const LayoutModel &model, int field);
