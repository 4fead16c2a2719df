// Editing the output columns: dragging a sample field into the output list (or Enter and Insert
// on it), and removing a column with the Delete key. List[2] and the output layout stay one to one.

#include "frmKenaris.h"

#include "MsgBox.h"
#include "frmKenarisDisplay.h"
#include "frmKenarisDragLabel.h"
#include "layout/mdlGlobal.h"

#include <QDrag>
#include <QMimeData>
#include <QPainter>

namespace {

// What the user sees moving: the outline of the drag label's rectangle.
QPixmap outlineOf(QSize size, qreal pixelRatio)
{
    QPixmap pixmap(size * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(QRect(QPoint(0, 0), size).adjusted(0, 0, -1, -1));
    return pixmap;
}

} // namespace

void frmKenaris::List_MouseDown(int16_t Index, Qt::MouseButton, Qt::KeyboardModifiers, float X, float Y)
{
    if (Index != 0) return;
    runHandler([&] {
        const int selected = List[0]->selectedRow();
        if (selected < 0) return; // nothing to carry
        const int lineHeight = fontMetrics().height();
        const QRect list = List[0]->geometry();
        Label1->setGeometry(list.left(), list.top() + qRound(Y - lineHeight / 2.0), list.width(), lineHeight);
        Label1->setCaption(dragText(selected + 1, List[0]->itemBytes(selected)));
        startLabel1Drag(QPointF(X, Y));
    });
}

void frmKenaris::startLabel1Drag(QPointF pointer)
{
    auto *drag = new QDrag(List[0]);
    auto *mimeData = new QMimeData;
    const std::string &caption = Label1->caption();
    mimeData->setData(DragTextMimeType, QByteArray(caption.data(), qsizetype(caption.size())));
    drag->setMimeData(mimeData);
    drag->setPixmap(outlineOf(Label1->size(), devicePixelRatioF()));
    // The outline keeps the place it has around the pointer: centred vertically on it.
    drag->setHotSpot(QPoint(qRound(pointer.x()), qRound(pointer.y()) - (Label1->y() - List[0]->y())));
    drag->exec(Qt::CopyAction);
}

void frmKenaris::List_DragDrop(int16_t Index, QObject *, float, float)
{
    if (Index == 2) addOutputColumn(Label1->caption());
}

void frmKenaris::addOutputColumn(const std::string &text)
{
    runHandler([&] {
        std::optional<std::vector<OutputItem>> &layout = mdlGlobal.OutputLayout;
        if (!layout || layout->size() <= 1) {
            MsgBox(QStringLiteral("ファイルを指定してください"), vbOKOnly);
            return;
        }
        const int field = fieldNumberOf(text);
        if (field == 0) return; // no field was dragged
        List[2]->appendBytes(text);
        const size_t position = size_t(List[2]->count());
        // Every slot used (as after loading a definition): one more keeps list and layout one to one.
        if (position >= layout->size()) layout->resize(position + 1, OutputItem{-1});
        (*layout)[position].SourceField = int16_t(field);
    });
}

void frmKenaris::List_KeyDown(int16_t Index, int16_t KeyCode, Qt::KeyboardModifiers)
{
    // Enter or Insert on a sample field adds it as a drop does: the output is built without a mouse.
    if (Index == 0 && (KeyCode == vbKeyReturn || KeyCode == vbKeyInsert)) {
        if (const int selected = List[0]->selectedRow(); selected >= 0)
            addOutputColumn(dragText(selected + 1, List[0]->itemBytes(selected)));
        return;
    }
    if (Index != 2 || KeyCode != vbKeyDelete) return;
    runHandler([this] {
        const int selected = List[2]->selectedRow();
        if (selected < 0) return;
        if (std::optional<std::vector<OutputItem>> &layout = mdlGlobal.OutputLayout; layout && layout->size() > 1) {
            // The later columns move up one position; the slot that falls free at the end is empty.
            const size_t capacity = layout->size() - 1;
            for (size_t slot = size_t(selected) + 1; slot < capacity; ++slot)
                (*layout)[slot].SourceField = (*layout)[slot + 1].SourceField;
            (*layout)[capacity].SourceField = -1;
        }
        delete List[2]->takeItem(selected);
        // The list would select the next column, and a second Delete would remove it too.
        List[2]->setCurrentRow(-1);
        List[2]->clearSelection();
    });
}
