#include "FieldChoices.h"

#include "Cp932Text.h"
#include "layout/mdlGlobal.h"

#include <QComboBox>

#include <algorithm>

int addFieldChoices(QComboBox &box, const LayoutModel &model)
{
    const int fields = std::min<int>(model.FieldCount, model.fieldsInTable());
    const int digits = std::max<int>(2, int(QString::number(fields).size()));
    for (int field = 1; field <= fields; ++field)
        box.addItem(QStringLiteral("%1 %2")
                        .arg(field, digits, 10, QLatin1Char('0'))
                        .arg(decodeCp932(model.FieldTable[size_t(field - 1)].Name)),
                    field);
    return fields;
}
