#pragma once
// The windows are designed in twips (1/1440 inch). These turn design sizes into pixels with the
// logical resolution of the screen the widget is on, so the windows keep their proportions.

#include <QRect>
#include <QSize>
#include <QWidget>

inline constexpr double TwipsPerInch = 1440.0;

inline int twipsToPixels(int twips, int logicalDpi) { return qRound(twips * logicalDpi / TwipsPerInch); }

// Edges are rounded, not sizes, so neighbouring controls that touch in the design still touch.
inline QRect twipsRect(const QWidget &widget, int left, int top, int width, int height)
{
    const int dpiX = widget.logicalDpiX();
    const int dpiY = widget.logicalDpiY();
    const int x = twipsToPixels(left, dpiX);
    const int y = twipsToPixels(top, dpiY);
    return QRect(x, y, twipsToPixels(left + width, dpiX) - x, twipsToPixels(top + height, dpiY) - y);
}

inline QSize twipsSize(const QWidget &widget, int width, int height)
{
    return QSize(twipsToPixels(width, widget.logicalDpiX()), twipsToPixels(height, widget.logicalDpiY()));
}
