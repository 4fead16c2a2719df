#include "layout/mdlGlobal.h"

LayoutModel mdlGlobal;

LayoutModel LayoutModel::startup()
{
    LayoutModel model;
    const char *widths[] = {"3", "3", "3", "4", "4", "8", "5"};
    int number = 1;
    for (const char *width : widths)
        model.FieldTable.push_back({width, "\x83\x66\x81\x5B\x83\x5E" + std::to_string(number++)}); // "データ" in CP932
    model.FieldTable.push_back({});                                                                 // spare slot
    model.FieldCount = 7;
    return model;
}
