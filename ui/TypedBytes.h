#pragma once
// The CP932 bytes of text a user typed into a one-line box of a dialog.

#include <QString>

#include <optional>
#include <string>

class QLineEdit;

// The bytes of the box's text, or nothing after telling the user (a message titled `caption`)
// why the text cannot be kept: a character CP932 lacks, or a pasted line break, would not come
// back unchanged from a definition file. `action` names what cannot be done ("追加").
std::optional<std::string> typedBytes(const QLineEdit &box, const QString &boxName, const QString &action,
                                      const QString &caption);
