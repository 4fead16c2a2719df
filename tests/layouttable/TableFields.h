#pragma once
// A section's fields in one line a test can compare: "name@start+width" each, fillers and gaps
// marked with '*', separated by "; ".

#include "LayoutTable.h"

#include <string>

inline std::string fieldsOf(const TableSection &section)
{
    std::string out;
    for (const TableField &field : section.fields) {
        if (!out.empty()) out += "; ";
        out += (field.filler ? "*" : "") + field.name + "@" + std::to_string(field.start) + "+" +
               std::to_string(field.width);
    }
    return out;
}
