#include "OutputFormat.h"

#include "Cp932.h"
#include "Cp932Codec.h"
#include "CopyBytes.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Doubles each '"' of the text from `begin` to `end`, in place; returns the text's new end.
char *doubleQuotes(char *begin, char *end)
{
    const auto quotes = std::count(begin, end, '"');
    char *to = end + quotes;
    char *const newEnd = to;
    for (char *from = end; from != begin;) {
        *--to = *--from;
        if (*from == '"') *--to = '"';
    }
    return newEnd;
}

} // namespace

std::string_view trimBlankEnds(std::string_view column)
{
    size_t begin = 0;
    for (;;) {
        if (begin < column.size() && column[begin] == HalfWidthBlank) begin += 1;
        else if (fullWidthBlankAt(column, begin)) begin += 2;
        else break;
    }
    // A 0x20 is never a trail byte, so it is a character of its own wherever it stands.
    size_t end = column.size();
    for (;;) {
        if (end > begin && column[end - 1] == HalfWidthBlank) end -= 1;
        else if (end >= begin + 2 && fullWidthBlankAt(column, end - 2) && characterStartsAt(column, begin, end - 2))
            end -= 2;
        else break;
    }
    return column.substr(begin, end - begin);
}

bool needsQuotes(std::string_view column, std::string_view delimiter)
{
    if (delimiter.size() != 1)
        return column.find_first_of("\"\r\n") != std::string_view::npos ||
               (!delimiter.empty() && column.find(delimiter) != std::string_view::npos);
    const char separator = delimiter.front();
    const auto special = [separator](char c) { return c == separator || c == '"' || c == '\r' || c == '\n'; };
#if defined(__SSE2__)
    // Sixteen bytes at a time, the last sixteen overlapping those before: whole lines are checked.
    if (column.size() >= 16) {
        const __m128i targets[] = {_mm_set1_epi8(separator), _mm_set1_epi8('"'), _mm_set1_epi8('\r'),
                                   _mm_set1_epi8('\n')};
        const auto hit = [&](size_t at) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(column.data() + at));
            const __m128i any =
                _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, targets[0]), _mm_cmpeq_epi8(v, targets[1])),
                             _mm_or_si128(_mm_cmpeq_epi8(v, targets[2]), _mm_cmpeq_epi8(v, targets[3])));
            return _mm_movemask_epi8(any) != 0;
        };
        for (size_t at = 0; at + 16 <= column.size(); at += 16)
            if (hit(at)) return true;
        return hit(column.size() - 16);
    }
#endif
    return std::any_of(column.begin(), column.end(), special);
}

bool outsideCharacters(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x40; });
}

char *writeColumn(std::string_view column, const OutputOptions &options, std::string_view delimiter, char *to,
                  size_t &undecodable)
{
    if (options.trim) column = trimBlanks(column);
    const bool quoted = options.quote && needsQuotes(column, delimiter);
    if (quoted) *to++ = '"';
    char *const start = to;
    if (options.utf8) {
        to = cp932::writeUtf8(column, to, undecodable);
    } else {
        to = copyBytes(to, column);
    }
    // '"' is never part of a CP932 character nor of the UTF-8 of one: the bytes tell.
    if (quoted) {
        if (std::memchr(start, '"', size_t(to - start))) to = doubleQuotes(start, to);
        *to++ = '"';
    }
    return to;
}

std::string_view fileStart(const OutputOptions &options)
{
    return options.utf8 && options.bom ? ByteOrderMark : std::string_view();
}
