// SPDX-License-Identifier: MIT
#include "Label.h"

#include <QPainter>

Label::Label(QWidget* parent, int left, int top, int width, int height, const QFont& font, QColor colour)
    : Control(parent, left, top, width, height), font_(font), colour_(colour) {
    setAttribute(Qt::WA_TranslucentBackground);
    // Read as its caption unless the form names it otherwise or makes it decoration.
    setAccessibleRole(QAccessible::StaticText);
}

void Label::setCaption(const QString& caption) {
    if (caption == caption_)
        return;
    caption_ = caption;
    update();
    if (accessibility().role != QAccessible::NoRole && accessibility().name.isEmpty())
        announce(QAccessible::NameChanged);
}

void Label::setFontUnderline(bool underline) {
    if (underline == underline_)
        return;
    underline_ = underline;
    update();
}

void Label::setForeColor(QColor colour) {
    if (colour == colour_)
        return;
    colour_ = colour;
    update();
}

void Label::paintEvent(QPaintEvent*) {
    if (caption_.isEmpty())
        return;
    QPainter painter(this);
    QFont font = font_;
    font.setUnderline(underline_);
    painter.setFont(font);
    painter.setPen(colour_);
    painter.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, caption_);
}
