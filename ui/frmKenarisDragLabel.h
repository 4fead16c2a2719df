#pragma once
// The hidden label that carries the drag text: the caption keeps the CP932 bytes and shows
// them decoded.

#include "Cp932Text.h"

#include <QLabel>

#include <string>

class DragLabel : public QLabel {
public:
    DragLabel(const QString &text, QWidget *parent) : QLabel(text, parent), caption_(text.toStdString()) {}

    void setCaption(std::string bytes)
    {
        caption_ = std::move(bytes);
        setText(decodeCp932(caption_));
    }
    const std::string &caption() const { return caption_; }

private:
    std::string caption_;
};
