#include "TerminalText.h"

#include <clocale>
#include <cstring>
#include <iconv.h>
#include <langinfo.h>

void useUserLocale()
{
    // All categories: the system's reasons (strerror) are made in the locale's language and
    // character set only when both are in force, as in the window.
    std::setlocale(LC_ALL, "");
}

std::string forTerminal(const std::string &utf8)
{
    const char *charset = ::nl_langinfo(CODESET);
    if (std::strcmp(charset, "UTF-8") == 0 || std::strcmp(charset, "ANSI_X3.4-1968") == 0) return utf8;
    const iconv_t convert = ::iconv_open((std::string(charset) + "//TRANSLIT").c_str(), "UTF-8");
    if (convert == iconv_t(-1)) return utf8;
    std::string converted(utf8.size() * 2 + 1, '\0');
    char *in = const_cast<char *>(utf8.data()), *out = converted.data();
    size_t inLeft = utf8.size(), outLeft = converted.size();
    const bool whole = ::iconv(convert, &in, &inLeft, &out, &outLeft) != size_t(-1);
    ::iconv_close(convert);
    if (!whole) return utf8;
    converted.resize(converted.size() - outLeft);
    return converted;
}
