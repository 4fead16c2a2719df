#pragma once
// Text between UTF-8 and the character set of the user's locale (LC_CTYPE): the system's reasons
// (strerror) come in it, and a terminal in EUC-JP or Shift_JIS reads it. Under UTF-8 or the C
// locale, or where iconv cannot convert the whole text, the text is returned as it is.

#include <string>

std::string fromLocaleCharset(const std::string &text);
std::string toLocaleCharset(const std::string &utf8);
