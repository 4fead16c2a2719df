#pragma once
// Replacing a file's contents without ever leaving it half written.

#include <string>
#include <string_view>

// Writes `bytes` to a temporary file in the folder of `path`, flushes it to disk and renames
// it over `path`. A link is followed: the file it points to is replaced. A replaced file keeps
// its permission bits (and its owner where the system allows). On failure the temporary file
// is removed, `path` is untouched, and CoreError (FileWrite) carries the system's description.
void replaceFileContents(const std::string &path, std::string_view bytes);
