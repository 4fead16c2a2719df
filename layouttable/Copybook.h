#pragma once
// COBOL copybooks: the record descriptions of a mainframe file, fixed form (sequence area,
// indicator column, text to column 72) or free form (`*>` comments), `*` comment lines in both.
//
// Level numbers make groups; PIC with X, 9, A, S, V, P, N and G (two bytes a character) and
// repeat counts gives a width, USAGE DISPLAY, COMP/BINARY and COMP-3/PACKED-DECIMAL their byte
// sizes; OCCURS repeats an item (its indexes in the names), REDEFINES is left out (noted), the
// first definition being the layout; FILLER is a field left out of the output; level 88 is
// ignored. Each 01 record is a section, as long as its longest definition.

#include "LayoutTable.h"

#include <string_view>

// Whether UTF-8 text reads as a copybook: its first statement begins with a level number and it
// has a PIC clause.
bool looksLikeCopybook(std::string_view utf8);

// The records of the copybook. Throws LayoutTableError naming the line of an item that cannot
// be read.
LayoutTable readCopybook(std::string_view utf8, const TableOptions &options);
