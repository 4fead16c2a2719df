#include "TerminalText.h"

#include "cp932/LocaleCharset.h"

#include <clocale>

void useUserLocale()
{
    // All categories: the system's reasons (strerror) are made in the locale's language and
    // character set only when both are in force, as in the window.
    std::setlocale(LC_ALL, "");
}

std::string forTerminal(const std::string &utf8) { return toLocaleCharset(utf8); }
