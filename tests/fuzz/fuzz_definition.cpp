// The definition file reader on any bytes. Whatever it accepts must apply to a model without
// breaking the model's shape, and a layout saved from that model must read back to the same
// bytes when saved again (unless a text holds what the format cannot carry: a blank in a width,
// a line break anywhere).

#include "errors/CoreError.h"
#include "DefinitionFile.h"
#include "DefinitionReader.h"
#include "DefinitionWriter.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace {

std::string scratchPath()
{
    const char *dir = std::getenv("TMPDIR");
    return std::string(dir ? dir : "/tmp") + "/kenaris-fuzz-def-" + std::to_string(getpid());
}

std::optional<Definition> readBytes(const std::string &bytes)
{
    const std::string path = scratchPath();
    std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
    std::optional<Definition> definition;
    try {
        definition = readDefinitionFile(path);
    } catch (const CoreError &) {
        // refused with a reason (more entries than the model holds)
    }
    ::unlink(path.c_str());
    return definition;
}

bool carriesEveryText(const LayoutModel &model)
{
    for (const FieldEntry &field : model.FieldTable)
        if (field.Width.find_first_of(" \r\n") != std::string::npos ||
            field.Name.find_first_of("\r\n") != std::string::npos)
            return false;
    return true;
}

int listedCount(const Definition &definition)
{
    int count = 0;
    for (const DefinitionOutput &output : definition.outputs) count += output.listed;
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const auto first = readBytes(std::string(reinterpret_cast<const char *>(data), size));
    if (!first) return 0;

    LayoutModel model = LayoutModel::startup();
    applyDefinition(*first, model);
    if (model.FieldTable.empty() || !model.FieldTable.back().Width.empty() || !model.FieldTable.back().Name.empty())
        std::abort(); // the spare slot must stay last and empty
    if (!first->fields.empty() && model.FieldCount != model.fieldsInTable()) std::abort();
    if (first->fields.empty() && model.FieldCount != 0) std::abort();
    if (!first->outputs.empty() && model.OutputLayout->size() != first->outputs.size() + 1) std::abort();

    // Save as the window does (one position per output-list item), read back, save again.
    const int items = listedCount(*first);
    const std::string saved = composeDefinition(model, items);
    const auto second = readBytes(saved);
    if (!second) std::abort(); // what we write is always a definition file
    LayoutModel reloaded = LayoutModel::startup();
    applyDefinition(*second, reloaded);
    if (carriesEveryText(model) && composeDefinition(reloaded, items) != saved) std::abort();
    return 0;
}
