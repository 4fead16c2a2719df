#include "compose/HeaderLine.h"

#include "compose/OutputFormat.h"

std::vector<std::string> headerNames(const LayoutModel &layout)
{
    std::vector<std::string> names;
    if (!layout.Header || !layout.OutputLayout) return names;
    const std::vector<OutputItem> &items = *layout.OutputLayout;
    for (size_t position = 1; position < items.size() && items[position].SourceField != -1; ++position) {
        const int field = items[position].SourceField;
        names.emplace_back(field >= 1 && field <= layout.fieldsInTable() ? layout.FieldTable[size_t(field - 1)].Name
                                                                         : "");
    }
    return names;
}

std::string headerLine(const LayoutModel &layout, std::string_view delimiter)
{
    const std::vector<std::string> names = headerNames(layout);
    if (names.empty()) return {}; // no columns, no lines
    OutputOptions options = layout.Output;
    options.trim = false;
    std::string line;
    for (const std::string &name : names) {
        if (&name != &names.front()) line.append(delimiter);
        const size_t at = line.size();
        line.resize(at + columnRoom(name.size()));
        size_t undecodable = 0;
        line.resize(size_t(writeColumn(name, options, delimiter, line.data() + at, undecodable) - line.data()));
    }
    line.append("\r\n");
    return line;
}

std::string outputFileStart(const LayoutModel &layout, std::string_view delimiter)
{
    return std::string(fileStart(layout.Output)) + headerLine(layout, delimiter);
}
