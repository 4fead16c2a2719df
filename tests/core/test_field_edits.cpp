// Edits of the field table: whatever names a field (output slots, types, the selection) follows it.

#include "layout/FieldEdits.h"

#include <gtest/gtest.h>

namespace {

enum class Edit {
    InsertSecond,
    SwapSecondAndThird,
    DeleteSecond
};

struct EditRow {
    const char *what;
    Edit edit;
    std::vector<int16_t> outputs; // slots 1..
    std::vector<int16_t> typed;   // fields with a type, ascending: the number, then the kana
    int16_t selected;
};

class FieldEdit : public testing::TestWithParam<EditRow> {};

TEST_P(FieldEdit, RenumbersWhatNamesTheFields)
{
    LayoutModel model;
    model.FieldTable = {{"1", "a"}, {"2", "b"}, {"3", "c"}, {"4", "d"}, {}};
    model.FieldCount = 4;
    model.OutputLayout.emplace(std::vector<OutputItem>{{0}, {3}, {1}, {4}, {2}});
    model.Types = {{2, {FieldKind::Number}}, {4, {FieldKind::Kana}}};
    model.Selection = RecordSelection{3, "x"};
    switch (GetParam().edit) {
    case Edit::InsertSecond:
        insertField(model, 2, {"9", "new"});
        break;
    case Edit::SwapSecondAndThird:
        swapWithNext(model, 2);
        break;
    case Edit::DeleteSecond:
        deleteField(model, 2);
        break;
    }
    std::vector<int16_t> outputs, typed;
    for (size_t slot = 1; slot < model.OutputLayout->size(); ++slot)
        outputs.push_back((*model.OutputLayout)[slot].SourceField);
    for (const auto &[field, type] : model.Types) typed.push_back(field);
    EXPECT_EQ(outputs, GetParam().outputs);
    EXPECT_EQ(typed, GetParam().typed);
    EXPECT_EQ(model.Selection->field, GetParam().selected);
}

INSTANTIATE_TEST_SUITE_P(Rows, FieldEdit,
                         testing::Values(EditRow{"insert", Edit::InsertSecond, {4, 1, 5, 3}, {3, 5}, 4},
                                         EditRow{"swap", Edit::SwapSecondAndThird, {2, 1, 4, 3}, {3, 4}, 2},
                                         EditRow{"delete", Edit::DeleteSecond, {2, 1, 3, -1}, {3}, 2}),
                         [](const testing::TestParamInfo<EditRow> &row) { return std::string(row.param.what); });

TEST(FieldEdit, TheSelectionsFieldIsNotDeleted)
{
    LayoutModel model;
    model.FieldTable = {{"1", "a"}, {"2", "b"}, {}};
    model.Selection = RecordSelection{2, "x"};
    EXPECT_THROW(deleteField(model, 2), std::logic_error);
    EXPECT_EQ(model.FieldTable.size(), 3u);
}

} // namespace
