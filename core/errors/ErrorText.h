#pragma once
// The Japanese sentences (UTF-8) a user reads about a failure of the core. Width texts are
// bytes of the file's code page, decoded by the program's table.

#include "errors/CoreError.h"

#include <string>
#include <string_view>

// What went wrong, in one or two sentences.
std::string describeError(const CoreError &error);

// The message of a conversion that stopped: the record number, then the cause.
std::string describeRunFailure(const CoreError &error);
