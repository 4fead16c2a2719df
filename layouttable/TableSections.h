#pragma once
// The fields of a table's rows, section by section: each header row starts a section, whose
// title is the last lone text above it.

#include "LayoutTable.h"
#include "TableText.h"

// Reads `rows`. With `options.columns`, the rows have no header: every row is read by those
// roles as one section. Without a header row the result has no section and holds the first
// rows in `unrecognised`. Throws LayoutTableError for a row that contradicts itself or the
// rows before it, naming `where` (such as a sheet) before the line when it is not empty.
LayoutTable sectionsOfRows(const std::vector<TableRow> &rows, const TableOptions &options, const std::string &where);
