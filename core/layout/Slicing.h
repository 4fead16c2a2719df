#pragma once
// Cutting pieces out of a line by character (or byte) positions, and the sample split
// that shows how a line falls into the fields of the table.

#include "layout/mdlGlobal.h"

#include <functional>
#include <string_view>

// The piece of at most `width` units starting at unit `start` (1-based): empty when the start
// lies past the end, the remainder when fewer units are left. Requires start >= 1, width >= 0.
std::string_view cutPiece(std::string_view line, long long start, long long width, WidthUnit unit);

// Cuts `line` into consecutive fields 1, 2, ... up to FieldCount (and never past the last field
// of the table), handing each piece to `emit`, an empty one for a field past the line's end.
// Throws CoreError for a width that cannot be used; the pieces handed out before it stand.
void splitSample(std::string_view line, const LayoutModel &model, const std::function<void(std::string_view)> &emit);
