#pragma once
// Telling a table's header row by its words, in Japanese or English, in any order.

#include "LayoutTable.h"

#include <optional>
#include <string>
#include <vector>

struct TableHeader {
    std::vector<ColumnRole> roles; // one per cell of the row
    bool lengthInChars = false;    // the length column is headed 文字数
};

// The roles of the cells of `cells` when they make a header: a name column and a start, end
// or length column. Where several cells could take a role, the closest header wins: an exact
// word before a word within a longer header, and the more telling word before the less
// ("Field Name" is the name before "Field").
std::optional<TableHeader> recogniseHeader(const std::vector<std::string> &cells);
