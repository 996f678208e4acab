// SPDX-License-Identifier: MIT
#pragma once

#include "Control.h"

#include <QColor>
#include <QString>

// A label: one line of left-aligned text with no background of its own, so its parent shows around the
// letters.
class Label : public Control {
public:
    Label(QWidget* parent, int left, int top, int width, int height, const QFont& font, QColor colour);

    const QString& Caption() const { return caption_; }
    void setCaption(const QString& caption);
    bool FontUnderline() const { return underline_; }
    void setFontUnderline(bool underline);
    QColor ForeColor() const { return colour_; }
    void setForeColor(QColor colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    QFont font_;
    QColor colour_;
    bool underline_ = false;
};
