#include "RecordSelection.h"

#include "LineReader.h"

SelectionPlan::SelectionPlan(const LayoutModel &model)
{
    if (!model.Selection) return;
    field_ = ComposePlan::ofField(model, model.Selection->field);
    text_ = model.Selection->text;
    if (field_->failure()) {
        failure_ = *field_->failure();
        failure_->inSelection = true;
    }
}

FirstRecord findFirstSelected(const std::string &path, const LayoutModel &model)
{
    const SelectionPlan selection(model);
    LineReader reader(path);
    reader.setRecordLength(model.RecordLength);
    FirstRecord first;
    std::string_view record;
    while (reader.next(record)) {
        first.anyRecord = true;
        if (selection.selects(record)) {
            first.record = std::string(record);
            break;
        }
    }
    return first;
}
