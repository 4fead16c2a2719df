#pragma once
// Writes records as rows of an Excel workbook (.xlsx), each row streamed to disk as it is added so
// that memory stays flat however many there are. The workbook is made under a temporary name
// beside its file and moved into place by finish(): a writer destroyed before that (a failed run)
// leaves neither a workbook nor the temporary file.

#include "compose/ComposePlan.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

// Whether an output named `path` is a workbook: its name ends in ".xlsx", in any case.
bool isWorkbookPath(std::string_view path);

// The name of the first sheet for source file `sourcePath`: its file name without the extension,
// the characters a sheet name cannot hold (: \ / ? * [ ]) made '_', cut to 31 characters.
std::string sheetNameOf(std::string_view sourcePath);

// The most rows a sheet holds; past them the rows go on in a further sheet.
inline constexpr uint32_t MaxSheetRows = 1048576;

class WorkbookWriter {
public:
    // `path`: the workbook's file; `sheetName`: its first sheet's name (as sheetNameOf makes it).
    WorkbookWriter(std::string path, std::string sheetName);
    ~WorkbookWriter(); // without finish(): removes what was written; never throws
    WorkbookWriter(const WorkbookWriter &) = delete;
    WorkbookWriter &operator=(const WorkbookWriter &) = delete;

    // The field names (CP932) each sheet starts with, in bold and held in place; none: no header.
    void setHeader(std::vector<std::string> names);
    // Adds one row. Returns how many characters could not be decoded (each written as U+FFFD).
    // Throws CoreError (FileWrite).
    size_t appendRow(const std::vector<ColumnValue> &values);
    // Writes the workbook and moves it into place. Throws CoreError (FileWrite).
    void finish();

    const std::string &path() const { return path_; }
    uint32_t sheets() const { return sheets_; }

    // Lowers the rows a sheet holds, for tests of the change of sheet only.
    static void lowerSheetRowsForTesting(uint32_t rows);

private:
    void startSheet();
    void writeCell(uint32_t row, uint16_t column, const ColumnValue &value, size_t &undecodable);
    void writeText(uint32_t row, uint16_t column, std::string_view cp932, lxw_format *format, size_t &undecodable);
    void check(int error) const; // throws CoreError (FileWrite) for a failure of the library

    std::string path_;
    std::string targetPath_;    // path_ with links followed: what the workbook replaces
    std::string temporaryPath_; // beside targetPath_
    std::string folder_;        // of targetPath_, where the rows wait until finish()
    std::string sheetName_;
    std::vector<std::string> header_;
    lxw_workbook *workbook_ = nullptr;
    lxw_worksheet *sheet_ = nullptr;
    lxw_format *bold_ = nullptr;
    lxw_format *dayFormat_ = nullptr;
    lxw_format *monthFormat_ = nullptr;
    uint32_t sheets_ = 0;
    uint32_t nextRow_ = 0; // in the sheet in hand
    std::string text_;     // the cell in hand made UTF-8
};
