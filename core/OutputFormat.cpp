#include "OutputFormat.h"

#include "Cp932.h"
#include "Cp932Codec.h"

namespace {

constexpr char HalfWidthBlank = 0x20;
constexpr char FullWidthBlank[] = {char(0x81), char(0x40)};

bool fullWidthBlankAt(std::string_view text, size_t at)
{
    return at + 1 < text.size() && text[at] == FullWidthBlank[0] && text[at + 1] == FullWidthBlank[1];
}

// Whether a character starts at `at`, counting characters from `from` (where one starts). The
// character holding a byte that is no lead byte ends with that byte, and a run of lead bytes
// falls into pairs (a lead byte is a trail byte too): an even run before `at` ends there.
bool characterStartsAt(std::string_view text, size_t from, size_t at)
{
    size_t leadsBefore = 0;
    while (at - leadsBefore > from && cp932::isLeadByte(static_cast<unsigned char>(text[at - leadsBefore - 1])))
        ++leadsBefore;
    return leadsBefore % 2 == 0;
}

void doubleQuotesFrom(std::string &out, size_t start)
{
    const std::string inner = out.substr(start);
    out.resize(start);
    for (const char c : inner) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
}

} // namespace

std::string_view trimBlanks(std::string_view column)
{
    size_t begin = 0;
    for (;;) {
        if (begin < column.size() && column[begin] == HalfWidthBlank)
            begin += 1;
        else if (fullWidthBlankAt(column, begin))
            begin += 2;
        else
            break;
    }
    // A 0x20 is never a trail byte, so it is a character of its own wherever it stands.
    size_t end = column.size();
    for (;;) {
        if (end > begin && column[end - 1] == HalfWidthBlank)
            end -= 1;
        else if (end >= begin + 2 && fullWidthBlankAt(column, end - 2) && characterStartsAt(column, begin, end - 2))
            end -= 2;
        else
            break;
    }
    return column.substr(begin, end - begin);
}

bool needsQuotes(std::string_view column, std::string_view delimiter)
{
    return column.find_first_of("\"\r\n") != std::string_view::npos ||
           (!delimiter.empty() && column.find(delimiter) != std::string_view::npos);
}

size_t appendColumn(std::string_view column, const OutputOptions &options, std::string_view delimiter,
                    std::string &out)
{
    if (options.trim) column = trimBlanks(column);
    const bool quoted = options.quote && needsQuotes(column, delimiter);
    if (quoted) out.push_back('"');
    const size_t start = out.size();
    size_t undecodable = 0;
    if (options.utf8)
        undecodable = cp932::appendUtf8(column, out);
    else
        out.append(column);
    // '"' is never part of a CP932 character nor of the UTF-8 of one: the bytes tell.
    if (quoted) {
        if (column.find('"') != std::string_view::npos) doubleQuotesFrom(out, start);
        out.push_back('"');
    }
    return undecodable;
}

std::string_view fileStart(const OutputOptions &options)
{
    return options.utf8 && options.bom ? ByteOrderMark : std::string_view();
}
