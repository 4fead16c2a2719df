#pragma once
// The line of field names a layout with HEADER starts each output with.

#include "layout/mdlGlobal.h"

#include <string>
#include <string_view>
#include <vector>

// The output columns' field names as they stand in the table (CP932), in output order; none
// without HEADER.
std::vector<std::string> headerNames(const LayoutModel &layout);

// The output columns' field names as they stand in the table, each written as a column of the
// layout (quoted, encoded, never trimmed), joined by `delimiter`, ending in CR LF; empty
// without HEADER or without columns.
std::string headerLine(const LayoutModel &layout, std::string_view delimiter);

// What each output file of the layout starts with: the byte order mark, then the header line.
std::string outputFileStart(const LayoutModel &layout, std::string_view delimiter);
