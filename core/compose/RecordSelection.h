#pragma once
// Which records a layout converts: all of them, or with a selection only those whose field k
// holds the selection's text exactly. Field k is cut as an output column would cut it.

#include "compose/ComposePlan.h"
#include "layout/mdlGlobal.h"

#include <optional>
#include <string>
#include <string_view>

class SelectionPlan {
public:
    // Prepared once like a ComposePlan: prepare it again whenever the model may have changed.
    explicit SelectionPlan(const LayoutModel &model);

    // Throws the CoreError the field would give in an output column.
    bool selects(std::string_view record) const
    {
        if (!field_) return true;
        if (failure_) throw *failure_;
        return field_->firstColumn(record) == text_;
    }

    bool selectsEvery() const { return !field_; }

    // The failure every record meets, if any.
    const std::optional<CoreError> &failure() const { return failure_; }
    // How many bytes of a record the selection's field can reach.
    size_t bytesReached() const { return field_ ? field_->bytesReached() : 0; }

private:
    std::optional<ComposePlan> field_; // none: every record is selected
    std::optional<CoreError> failure_;
    std::string text_;
};
