#pragma once
// The keyword lines between "FIX" and "OUT": each layout setting a definition file keeps on a
// line of its own ("BYTE", "RECORD n", "SELECT k text", "TRIM", "QUOTE", "UTF8" or "UTF8 BOM",
// "HEADER"), and each typed field one ("NUMBER k [d]", "DATE k FORMAT" or "KANA k").
// Reading and writing them both go through one table, in the order the lines are written; a
// line is written only while its setting is in use, so files of layouts without it stay as
// they were.
//
// A line is a keyword line when its first word is a keyword, whatever its case. Words are
// separated by blanks or TABs, any number of them, also before the first; trailing ones are
// ignored, except in the text of "SELECT k text", which is everything after the one blank or
// TAB that follows the number, kept exactly. The lines are written in the form above.

#include "layout/mdlGlobal.h"

#include <string>
#include <string_view>

// Reads `line` into `settings` when it is a keyword line; false, changing nothing, when it is
// not one. Throws CoreError (MalformedLine, with lineText and lineFault) for a keyword
// line that cannot be read; the caller adds the line number and the file.
bool readKeywordLine(std::string_view line, LayoutSettings &settings);

// Appends the keyword lines of the settings in use, each ending in CR LF.
void appendKeywordLines(const LayoutSettings &settings, std::string &out);
