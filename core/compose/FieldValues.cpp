#include "compose/FieldValues.h"

#include "cp932/Cp932.h"
#include "compose/OutputFormat.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace {

constexpr unsigned char FullWidthDigitLead = 0x82; // ０..９ are 0x82 0x4F..0x82 0x58

// A digit, half- or full-width, at `at`: its value, and how many bytes it takes in `width`.
int digitAt(std::string_view text, size_t at, size_t &width)
{
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= '0' && c <= '9') {
        width = 1;
        return c - '0';
    }
    if (c == FullWidthDigitLead && at + 1 < text.size()) {
        const auto trail = static_cast<unsigned char>(text[at + 1]);
        if (trail >= 0x4F && trail <= 0x58) {
            width = 2;
            return trail - 0x4F;
        }
    }
    return -1;
}

// A sign, half- or full-width (＋ 0x81 0x7B, － 0x81 0x7C), at `at`: '+', '-' or 0.
char signAt(std::string_view text, size_t at, size_t &width)
{
    const char c = text[at];
    if (c == '+' || c == '-') {
        width = 1;
        return c;
    }
    if (c == '\x81' && at + 1 < text.size() && (text[at + 1] == '\x7B' || text[at + 1] == '\x7C')) {
        width = 2;
        return text[at + 1] == '\x7B' ? '+' : '-';
    }
    return 0;
}

bool pointAt(std::string_view text, size_t at, size_t &width)
{
    if (text[at] == '.') {
        width = 1;
        return true;
    }
    width = 2; // ． 0x81 0x44
    return text[at] == '\x81' && at + 1 < text.size() && text[at + 1] == '\x44';
}

// A zoned (overpunched) last character: '{', 'A'..'I' are +0..+9; '}', 'J'..'R' are -0..-9.
int zonedDigit(char c, bool &negative)
{
    negative = c == '}' || (c >= 'J' && c <= 'R');
    if (c == '{' || c == '}') return 0;
    if (c >= 'A' && c <= 'I') return c - 'A' + 1;
    if (c >= 'J' && c <= 'R') return c - 'J' + 1;
    return -1;
}

} // namespace

namespace {

// `digits` less their leading zeros, but one zero for all zeros; none stay none.
std::string_view significant(std::string_view digits)
{
    const size_t first = digits.find_first_not_of('0');
    if (first != std::string_view::npos) return digits.substr(first);
    return digits.empty() ? digits : digits.substr(digits.size() - 1);
}

char *writeDigits(char *to, std::string_view digits)
{
    std::memcpy(to, digits.data(), digits.size());
    return to + digits.size();
}

} // namespace

size_t writeNumber(std::string_view field, int decimals, char *to)
{
    std::string_view text = trimBlanks(field);
    if (text.empty()) return 0;
    char sign = 0;
    size_t width = 0;
    // A leading sign, then blanks; or blanks, then a trailing sign.
    if (const char leading = signAt(text, 0, width)) {
        sign = leading;
        text = trimBlanks(text.substr(width));
    } else {
        // A full-width sign takes the last two bytes.
        const size_t at = text.size() >= 2 && text[text.size() - 2] == '\x81' ? text.size() - 2 : text.size() - 1;
        if (const char trailing = signAt(text, at, width); trailing && at + width == text.size()) {
            sign = trailing;
            text = trimBlanks(text.substr(0, at));
        }
    }
    if (text.empty()) return NotItsType;

    char digits[64];
    size_t count = 0, pointAfter = SIZE_MAX; // digits before the explicit point, if any
    for (size_t at = 0; at < text.size(); at += width) {
        const int digit = digitAt(text, at, width);
        if (digit >= 0) {
            if (count == sizeof digits) return NotItsType;
            digits[count++] = char('0' + digit);
            continue;
        }
        if (pointAfter == SIZE_MAX && pointAt(text, at, width)) {
            pointAfter = count;
            continue;
        }
        bool negative = false;
        const int zoned = at + 1 == text.size() && !sign ? zonedDigit(text[at], negative) : -1;
        if (zoned < 0 || count == sizeof digits) return NotItsType;
        digits[count++] = char('0' + zoned);
        sign = negative ? '-' : '+';
        width = 1;
    }
    if (count == 0) return NotItsType;

    // Where the point goes among the digits: as written, or d digits from the right (after
    // zeros that make up for missing digits).
    const std::string_view all(digits, count);
    char *const start = to;
    if (sign == '-' && all.find_first_not_of('0') != std::string_view::npos) *to++ = '-';
    if (pointAfter != SIZE_MAX) {
        to = writeDigits(to, significant(all.substr(0, pointAfter)));
        *to++ = '.';
        to = writeDigits(to, all.substr(pointAfter));
    } else if (decimals > 0 && count <= size_t(decimals)) {
        *to++ = '0';
        *to++ = '.';
        std::memset(to, '0', size_t(decimals) - count);
        to = writeDigits(to + (size_t(decimals) - count), all);
    } else if (decimals > 0) {
        to = writeDigits(to, significant(all.substr(0, count - size_t(decimals))));
        *to++ = '.';
        to = writeDigits(to, all.substr(count - size_t(decimals)));
    } else {
        to = writeDigits(to, significant(all));
    }
    return size_t(to - start);
}

