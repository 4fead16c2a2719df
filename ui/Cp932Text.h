#pragma once
// Display of CP932 bytes and the bytes of typed text. Only the windows decode; the model keeps
// bytes.

#include <QString>

#include <optional>
#include <string>
#include <string_view>

// The text for the screen, by the core's table; a character that cannot be decoded shows as U+FFFD.
QString decodeCp932(std::string_view bytes);

// The CP932 bytes of `text`, or nothing when a character has no CP932 form; `unmappable`
// then receives that character.
std::optional<std::string> encodeCp932(const QString &text, QString *unmappable = nullptr);
