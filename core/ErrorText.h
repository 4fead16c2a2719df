#pragma once
// The Japanese sentences (UTF-8) a user reads about a failure of the core. Width texts are
// bytes of the file's code page; the caller supplies how to show them.

#include "CoreError.h"

#include <functional>
#include <string>
#include <string_view>

using Cp932Decoder = std::function<std::string(std::string_view)>;

// What went wrong, in one or two sentences.
std::string describeError(const CoreError &error, const Cp932Decoder &decode);

// The message of a conversion that stopped: the record number, then the cause.
std::string describeRunFailure(const CoreError &error, const Cp932Decoder &decode);
