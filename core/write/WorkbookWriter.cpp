#include "write/WorkbookWriter.h"

#include "errors/CoreError.h"
#include "cp932/Cp932Codec.h"
#include "cp932/Utf8Text.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cctype>
#include <charconv>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::atomic<uint32_t> sheetRows{MaxSheetRows};

// The spreadsheet keeps 15 significant digits of a number; more would be changed on the way in.
constexpr int MostNumberDigits = 15;
// The spreadsheet's first date is 1900-01-01.
constexpr int FirstDateYear = 1900;
constexpr uint16_t MostColumns = 16384;
constexpr size_t MostSheetNameCharacters = 31; // as LXW_SHEETNAME_MAX counts them

// Digits from the first nonzero one to the last: what a double must hold exactly.
int significantDigits(std::string_view number)
{
    const size_t first = number.find_first_of("123456789");
    if (first == std::string_view::npos) return 0;
    const size_t last = number.find_last_of("123456789");
    int digits = 0;
    for (size_t at = first; at <= last; ++at) digits += number[at] >= '0' && number[at] <= '9';
    return digits;
}

// The first `characters` characters of UTF-8 `text`.
std::string_view leadingCharacters(std::string_view text, size_t characters)
{
    size_t at = 0;
    for (size_t count = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80) continue;
        if (count++ == characters) break;
    }
    return text.substr(0, at);
}

// Text that reads as the workbook's escape of a character ("_x0041_" for "A") gets its '_'
// escaped in turn ("_x005F_x0041_"), so that it is read back as it was written.
void keepEscapeLookalikes(std::string &text)
{
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    for (size_t at = text.find("_x"); at != std::string::npos; at = text.find("_x", at + 1))
        if (text.size() - at >= 7 && text[at + 6] == '_' &&
            std::all_of(text.begin() + long(at) + 2, text.begin() + long(at) + 6, isHex)) {
            text.insert(at + 1, "x005F_");
            at += 6; // past what was inserted
        }
}

std::string folderOf(const std::string &path)
{
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The file `path` names, links followed; `path` itself when there is none yet.
std::string followLinks(const std::string &path)
{
    char *resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return path;
    std::string target(resolved);
    std::free(resolved);
    return target;
}

// Removes the empty file a run holds in the workbook's place until it is written.
void removeIfEmpty(const std::string &path)
{
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && info.st_size == 0) ::unlink(path.c_str());
}

} // namespace

bool isWorkbookPath(std::string_view path)
{
    constexpr std::string_view extension = ".xlsx";
    if (path.size() < extension.size()) return false;
    return std::equal(extension.begin(), extension.end(), path.end() - extension.size(),
                      [](char a, char b) { return a == (b >= 'A' && b <= 'Z' ? b - 'A' + 'a' : b); });
}

