// The layout table reader on any bytes (text, copybook or zip, by content). Whatever it accepts
// is a layout without holes: each field starts where the one before ends, with a width of one
// or more; a section it makes into a layout keeps every field. Anything else is refused with a
// LayoutTableError, never another failure.

#include "LayoutImport.h"
#include "LayoutTable.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const std::string bytes(reinterpret_cast<const char *>(data), size);
    LayoutTable table;
    try {
        table = readLayoutTable(bytes, "", {});
    } catch (const LayoutTableError &) {
        return 0;
    }
    for (const TableSection &section : table.sections) {
        long long next = 1;
        for (const TableField &field : section.fields) {
            if (field.start != next || field.width < 1) std::abort();
            next += field.width;
        }
        if (section.recordLength < next - 1) std::abort();
        try {
            if (definitionOfSection(table, section).fields.size() != section.fields.size()) std::abort();
        } catch (const LayoutTableError &) {
        }
    }
    return 0;
}
