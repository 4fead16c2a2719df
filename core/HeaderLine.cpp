#include "HeaderLine.h"

#include "OutputFormat.h"

std::string headerLine(const LayoutModel &layout, std::string_view delimiter)
{
    if (!layout.Header || !layout.OutputLayout) return {};
    OutputOptions options = layout.Output;
    options.trim = false;
    std::string line;
    const std::vector<OutputItem> &items = *layout.OutputLayout;
    size_t position = 1;
    for (; position < items.size() && items[position].SourceField != -1; ++position) {
        const int field = items[position].SourceField;
        const std::string_view name =
            field >= 1 && field <= layout.fieldsInTable() ? layout.FieldTable[size_t(field - 1)].Name : "";
        if (position > 1) line.append(delimiter);
        const size_t at = line.size();
        line.resize(at + columnRoom(name.size()));
        size_t undecodable = 0;
        line.resize(size_t(writeColumn(name, options, delimiter, line.data() + at, undecodable) - line.data()));
    }
    if (position == 1) return {}; // no columns, no lines
    line.append("\r\n");
    return line;
}

std::string outputFileStart(const LayoutModel &layout, std::string_view delimiter)
{
    return std::string(fileStart(layout.Output)) + headerLine(layout, delimiter);
}