std::string sheetNameOf(std::string_view sourcePath)
{
    std::string_view name = sourcePath.substr(sourcePath.rfind('/') + 1);
    if (const size_t dot = name.rfind('.'); dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
    // A name that is no UTF-8 was given in CP932, as on a share of a Windows system.
    const std::string utf8Name = isUtf8(name) ? std::string(name) : cp932::toUtf8(name);
    std::string sheet(leadingCharacters(utf8Name, MostSheetNameCharacters));
    for (char &c : sheet)
        if (std::string_view(":\\/?*[]").find(c) != std::string_view::npos) c = '_';
    // A sheet name may neither begin nor end with an apostrophe, nor be empty.
    if (!sheet.empty() && sheet.front() == '\'') sheet.front() = '_';
    if (!sheet.empty() && sheet.back() == '\'') sheet.back() = '_';
    return sheet.empty() || sheet == "-" ? "Sheet1" : sheet;
}

void WorkbookWriter::lowerSheetRowsForTesting(uint32_t rows)
{
    sheetRows = std::clamp<uint32_t>(rows, 2, MaxSheetRows);
}

WorkbookWriter::WorkbookWriter(std::string path, std::string sheetName)
    : path_(std::move(path)), targetPath_(followLinks(path_)), folder_(folderOf(targetPath_)),
      sheetName_(std::move(sheetName))
{
    const std::string base = targetPath_.substr(targetPath_.rfind('/') + 1);
    temporaryPath_ = folder_ + "/." + base + "." + std::to_string(::getpid()) + ".tmp";
    // The folder must take the temporary file: found out now rather than after the last record.
    const int probe = ::open(temporaryPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (probe < 0) {
        const int reason = errno;
        removeIfEmpty(targetPath_);
        throw CoreError::fileError(CoreError::Kind::FileOpen, path_, reason);
    }
    ::close(probe);
    ::unlink(temporaryPath_.c_str());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = folder_.data();
    workbook_ = workbook_new_opt(temporaryPath_.c_str(), &options);
    if (!workbook_) {
        removeIfEmpty(targetPath_);
        throw CoreError::fileError(CoreError::Kind::FileWrite, path_, ENOMEM);
    }
    bold_ = workbook_add_format(workbook_);
    format_set_bold(bold_);
    dayFormat_ = workbook_add_format(workbook_);
    format_set_num_format(dayFormat_, "yyyy/mm/dd");
    monthFormat_ = workbook_add_format(workbook_);
    format_set_num_format(monthFormat_, "yyyy/mm");
}

WorkbookWriter::~WorkbookWriter()
{
    if (!workbook_) return;
    lxw_workbook_free(workbook_);
    ::unlink(temporaryPath_.c_str());
    removeIfEmpty(targetPath_);
}

void WorkbookWriter::check(int error) const
{
    if (error == LXW_NO_ERROR) return;
    if (error == LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE)
        throw CoreError::writeRefused(path_, "Excel ブックの列は 16384 列までです。出力データを減らしてください");
    throw CoreError::writeRefused(path_, lxw_strerror(lxw_error(error)));
}

void WorkbookWriter::setHeader(std::vector<std::string> names) { header_ = std::move(names); }

void WorkbookWriter::startSheet()
{
    ++sheets_;
    std::string name = sheetName_;
    if (sheets_ > 1) {
        // The suffix stays whole: the name before it gives way, one more character whenever the
        // result is a name already used.
        const std::string suffix = "_" + std::to_string(sheets_);
        size_t keep = MostSheetNameCharacters - suffix.size();
        do name = std::string(leadingCharacters(sheetName_, keep)) + suffix;
        while (workbook_validate_sheet_name(workbook_, name.c_str()) == LXW_ERROR_SHEETNAME_ALREADY_USED && keep-- > 0);
    }
    sheet_ = workbook_add_worksheet(workbook_, name.c_str());
    if (!sheet_) check(LXW_ERROR_PARAMETER_VALIDATION);
    nextRow_ = 0;
    if (header_.empty()) return;
    if (header_.size() > MostColumns) check(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE);
    size_t undecodable = 0; // a field name's are not the records'
    for (size_t column = 0; column < header_.size(); ++column)
        if (!header_[column].empty()) writeText(0, uint16_t(column), header_[column], bold_, undecodable);
    worksheet_freeze_panes(sheet_, 1, 0);
    nextRow_ = 1;
}

size_t WorkbookWriter::appendRow(const std::vector<ColumnValue> &values)
{
    if (!sheet_ || nextRow_ >= sheetRows) startSheet();
    if (values.size() > MostColumns) check(LXW_ERROR_WORKSHEET_INDEX_OUT_OF_RANGE);
    size_t undecodable = 0;
    for (size_t column = 0; column < values.size(); ++column)
        writeCell(nextRow_, uint16_t(column), values[column], undecodable);
    ++nextRow_;
    return undecodable;
}

void WorkbookWriter::writeCell(uint32_t row, uint16_t column, const ColumnValue &value, size_t &undecodable)
{
    using Kind = ColumnValue::Kind;
    switch (value.kind) {
    case Kind::Empty:
        return;
    case Kind::Text:
        return writeText(row, column, value.bytes, nullptr, undecodable);
    case Kind::Number: {
        double number = 0;
        const auto [end, failure] =
            std::from_chars(value.bytes.data(), value.bytes.data() + value.bytes.size(), number);
        // Too many digits for the spreadsheet: kept whole as text (no byte of it is CP932's own).
        if (significantDigits(value.bytes) > MostNumberDigits || failure != std::errc())
            return writeText(row, column, value.bytes, nullptr, undecodable);
        return check(worksheet_write_number(sheet_, row, column, number, nullptr));
    }
    case Kind::Date: {
        const std::string_view date = value.bytes; // YYYY-MM-DD or YYYY-MM
        const auto number = [date](size_t at, size_t digits) {
            int n = 0;
            std::from_chars(date.data() + at, date.data() + at + digits, n);
            return n;
        };
        const bool month = date.size() == 7;
        lxw_datetime when{number(0, 4), number(5, 2), month ? 1 : number(8, 2), 0, 0, 0};
        if (when.year < FirstDateYear) {
            // Before the spreadsheet's dates: the date as it would be shown, as text.
            std::string shown(date);
            std::replace(shown.begin(), shown.end(), '-', '/');
            return writeText(row, column, shown, nullptr, undecodable);
        }
        return check(worksheet_write_datetime(sheet_, row, column, &when, month ? monthFormat_ : dayFormat_));
    }
    }
}

void WorkbookWriter::writeText(uint32_t row, uint16_t column, std::string_view cp932, lxw_format *format,
                               size_t &undecodable)
{
    text_.clear();
    undecodable += cp932::appendUtf8(cp932, text_);
    keepEscapeLookalikes(text_);
    // A NUL would end the library's string: written as the workbook's escape for the character.
    for (size_t at = text_.find('\0'); at != std::string::npos; at = text_.find('\0', at))
        text_.replace(at, 1, "_x0000_");
    check(worksheet_write_string(sheet_, row, column, text_.c_str(), format));
}

void WorkbookWriter::finish()
{
    if (!sheet_) startSheet();
    errno = 0;
    const lxw_error closed = workbook_close(workbook_);
    workbook_ = nullptr;
    const int closeErrno = errno;
    // Only a workbook that reached the disk whole replaces the file.
    int failure = closed == LXW_NO_ERROR ? 0 : (closeErrno ? closeErrno : EIO);
    if (!failure) {
        const int fd = ::open(temporaryPath_.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0 || ::fsync(fd) != 0) failure = errno;
        if (fd >= 0) ::close(fd);
    }
    if (!failure && ::rename(temporaryPath_.c_str(), targetPath_.c_str()) != 0) failure = errno;
    if (!failure) return;
    ::unlink(temporaryPath_.c_str());
    removeIfEmpty(targetPath_);
    if (closed != LXW_NO_ERROR && !closeErrno) check(closed);
    throw CoreError::fileError(CoreError::Kind::FileWrite, path_, failure);
}
