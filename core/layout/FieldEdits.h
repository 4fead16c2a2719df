#pragma once
// Edits of the field table that keep everything naming a field on it: a field inserted, moved or
// deleted shifts the numbers of the fields around it, and every output slot, field type and the
// selection that names one of them is renumbered with it.

#include "layout/mdlGlobal.h"

#include <cstdint>
#include <vector>

// For each field number before an edit (index 0 unused), its number after it; 0 for a field deleted.
using FieldNumbers = std::vector<int16_t>;

// Inserts `entry` as field `field` (1 .. fields + 1); the fields from `field` on move down one.
FieldNumbers insertField(LayoutModel &model, int field, FieldEntry entry);
// Swaps field `field` with field `field + 1`; both must exist.
FieldNumbers swapWithNext(LayoutModel &model, int field);
// Deletes field `field` (of at least two); the fields after it move up one. The output slots
// naming it are taken out and its type dropped. The selection's field cannot be deleted.
FieldNumbers deleteField(LayoutModel &model, int field);
