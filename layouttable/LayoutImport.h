#pragma once
// A section of a layout table as the layout a definition file holds, and a layout as a table
// (CSV) that reads back to the same layout.

#include "DefinitionFile.h"
#include "LayoutTable.h"

#include <string>

// Fields in table order, fillers and gaps included for their widths (names in CP932); the
// output positions: the table's own when it gives them, else every field but fillers and gaps
// in order; the table's unit; for a copybook in bytes, its record length (records read by
// length). Fields whose attribute says a number or a date get that type. Throws LayoutTableError
// for a width the layout cannot hold or a section with nothing to output.
Definition definitionOfSection(const LayoutTable &table, const TableSection &section);

// Number, name, start, length (headed バイト数 or 文字数 by the unit) and output positions of
// every field, as CSV in UTF-8 with a byte order mark and CR LF line ends. Throws CoreError for
// a width that is not a number.
std::string layoutTableCsv(const LayoutModel &model);
