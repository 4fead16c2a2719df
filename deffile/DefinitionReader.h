#pragma once
// Reading a definition file.
//
// The first line must begin with "FIX". A line beginning with "OUT" starts the output entries,
// which run up to a line beginning with "LEN" or the end; each entry is read like a width text.
// A line beginning with "LEN" starts the field entries, which run to the end of the file; each
// is split at its first blank into width and name (no blank: both are the whole line). Keyword
// lines before those sections hold the layout's settings (see KeywordLines). Other lines are
// skipped.

#include "DefinitionFile.h"

#include <optional>
#include <string>

// Entries a file may hold in each section: positions and field numbers are 16-bit.
inline constexpr int MaxDefinitionEntries = Int16Max;

// The definition stored in the file at `path`, or nothing when it is not a definition file
// (empty, or first line not "FIX"). Throws CoreError (FileOpen, FileRead, FileShrank) when the
// file cannot be read, TooManyEntries when a section holds more than MaxDefinitionEntries, and
// MalformedLine (with the path and line number) for a keyword line that cannot be read or a
// line longer than MaxDefinitionLineBytes (also the first: such as /dev/zero), or a file saved
// as UTF-8 (layouts are CP932).
std::optional<Definition> readDefinitionFile(const std::string &path);
