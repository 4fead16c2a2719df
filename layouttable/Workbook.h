#pragma once
// Excel workbooks (.xlsx): a zip of XML parts, read with libzip and expat. Cells are read as
// stored: a formula's stored result, never evaluated again.

#include "TableText.h"

#include <string>
#include <string_view>
#include <vector>

// A zip file begins with these bytes.
bool looksLikeWorkbook(std::string_view bytes);

struct WorkbookSheet {
    std::vector<std::string> sheets; // names, in the workbook's order
    std::string name;                // the one read
    std::vector<TableRow> rows;      // line: the sheet's row number
};

// The sheet named `sheet` (the first when empty). Throws LayoutTableError when the workbook
// cannot be read or has no such sheet.
WorkbookSheet readWorkbookSheet(std::string_view bytes, const std::string &sheet);
