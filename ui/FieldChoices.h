#pragma once
// The fields of the layout as items of a choice box: "01 name", the field number as the data.

class QComboBox;
struct LayoutModel;

// Adds an item for each field the layout lists; returns how many.
int addFieldChoices(QComboBox &box, const LayoutModel &model);
