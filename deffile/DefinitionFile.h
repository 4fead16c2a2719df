#pragma once
// A layout as a definition file holds it: the output positions and the field table, and
// whether widths count bytes. Reading fills a Definition without touching any model; applying
// it then changes the model the way loading the file does. Texts stay CP932 bytes.

#include "mdlGlobal.h"

#include <cstdint>
#include <vector>

// What a user reads when a file is refused (UTF-8).
inline constexpr const char *NotADefinitionMessage = "ケナリスの定義ファイルではありません。";

struct DefinitionOutput {
    int16_t SourceField = 0; // 0 when the entry was not a number or lay outside -32768..32767
    bool listed = false;     // a number 0 or more: it gets an item in the output list
};

struct Definition {
    WidthUnit unit = WidthUnit::Characters;
    // Positions 1, 2, ... in file order. Empty when the file holds no output entry: the
    // output layout then stays as it was.
    std::vector<DefinitionOutput> outputs;
    // Fields 1, 2, ... in file order. Empty when the file holds no field entry: the field
    // table then stays as it was and the field count becomes 0.
    std::vector<FieldEntry> fields;
};

// Replaces the field table (with a fresh spare slot), the field count, the output layout
// (indices 0..k, exactly the stored positions) and the unit. Paths are not touched.
void applyDefinition(const Definition &definition, LayoutModel &model);
