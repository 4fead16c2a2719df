#include "FieldEdits.h"

#include <numeric>
#include <stdexcept>
#include <utility>

namespace {

FieldNumbers unchanged(int fields)
{
    FieldNumbers numbers(size_t(fields) + 1);
    std::iota(numbers.begin(), numbers.end(), int16_t(0));
    return numbers;
}

// Slots naming a field outside the table, or none, keep what they hold.
void renumberOutputs(LayoutModel &model, const FieldNumbers &numbers)
{
    if (!model.OutputLayout) return;
    for (size_t slot = 1; slot < model.OutputLayout->size(); ++slot) {
        int16_t &field = (*model.OutputLayout)[slot].SourceField;
        if (field >= 1 && size_t(field) < numbers.size()) field = numbers[size_t(field)];
    }
}

} // namespace

FieldNumbers insertField(LayoutModel &model, int field, FieldEntry entry)
{
    const int fields = model.fieldsInTable();
    if (field < 1 || field > fields + 1 || fields >= MaxFields) throw std::out_of_range("insertField: no such place");
    if (model.FieldTable.empty()) model.FieldTable.emplace_back(); // the spare slot every table ends with
    model.FieldTable.insert(model.FieldTable.begin() + (field - 1), std::move(entry));
    FieldNumbers numbers = unchanged(fields);
    for (int later = field; later <= fields; ++later) numbers[size_t(later)] = int16_t(later + 1);
    renumberOutputs(model, numbers);
    return numbers;
}

FieldNumbers swapWithNext(LayoutModel &model, int field)
{
    const int fields = model.fieldsInTable();
    if (field < 1 || field >= fields) throw std::out_of_range("swapWithNext: no such field");
    std::swap(model.FieldTable[size_t(field - 1)], model.FieldTable[size_t(field)]);
    FieldNumbers numbers = unchanged(fields);
    std::swap(numbers[size_t(field)], numbers[size_t(field + 1)]);
    renumberOutputs(model, numbers);
    return numbers;
}
