#include "frmKenarisList.h"

#include "Cp932Text.h"
#include "KeyCodes.h"
#include "layout/mdlGlobal.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

#include <charconv>

std::string dragText(int fieldNumber, std::string_view itemText)
{
    std::string text = fieldNumber >= 0 && fieldNumber < 10 ? "0" : ""; // at least two digits
    text += std::to_string(fieldNumber);
    text += ';';
    text.append(itemText);
    return text;
}

int fieldNumberOf(std::string_view dragText)
{
    const size_t separator = dragText.find(';');
    if (separator == std::string::npos) return 0;
    int number = 0;
    const char *end = dragText.data() + separator;
    const auto [stop, error] = std::from_chars(dragText.data(), end, number);
    if (error != std::errc() || stop != end || number < 1 || number > MaxFields) return 0;
    return number;
}

KenarisList::KenarisList(QWidget *parent) : QListWidget(parent)
{
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSortingEnabled(false);
    setDragEnabled(false); // every drag is started by the window
    setAcceptDrops(true);
}

void KenarisList::appendBytes(std::string_view bytes) { appendBytes(bytes, decodeCp932(bytes)); }

void KenarisList::appendBytes(std::string_view bytes, const QString &shown)
{
    auto *item = new QListWidgetItem(shown);
    item->setData(Qt::UserRole, QByteArray(bytes.data(), qsizetype(bytes.size())));
    addItem(item);
}

void KenarisList::setItemBytes(int row, std::string_view bytes)
{
    item(row)->setText(decodeCp932(bytes));
    item(row)->setData(Qt::UserRole, QByteArray(bytes.data(), qsizetype(bytes.size())));
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
