#pragma once
// An output column as the layout's options write it: trimmed, then quoted, then encoded.

#include "layout/mdlGlobal.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::string_view ByteOrderMark = "\xEF\xBB\xBF";

// `column` less the half-width (0x20) and full-width (0x81 0x40) blanks at both ends. The column
// is taken as a text of its own: its bytes are grouped into characters from its first byte on.
std::string_view trimBlankEnds(std::string_view column);

// The same for a column already made UTF-8, where the full-width blank is U+3000 (E3 80 80), the
// UTF-8 of 0x81 0x40 and of no other CP932 character.
std::string_view trimUtf8BlankEnds(std::string_view column);

// Whether `column` may begin or end in a blank whose full-width form begins with `fullFirst` and
// ends with `fullLast`: a quick look, as most columns neither begin nor end in a blank's byte.
inline bool mayHaveBlankEnds(std::string_view column, char fullFirst, char fullLast)
{
    if (column.empty()) return false;
    const char first = column.front(), last = column.back();
    return first == ' ' || first == fullFirst || last == ' ' || last == fullLast;
}

inline std::string_view trimBlanks(std::string_view column)
{
    return mayHaveBlankEnds(column, '\x81', '\x40') ? trimBlankEnds(column) : column;
}

inline std::string_view trimUtf8Blanks(std::string_view column)
{
    return mayHaveBlankEnds(column, '\xE3', '\x80') ? trimUtf8BlankEnds(column) : column;
}

// Whether `column` must be written in double quotes: it holds the delimiter, '"', CR or LF.
bool needsQuotes(std::string_view column, std::string_view delimiter);

// The bytes of a line that call for quotes (a one-byte delimiter, '"', CR, LF), found once for
// the line, so that whether a column needs quotes is a look at the bits of its range.
class QuoteMarks {
public:
    void mark(std::string_view line, char separator);
    bool any() const { return any_; }
    // Whether a byte from `begin` up to `end` (offsets into the line) calls for quotes.
    bool within(size_t begin, size_t end) const;

private:
    std::vector<uint64_t> words_; // bit i of word w: byte 64 w + i
    bool any_ = false;
};

// Whether no byte of `text` can begin or end a double-byte character (all lie below 0x40), so
// that text joined to a column never changes how the column's bytes fall into characters.
inline bool outsideCharacters(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x40) return false;
    return true;
}

// The room writeColumn needs for a column of `size` bytes: UTF-8 takes at most three bytes for
// one, doubled quotes two; then the quotes around it and a spare byte.
constexpr size_t columnRoom(size_t size) { return 3 * size + 3; }

// Writes `column` from `to` on as the options say and returns the end of what was written. Adds
// to `undecodable` the characters UTF-8 output could not decode (each written as U+FFFD).
char *writeColumn(std::string_view column, const OutputOptions &options, std::string_view delimiter, char *to,
                  size_t &undecodable);

// What each output file starts with: a byte order mark for UTF-8 output that asks for one.
std::string_view fileStart(const OutputOptions &options);
