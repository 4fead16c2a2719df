#pragma once
// The program's messages are UTF-8; a terminal under a locale of another character set (EUC-JP,
// Shift_JIS) gets them in its own.

#include <string>

// Reads the locale from the environment (LC_ALL, LANG, ...) for messages and character set.
void useUserLocale();

// `utf8` in the locale's character set; as it is under UTF-8 or the C locale, or where it cannot
// be converted.
std::string forTerminal(const std::string &utf8);
