#include "cp932/LocaleCharset.h"

#include <cstring>
#include <iconv.h>
#include <langinfo.h>

namespace {

bool localeIsUtf8OrAscii(const char *charset)
{
    return std::strcmp(charset, "UTF-8") == 0 || std::strcmp(charset, "ANSI_X3.4-1968") == 0;
}

// `text` converted whole by iconv, or as it is. A byte becomes at most `growth` bytes.
std::string converted(const std::string &text, const std::string &to, const char *from, size_t growth)
{
    const iconv_t convert = ::iconv_open(to.c_str(), from);
    if (convert == iconv_t(-1)) return text;
    std::string result(text.size() * growth + 1, '\0');
    char *in = const_cast<char *>(text.data()), *out = result.data();
    size_t inLeft = text.size(), outLeft = result.size();
    const bool whole = ::iconv(convert, &in, &inLeft, &out, &outLeft) != size_t(-1);
    ::iconv_close(convert);
    if (!whole) return text;
    result.resize(result.size() - outLeft);
    return result;
}

} // namespace

std::string fromLocaleCharset(const std::string &text)
{
    const char *charset = ::nl_langinfo(CODESET);
    return localeIsUtf8OrAscii(charset) ? text : converted(text, "UTF-8", charset, 3);
}

std::string toLocaleCharset(const std::string &utf8)
{
    const char *charset = ::nl_langinfo(CODESET);
    return localeIsUtf8OrAscii(charset) ? utf8 : converted(utf8, std::string(charset) + "//TRANSLIT", "UTF-8", 2);
}
