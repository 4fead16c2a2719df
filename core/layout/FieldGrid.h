#pragma once
// Every field of the table cut from a record exactly as the conversion cuts an output column:
// what a preview of many records shows, field by field.

#include "compose/ComposePlan.h"
#include "layout/mdlGlobal.h"

#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class FieldGrid {
public:
    explicit FieldGrid(const LayoutModel &model);

    // Fields in the table, one column each.
    int fields() const { return fields_; }
    // The first field whose width or start cannot be used, with the error the conversion gives
    // for it (without an output position); the fields after it are not cut.
    const std::optional<CoreError> &failure() const { return failure_; }
    // The pieces of the fields before the failing one (of every field when none fails).
    void cut(std::string_view record, std::vector<std::string_view> &pieces) const;
    // What the widths of all fields add up to, when every one can be used.
    std::optional<long long> totalWidth() const { return totalWidth_; }

private:
    int fields_;
    std::optional<CoreError> failure_;
    std::unique_ptr<ComposePlan> plan_; // the fields before the failing one, in field order
    std::optional<long long> totalWidth_;
};

// The length of `record` in the unit widths count.
long long unitsIn(std::string_view record, WidthUnit unit);
