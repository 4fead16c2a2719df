#pragma once
// A layout as a definition file holds it: the output positions, the field table and the
// settings of the keyword lines. Reading fills a Definition without touching any model; applying
// it then changes the model the way loading the file does. Texts stay CP932 bytes.

#include "errors/CoreError.h"
#include "layout/mdlGlobal.h"

#include <cstdint>
#include <optional>
#include <vector>

// What a user reads first when a file is refused (UTF-8); a reason may follow on a second line.
inline constexpr const char *NotADefinitionMessage = "ケナリスの定義ファイルではありません。";

struct DefinitionOutput {
    int16_t SourceField = 0; // 0 when the entry was not a number or lay outside -32768..32767
    bool listed = false;     // a number 0 or more: it gets an item in the output list
    bool read = true;        // false: not a number in -32768..32767
};

struct Definition {
    LayoutSettings settings; // from the keyword lines
    // Positions 1, 2, ... in file order. Empty when the file holds no output entry: the
    // output layout then stays as it was.
    std::vector<DefinitionOutput> outputs;
    // Fields 1, 2, ... in file order. Empty when the file holds no field entry: the field
    // table then stays as it was and the field count becomes 0.
    std::vector<FieldEntry> fields;
    // The first output entry that is not a number (MalformedLine, NotAnEntry, with its line):
    // loaded as the window always has, refused by kenaris-batch.
    std::optional<CoreError> unreadEntry;
};

// Replaces the field table (with a fresh spare slot), the field count, the output layout
// (indices 0..k, exactly the stored positions) and the settings. Paths are not touched.
void applyDefinition(const Definition &definition, LayoutModel &model);
