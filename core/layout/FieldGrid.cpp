#include "layout/FieldGrid.h"

#include "cp932/Cp932.h"
#include "layout/WidthText.h"

namespace {

// The model with fields 1 .. `count` as its output, in field order.
LayoutModel everyFieldOut(const LayoutModel &model, int count)
{
    LayoutModel out = model;
    std::vector<OutputItem> layout(size_t(count) + 1);
    for (int field = 1; field <= count; ++field) layout[size_t(field)].SourceField = int16_t(field);
    out.OutputLayout = std::move(layout);
    return out;
}

} // namespace

FieldGrid::FieldGrid(const LayoutModel &model) : fields_(model.fieldsInTable())
{
    plan_ = std::make_unique<ComposePlan>(everyFieldOut(model, fields_));
    if (plan_->failure()) {
        failure_ = plan_->failure();
        const int usable = failure_->position() - 1; // with every field out, position p is field p
        failure_->withPosition(0);                   // the grid names the field alone
        plan_ = std::make_unique<ComposePlan>(everyFieldOut(model, usable));
        return;
    }
    long long total = 0;
    for (int field = 1; field <= fields_; ++field) total += fieldWidth(model, field);
    totalWidth_ = total;
}

void FieldGrid::cut(std::string_view record, std::vector<std::string_view> &pieces) const
{
    plan_->cutColumns(record, pieces);
}

long long unitsIn(std::string_view record, WidthUnit unit)
{
    if (unit == WidthUnit::Bytes) return (long long)record.size();
    long long characters = 0;
    cp932::advanceChars(record, 0, (long long)record.size(), characters);
    return characters;
}
