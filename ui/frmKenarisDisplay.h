#pragma once
// Showing model texts in the window, and turning a handler's failure into the sentence a user
// reads.

#include "errors/CoreError.h"

#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

class QLineEdit;

// Shows CP932 bytes in a display box; a very long line shows its beginning only.
void showBytes(QLineEdit *box, std::string_view bytes);
// Shows an output line as it was written: UTF-8 or CP932 bytes.
void showOutputLine(QLineEdit *box, std::string_view line, bool utf8);

using FailureText = std::function<std::string(const CoreError &)>;

// Runs `body`; a failure comes back as the message a user should read, nothing otherwise.
std::optional<QString> failureOf(const std::function<void()> &body, const FailureText &describe);
std::optional<QString> failureOf(const std::function<void()> &body);

// While a source is read off the window's thread, says so and returns true: the handler waits
// its turn.
bool refusedWhileReading();

// Runs a handler's body (unless refusedWhileReading); a failure is shown in a message box
// instead of leaving the handler.
void runHandler(const std::function<void()> &body, int style, const QString &title);
void runHandler(const std::function<void()> &body); // exclamation icon, the program's title
