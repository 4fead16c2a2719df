#include "frmKenarisList.h"

#include "Cp932Text.h"
#include "KeyCodes.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

std::string dragText(int fieldNumber, std::string_view itemText)
{
    std::string text = fieldNumber >= 0 && fieldNumber < 10 ? "0" : ""; // at least two digits
    text += std::to_string(fieldNumber);
    text += ';';
    text.append(itemText);
    return text;
}

KenarisList::KenarisList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setDragEnabled(false); // every drag is started by the window
    setAcceptDrops(true);
}

void KenarisList::appendBytes(std::string_view bytes)
{
    auto *item = new QListWidgetItem(decodeCp932(bytes));
    item->setData(Qt::UserRole, QByteArray(bytes.data(), qsizetype(bytes.size())));
    addItem(item);
}

std::string KenarisList::itemBytes(int row) const
{
    const QByteArray bytes = item(row)->data(Qt::UserRole).toByteArray();
    return std::string(bytes.constData(), size_t(bytes.size()));
}

int KenarisList::selectedRow() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

bool KenarisList::accepts(const QDropEvent &event) const
{
    const QMimeData *mimeData = event.mimeData();
    return mimeData->hasFormat(DragTextMimeType) && (!acceptsDrag || acceptsDrag(mimeData->data(DragTextMimeType)));
}

void KenarisList::mousePressEvent(QMouseEvent *event)
{
    QListWidget::mousePressEvent(event);
    if (pressed) pressed(event->button(), event->modifiers(), viewport()->mapTo(this, event->position()));
}

void KenarisList::keyPressEvent(QKeyEvent *event)
{
    if (keyDown) keyDown(keyCodeOf(*event), event->modifiers());
    QListWidget::keyPressEvent(event);
}

void KenarisList::dragEnterEvent(QDragEnterEvent *event)
{
    if (accepts(*event)) event->acceptProposedAction();
    else event->ignore();
}

void KenarisList::dragMoveEvent(QDragMoveEvent *event)
{
    if (accepts(*event)) event->acceptProposedAction();
    else event->ignore();
}

void KenarisList::dropEvent(QDropEvent *event)
{
    if (!accepts(*event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    if (dropped) dropped(event->source(), viewport()->mapTo(this, event->position()));
}
