#pragma once
// The two list boxes of the main window. Each item shows its CP932 bytes decoded and keeps the
// bytes themselves, so that texts built from an item lose nothing. The list hands its presses,
// keys and drops to the window's handlers.

#include "KeyCodes.h"

#include <QListWidget>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The one kind of data a drag between the lists carries: the drag text's bytes.
inline constexpr char DragTextMimeType[] = "application/x-kenaris-drag-text";

// The text of an output column: the field number with at least two digits, ";", and the
// sample item's bytes, as in "03;ABC".
std::string dragText(int fieldNumber, std::string_view itemText);
// The field number a drag text starts with, or 0 when it carries none.
int fieldNumberOf(std::string_view dragText);

class KenarisList : public QListWidget {
public:
    explicit KenarisList(QWidget *parent);

    // Run after the list has handled a press, so the item under the pointer is already selected.
    // The position is in the list's own coordinates.
    std::function<void(Qt::MouseButton, Qt::KeyboardModifiers, QPointF)> pressed;
    // Run before the list handles the key.
    std::function<void(int keyCode, Qt::KeyboardModifiers)> keyDown;
    // Whether a drag text may be dropped here; any drag text when unset.
    std::function<bool(const QByteArray &dragText)> acceptsDrag;
    // Run when an accepted drag text is dropped on the list.
    std::function<void(QObject *source, QPointF)> dropped;

    // Adds an item keeping `bytes`, shown decoded or as `shown`.
    void appendBytes(std::string_view bytes);
    void appendBytes(std::string_view bytes, const QString &shown);
    void setItemBytes(int row, std::string_view bytes);
    std::string itemBytes(int row) const;
    // The selected row, or -1.
    int selectedRow() const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    bool accepts(const QDropEvent &event) const;
};
