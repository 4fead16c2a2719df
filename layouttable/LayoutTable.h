#pragma once
// A layout read from the table a user already has: a spreadsheet (.xlsx), text copied from one
// (TAB-separated), CSV, a Markdown pipe table or a COBOL copybook. What is read is kept as it
// stands in the table (names and attributes in UTF-8, starts and widths as numbers), section by
// section; LayoutImport turns one section into a layout.

#include "layout/mdlGlobal.h"

#include <stdexcept>
#include <string>
#include <vector>

// What a column of a table holds.
enum class ColumnRole {
    Ignored,
    Name,
    Start,
    End,
    Length,
    Attribute,
    Repetition,
    Output, // the output position, as the export writes it
};

struct TableField {
    std::string name;         // UTF-8
    long long start = 1;      // 1-based, in the table's unit
    long long width = 0;      // 1 or more
    std::string attribute;    // UTF-8, as the table gives it (a later step reads types from it)
    bool filler = false;      // FILLER, or a gap between fields: kept for its width, left out of the output
    std::vector<int> outputs; // output positions the table gives (empty: in field order)
    int line = 0;             // the table's line (row of a sheet) the field comes from
};

// A row that is not a field, and why.
struct SkippedRow {
    int line = 0;
    std::string reason; // UTF-8
};

struct TableSection {
    std::string title; // UTF-8; may be empty
    std::vector<TableField> fields;
    std::vector<SkippedRow> skipped;
    std::vector<std::string> notSupported; // copybook items left out, such as REDEFINES (UTF-8)
    long long recordLength = 0;            // its longest definition
};

struct LayoutTable {
    std::vector<TableSection> sections; // at least one
    WidthUnit unit = WidthUnit::Bytes;
    bool copybook = false;
    std::vector<std::string> sheets; // of a workbook, in its order
    std::string sheet;               // the sheet read
    // For a table read without a recognised header: its first rows, to choose the columns by.
    std::vector<std::vector<std::string>> unrecognised;
};

struct TableOptions {
    std::string sheet;               // of a workbook; empty: the first
    bool chars = false;              // widths count characters
    std::vector<ColumnRole> columns; // a table without a header: what each column holds
};

// A table that cannot be read; the message (UTF-8, Japanese) says where and why.
class LayoutTableError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the table in `bytes`. `fileName` (may be empty) tells a copybook or a workbook by its
// extension; without one they are told by content. Throws LayoutTableError.
LayoutTable readLayoutTable(std::string_view bytes, const std::string &fileName, const TableOptions &options);

// The role named by a word of --columns (name, start, end, length, attribute, repetition,
// output, skip), Ignored for "skip"; throws LayoutTableError for an unknown word.
std::vector<ColumnRole> parseColumnRoles(std::string_view list);
