#include "compose/RecordSelection.h"

SelectionPlan::SelectionPlan(const LayoutModel &model)
{
    if (!model.Selection) return;
    field_ = ComposePlan::ofField(model, model.Selection->field);
    text_ = model.Selection->text;
    if (field_->failure()) {
        failure_ = *field_->failure();
        failure_->withSelection();
    }
}
