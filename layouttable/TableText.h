#pragma once
// Text of a table as UTF-8, whatever it came in, and the cells of its rows.

#include <string>
#include <string_view>
#include <vector>

// A row of a table: its cells (UTF-8) and the line (or sheet row) it begins on.
struct TableRow {
    int line = 0;
    std::vector<std::string> cells;
};

// `bytes` as UTF-8: a byte order mark is dropped; text that is not valid UTF-8 is read as CP932.
std::string tableTextAsUtf8(std::string_view bytes);

// The UTF-8 text in CP932; a character without a CP932 form becomes '?'.
std::string utf8ToCp932(std::string_view utf8);

// The rows of a text table: a Markdown pipe table when its lines begin with '|' (the rule line
// under the header is dropped), TAB-separated when a line holds a TAB, else CSV with RFC 4180
// quoting (a quoted cell may hold commas, doubled quotes and line ends).
std::vector<TableRow> splitTableText(std::string_view utf8);
