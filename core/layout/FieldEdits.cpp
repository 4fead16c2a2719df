#include "layout/FieldEdits.h"

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

// Everything that names a field follows it: output slots, field types and the selection. Slots
// naming a field outside the table, or none, keep what they hold; a slot naming a field that is
// gone (numbered 0) is taken out, the slots after it moving up and an empty one added at the end
// (as when the window takes out a column), and the field's type is dropped.
void renumberFields(LayoutModel &model, const FieldNumbers &numbers)
{
    const auto numberOf = [&numbers](int field) {
        return field >= 1 && size_t(field) < numbers.size() ? int(numbers[size_t(field)]) : field;
    };
    if (model.OutputLayout) {
        std::vector<OutputItem> &slots = *model.OutputLayout;
        for (size_t slot = 1; slot < slots.size();) {
            const int field = slots[slot].SourceField, renumbered = numberOf(field);
            if (field != 0 && renumbered == 0) {
                slots.erase(slots.begin() + std::ptrdiff_t(slot));
                slots.push_back(OutputItem{-1});
                continue;
            }
            slots[slot++].SourceField = int16_t(renumbered);
        }
    }
    FieldTypes types;
    for (const auto &[field, type] : model.Types)
        if (const int renumbered = numberOf(field); renumbered != 0) types[int16_t(renumbered)] = type;
    model.Types = std::move(types);
    if (model.Selection) model.Selection->field = int16_t(numberOf(model.Selection->field));
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
    renumberFields(model, numbers);
    return numbers;
}

FieldNumbers swapWithNext(LayoutModel &model, int field)
{
    const int fields = model.fieldsInTable();
    if (field < 1 || field >= fields) throw std::out_of_range("swapWithNext: no such field");
    std::swap(model.FieldTable[size_t(field - 1)], model.FieldTable[size_t(field)]);
    FieldNumbers numbers = unchanged(fields);
    std::swap(numbers[size_t(field)], numbers[size_t(field + 1)]);
    renumberFields(model, numbers);
    return numbers;
}

FieldNumbers deleteField(LayoutModel &model, int field)
{
    const int fields = model.fieldsInTable();
    if (field < 1 || field > fields || fields <= 1) throw std::out_of_range("deleteField: no such field");
    if (model.Selection && model.Selection->field == field)
        throw std::logic_error("deleteField: the selection's field"); // its records would change
    model.FieldTable.erase(model.FieldTable.begin() + (field - 1));   // the spare slot moves down too
    FieldNumbers numbers = unchanged(fields);
    numbers[size_t(field)] = 0;
    for (int later = field + 1; later <= fields; ++later) numbers[size_t(later)] = int16_t(later - 1);
    renumberFields(model, numbers);
    return numbers;
}
