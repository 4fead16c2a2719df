#include "DefinitionWriter.h"

#include "KeywordLines.h"
#include "SafeFileWrite.h"

namespace {

void appendLine(std::string &out, std::string_view line)
{
    out.append(line);
    out.append("\r\n");
}

} // namespace

std::string composeDefinition(const LayoutModel &model, int outputItems)
{
    std::string out;
    appendLine(out, "FIX");
    appendKeywordLines(model, out);
    if (outputItems >= 1) {
        appendLine(out, "OUT");
        for (int position = 1; position <= outputItems; ++position) {
            const bool inLayout = model.OutputLayout && size_t(position) < model.OutputLayout->size();
            const int field = inLayout ? (*model.OutputLayout)[size_t(position)].SourceField : -1;
            appendLine(out, std::to_string(field));
        }
    }
    const int fields = model.fieldsInTable();
    if (fields >= 1) {
        appendLine(out, "LEN");
        for (int index = 0; index < fields; ++index) {
            const FieldEntry &field = model.FieldTable[size_t(index)];
            out.append(field.Width);
            out.push_back(' ');
            appendLine(out, field.Name);
        }
    }
    return out;
}

void saveDefinitionFile(const std::string &path, const LayoutModel &model, int outputItems)
{
    replaceFileContents(path, composeDefinition(model, outputItems));
}