bool appendNumber(std::string_view field, int decimals, std::string &out)
{
    const size_t at = out.size();
    out.resize(at + numberRoom(field.size(), decimals));
    const size_t length = writeNumber(field, decimals, out.data() + at);
    out.resize(length == NotItsType ? at : at + length);
    return length != NotItsType;
}

namespace {

struct Era {
    int year, month, day; // the first day, in the Gregorian calendar
};

// 明治, 大正, 昭和, 平成, 令和.
constexpr std::array<Era, 5> Eras{{{1868, 9, 8}, {1912, 7, 30}, {1926, 12, 25}, {1989, 1, 8}, {2019, 5, 1}}};
constexpr std::string_view EraLetters = "MTSHR";

bool leapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int daysIn(int year, int month)
{
    static constexpr int Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && leapYear(year) ? 29 : Days[month - 1];
}

// The number the ASCII digits from `at` on give, or -1.
int digitsAt(std::string_view text, size_t at, size_t count)
{
    int value = 0;
    for (size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

char *writePadded(int value, int digits, char *to)
{
    for (int i = digits - 1; i >= 0; --i, value /= 10) to[i] = char('0' + value % 10);
    return to + digits;
}

} // namespace

size_t writeDate(std::string_view field, DateFormat format, char *to)
{
    const std::string_view text = trimBlanks(field);
    if (text.find_first_not_of('0') == std::string_view::npos) return 0; // zeros or blanks
    const std::string_view name = DateFormatNames[size_t(format)];
    if (text.size() != name.size()) return NotItsType;
    int year = 0, era = -1;
    size_t at = 0;
    switch (format) {
    case DateFormat::YYYYMMDD:
    case DateFormat::YYYYMM:
        year = digitsAt(text, 0, 4);
        at = 4;
        break;
    case DateFormat::YYMMDD:
        year = digitsAt(text, 0, 2);
        if (year >= 0) year += year < 50 ? 2000 : 1900;
        at = 2;
        break;
    case DateFormat::GYYMMDD:
    case DateFormat::EYYMMDD:
        era = format == DateFormat::GYYMMDD ? digitsAt(text, 0, 1) - 1 : int(EraLetters.find(text[0]));
        if (era < 0 || era >= int(Eras.size())) return NotItsType;
        year = digitsAt(text, 1, 2);
        if (year < 1) return NotItsType;
        year += Eras[size_t(era)].year - 1;
        at = 3;
        break;
    }
    const int month = digitsAt(text, at, 2);
    const bool withDay = format != DateFormat::YYYYMM;
    const int day = withDay ? digitsAt(text, at + 2, 2) : 1;
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysIn(year, month)) return NotItsType;
    if (era >= 0) {
        const Era &start = Eras[size_t(era)];
        if (year * 10000 + month * 100 + day < start.year * 10000 + start.month * 100 + start.day) return NotItsType;
    }
    char *const start = to;
    to = writePadded(year, 4, to);
    *to++ = '-';
    to = writePadded(month, 2, to);
    if (withDay) {
        *to++ = '-';
        to = writePadded(day, 2, to);
    }
    return size_t(to - start);
}

bool appendDate(std::string_view field, DateFormat format, std::string &out)
{
    char written[DateRoom];
    const size_t length = writeDate(field, format, written);
    if (length == NotItsType) return false;
    out.append(written, length);
    return true;
}

namespace {

constexpr unsigned char FirstHalfWidthKana = 0xA1, LastHalfWidthKana = 0xDF;
constexpr unsigned char VoicedMark = 0xDE, SemiVoicedMark = 0xDF;

// The full-width CP932 character of each half-width one from 0xA1 (｡) to 0xDF (ﾟ).
constexpr uint16_t FullWidthKana[] = {
    0x8142, 0x8175, 0x8176, 0x8141, 0x8145, 0x8392, 0x8340, 0x8342, 0x8344, 0x8346, 0x8348, 0x8383, 0x8385,
    0x8387, 0x8362, 0x815B, 0x8341, 0x8343, 0x8345, 0x8347, 0x8349, 0x834A, 0x834C, 0x834E, 0x8350, 0x8352,
    0x8354, 0x8356, 0x8358, 0x835A, 0x835C, 0x835E, 0x8360, 0x8363, 0x8365, 0x8367, 0x8369, 0x836A, 0x836B,
    0x836C, 0x836D, 0x836E, 0x8371, 0x8374, 0x8377, 0x837A, 0x837D, 0x837E, 0x8380, 0x8381, 0x8382, 0x8384,
    0x8386, 0x8388, 0x8389, 0x838A, 0x838B, 0x838C, 0x838D, 0x838F, 0x8393, 0x814A, 0x814B};
static_assert(std::size(FullWidthKana) == LastHalfWidthKana - FirstHalfWidthKana + 1);

// The character a mark after half-width `kana` makes, or 0 when the mark stands alone: ｶ..ﾄ and
// ﾊ..ﾎ take ﾞ (the next code), ﾊ..ﾎ take ﾟ (the one after), ｳﾞ is ヴ.
uint16_t marked(unsigned char kana, unsigned char mark)
{
    const uint16_t base = FullWidthKana[kana - FirstHalfWidthKana];
    const bool haToHo = kana >= 0xCA && kana <= 0xCE;
    if (mark == VoicedMark) {
        if (kana == 0xB3) return 0x8394;
        if ((kana >= 0xB6 && kana <= 0xC4) || haToHo) return uint16_t(base + 1);
    } else if (haToHo) {
        return uint16_t(base + 2);
    }
    return 0;
}

char *writeCharacter(uint16_t code, char *to)
{
    to[0] = char(code >> 8);
    to[1] = char(code & 0xFF);
    return to + 2;
}

} // namespace

char *writeFullWidthKana(std::string_view field, char *to)
{
    for (size_t at = 0; at < field.size();) {
        const auto c = static_cast<unsigned char>(field[at]);
        if (c < FirstHalfWidthKana || c > LastHalfWidthKana) {
            const size_t length = cp932::charLengthAt(field, at);
            std::memcpy(to, field.data() + at, length);
            to += length;
            at += length;
            continue;
        }
        if (at + 1 < field.size()) {
            const auto next = static_cast<unsigned char>(field[at + 1]);
            if (next == VoicedMark || next == SemiVoicedMark) {
                if (const uint16_t code = marked(c, next)) {
                    to = writeCharacter(code, to);
                    at += 2;
                    continue;
                }
            }
        }
        to = writeCharacter(FullWidthKana[c - FirstHalfWidthKana], to);
        ++at;
    }
    return to;
}

void appendFullWidthKana(std::string_view field, std::string &out)
{
    const size_t at = out.size();
    out.resize(at + kanaRoom(field.size()));
    out.resize(size_t(writeFullWidthKana(field, out.data() + at) - out.data()));
}
