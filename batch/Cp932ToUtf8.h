#pragma once
// Turning CP932 bytes (width texts, names) into UTF-8 for a terminal.

#include <string>
#include <string_view>

// Each byte that does not start a valid CP932 character becomes U+FFFD.
std::string cp932ToUtf8(std::string_view bytes);
