#include "layout/WidthText.h"

#include "errors/CoreError.h"

#include <charconv>
#include <cmath>
#include <algorithm>
#include <string>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// True when `s` is digits with an optional fraction and an optional exponent.
bool isPlainDecimal(std::string_view s)
{
    size_t i = 0, digits = 0;
    while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && isDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        size_t expDigits = 0;
        while (i < s.size() && isDigit(s[i])) ++i, ++expDigits;
        if (expDigits == 0) return false;
    }
    return i == s.size();
}

// Rough power of ten of a plain decimal too large or too small for a double: positive for
// huge values, negative for values that round to zero.
long long decimalOrder(std::string_view s)
{
    const size_t expAt = s.find_first_of("eE");
    const std::string_view mantissa = s.substr(0, expAt);
    long long exponent = 0;
    if (expAt != std::string_view::npos) {
        std::string_view e = s.substr(expAt + 1);
        const bool negativeExp = !e.empty() && e.front() == '-';
        if (!e.empty() && (e.front() == '+' || e.front() == '-')) e.remove_prefix(1);
        for (char c : e) exponent = std::min(exponent * 10 + (c - '0'), 1000000000LL);
        if (negativeExp) exponent = -exponent;
    }
    const size_t point = std::min(mantissa.find('.'), mantissa.size());
    const size_t firstNonZero = mantissa.find_first_of("123456789");
    if (firstNonZero == std::string_view::npos) return -1; // zero
    const long long order =
        firstNonZero < point ? (long long)(point - firstNonZero) : -(long long)(firstNonZero - point - 1);
    return order + exponent;
}

} // namespace

WidthParse parseWidthText(std::string_view text, int16_t &value)
{
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (!isPlainDecimal(text)) return WidthParse::NotANumber;

    double magnitude = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), magnitude);
    if (error == std::errc::result_out_of_range) {
        if (decimalOrder(text) > 0) return WidthParse::Overflow;
        value = 0; // too small for a double: rounds to zero
        return WidthParse::Ok;
    }
    if (error != std::errc() || end != text.data() + text.size()) return WidthParse::NotANumber;
    const double rounded = std::nearbyint(negative ? -magnitude : magnitude); // ties to even
    if (!(rounded >= Int16Min && rounded <= Int16Max)) return WidthParse::Overflow;
    value = static_cast<int16_t>(rounded);
    return WidthParse::Ok;
}

int16_t fieldWidth(const LayoutModel &model, int field)
{
    const std::string &text = model.FieldTable[size_t(field - 1)].Width;
    int16_t width = 0;
    switch (parseWidthText(text, width)) {
    case WidthParse::Ok:
        return width;
    case WidthParse::NotANumber:
        throw CoreError::widthNotANumber(field, text);
    case WidthParse::Overflow:
        throw CoreError::widthOverflow(field, text);
    }
    return 0;
}
