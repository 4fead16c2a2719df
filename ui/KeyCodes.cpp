#include "KeyCodes.h"

#include <QKeyEvent>

int keyCodeOf(const QKeyEvent &event)
{
    const int key = event.key();
    if (key == Qt::Key_Delete) return vbKeyDelete;
    if (key == Qt::Key_Return || key == Qt::Key_Enter) return vbKeyReturn;
    if (key == Qt::Key_Insert) return vbKeyInsert;
    if ((key >= Qt::Key_0 && key <= Qt::Key_9) || (key >= Qt::Key_A && key <= Qt::Key_Z)) return key;
    return 0;
}
