#pragma once
// The layout model shared by the windows, the definition files and the batch run.
// Texts are kept as the bytes of the file's code page (CP932); nothing here decodes them.

#include "layout/FieldType.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

// The layout counts widths, starts, field numbers and positions as 16-bit values.
inline constexpr int Int16Max = std::numeric_limits<int16_t>::max();
inline constexpr int Int16Min = std::numeric_limits<int16_t>::min();

struct FieldEntry {
    std::string Width; // as the user typed it; converted to a number on every use
    std::string Name;
    bool operator==(const FieldEntry &) const = default;
};

struct OutputItem {
    int16_t SourceField = 0; // field number, or -1 for an empty slot
    bool operator==(const OutputItem &) const = default;
};

// What widths and positions count.
enum class WidthUnit {
    Characters,
    Bytes
};

// How output columns are written; all off, they are the source's bytes as they are.
struct OutputOptions {
    bool trim = false;  // blanks (0x20, 0x81 0x40) removed at both ends of every column
    bool quote = false; // a column holding the delimiter, '"', CR or LF goes in double quotes
    bool utf8 = false;  // lines written in UTF-8 instead of CP932
    bool bom = false;   // with utf8: the file starts with a byte order mark

    bool reshapesColumns() const { return trim || quote || utf8; }
    bool operator==(const OutputOptions &) const = default;
};

// Only the records whose field `field` holds exactly `text` are converted.
struct RecordSelection {
    int16_t field = 1;
    std::string text; // CP932 bytes, blanks included
    bool operator==(const RecordSelection &) const = default;
};

// Longest record read by length, in bytes: as much as a preview keeps of a record, so a
// record is always shown whole and reading one never holds more than this in memory. It is
// beyond 16 bits because a long layout's fields end past byte 32767.
inline constexpr int32_t MaxRecordLength = 1 << 18;

// The settings a definition file keeps as keyword lines between FIX and OUT.
struct LayoutSettings {
    WidthUnit Unit = WidthUnit::Characters;
    int32_t RecordLength = 0; // 0: one record a line; else 1..MaxRecordLength bytes a record
    std::optional<RecordSelection> Selection;
    OutputOptions Output;
    FieldTypes Types;    // of the fields that are more than text
    bool Header = false; // the output starts with a line of the output columns' field names
    bool operator==(const LayoutSettings &) const = default;
};

struct LayoutModel : LayoutSettings {
    // Field k sits at index k - 1; the last entry is the empty spare slot.
    std::vector<FieldEntry> FieldTable;
    int16_t FieldCount = 0;
    // Position p sits at index p; index 0 is never used. Absent until a preview or a load.
    std::optional<std::vector<OutputItem>> OutputLayout;
    std::string OutputPath;
    std::string DefinitionPath;

    // Number of fields in the table (its highest index).
    int fieldsInTable() const { return FieldTable.empty() ? 0 : int(FieldTable.size()) - 1; }

    // The state the program starts with: seven fields, no output layout, no paths, records are
    // lines and every record is converted.
    static LayoutModel startup();
};

// Field numbers and table indices are 16-bit: the table holds at most this many fields.
inline constexpr int MaxFields = Int16Max;

// The program-wide model the windows work on.
extern LayoutModel mdlGlobal;
