#include "DefinitionFile.h"

void applyDefinition(const Definition &definition, LayoutModel &model)
{
    if (!definition.outputs.empty()) {
        // Index 0 is never used; it keeps what it held, as resizing a kept array does.
        const bool hadLayout = model.OutputLayout && !model.OutputLayout->empty();
        const OutputItem unused = hadLayout ? model.OutputLayout->front() : OutputItem{};
        std::vector<OutputItem> layout{unused};
        layout.reserve(definition.outputs.size() + 1);
        for (const DefinitionOutput &output : definition.outputs) layout.push_back({output.SourceField});
        model.OutputLayout = std::move(layout);
    }
    if (!definition.fields.empty()) {
        model.FieldTable = definition.fields;
        model.FieldTable.push_back({}); // spare slot
    }
    model.FieldCount = int16_t(definition.fields.size());
    static_cast<LayoutSettings &>(model) = definition.settings;
}
