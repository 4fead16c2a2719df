#include "compose/OutputFormat.h"

#include "cp932/Cp932.h"
#include "cp932/Cp932Codec.h"
#include "compose/CopyBytes.h"
#include "paths/SimdPath.h"

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

bool callsForQuotes(char c, char separator) { return c == separator || c == '"' || c == '\r' || c == '\n'; }

#if defined(__SSE2__)
// The bytes of the sixteen from `at` on that call for quotes, as bits.
unsigned quoteBits16(const char *at, char separator)
{
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(at));
    const __m128i any =
        _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8(separator)), _mm_cmpeq_epi8(v, _mm_set1_epi8('"'))),
                     _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\r')), _mm_cmpeq_epi8(v, _mm_set1_epi8('\n'))));
    return unsigned(_mm_movemask_epi8(any));
}
#endif

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

std::string_view trimUtf8BlankEnds(std::string_view column)
{
    // UTF-8 finds its characters from either end: no look back is needed.
    constexpr std::string_view FullWidthBlankUtf8 = "\xE3\x80\x80";
    for (;;) {
        if (column.starts_with(HalfWidthBlank)) column.remove_prefix(1);
        else if (column.starts_with(FullWidthBlankUtf8)) column.remove_prefix(FullWidthBlankUtf8.size());
        else break;
    }
    for (;;) {
        if (column.ends_with(HalfWidthBlank)) column.remove_suffix(1);
        else if (column.ends_with(FullWidthBlankUtf8)) column.remove_suffix(FullWidthBlankUtf8.size());
        else break;
    }
    return column;
}

bool needsQuotes(std::string_view column, std::string_view delimiter)
{
    if (delimiter.size() != 1)
        return column.find_first_of("\"\r\n") != std::string_view::npos ||
               (!delimiter.empty() && column.find(delimiter) != std::string_view::npos);
    const char separator = delimiter.front();
#if defined(__SSE2__)
    // Sixteen bytes at a time, the last sixteen overlapping those before: whole lines are checked.
    if (useSse2 && column.size() >= 16) {
        for (size_t at = 0; at + 16 <= column.size(); at += 16)
            if (quoteBits16(column.data() + at, separator)) return true;
        return quoteBits16(column.data() + column.size() - 16, separator) != 0;
    }
#endif
    return std::any_of(column.begin(), column.end(), [separator](char c) { return callsForQuotes(c, separator); });
}

void QuoteMarks::mark(std::string_view line, char separator)
{
    const size_t size = line.size();
    words_.assign((size + 63) / 64, 0);
    any_ = false;
    // Bits of at most sixteen bytes from `at` on, which lie in one word.
    const auto put = [this](size_t at, unsigned bits) {
        if (!bits) return;
        words_[at / 64] |= uint64_t(bits) << (at % 64);
        any_ = true;
    };
    size_t at = 0;
#if defined(__SSE2__)
    if (useSse2 && size >= 16) {
        for (; at + 16 <= size; at += 16) put(at, quoteBits16(line.data() + at, separator));
        // The rest, as the end of the last sixteen bytes.
        if (at < size) put(at, quoteBits16(line.data() + size - 16, separator) >> (16 - (size - at)));
        return;
    }
#endif
    for (; at < size; ++at) put(at, callsForQuotes(line[at], separator));
}

bool QuoteMarks::within(size_t begin, size_t end) const
{
    if (begin >= end) return false;
    const size_t first = begin / 64, last = (end - 1) / 64;
    const uint64_t fromBegin = ~uint64_t(0) << (begin % 64), toEnd = ~uint64_t(0) >> (63 - (end - 1) % 64);
    if (first == last) return words_[first] & fromBegin & toEnd; // the usual column
    if (words_[first] & fromBegin || words_[last] & toEnd) return true;
    return std::any_of(words_.begin() + ptrdiff_t(first + 1), words_.begin() + ptrdiff_t(last),
                       [](uint64_t word) { return word != 0; });
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
