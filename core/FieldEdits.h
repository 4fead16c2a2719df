#pragma once
// Edits of the field table that keep the output columns on their fields: a field inserted or
// moved shifts the numbers of the fields around it, and every output slot that names one of them
// is renumbered with it.

#include "mdlGlobal.h"

#include <cstdint>
#include <vector>

// For each field number before an edit (index 0 unused), its number after it.
using FieldNumbers = std::vector<int16_t>;

// Inserts `entry` as field `field` (1 .. fields + 1); the fields from `field` on move down one.
FieldNumbers insertField(LayoutModel &model, int field, FieldEntry entry);
// Swaps field `field` with field `field + 1`; both must exist.
FieldNumbers swapWithNext(LayoutModel &model, int field);
