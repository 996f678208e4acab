// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <cstdint>
#include <functional>

class Form;
class Control;

// Is the pointer inside the on-screen rectangle of a widget of a window? Works from positions alone (window,
// widget, pointer), so it needs no pointer events and works for widgets that draw nothing. All four edges are
// inclusive, so the tested area reaches one pixel beyond the widget's right and bottom edges.
class clsMouseOver {
public:
    // Where the pointer is, in screen pixels; by default the real pointer (QCursor::pos()).
    explicit clsMouseOver(std::function<QPoint()> cursor = {});

    void SetBorderStyle(int16_t intBorderStyle) { borderStyle = intBorderStyle; }
    bool IsMouseOver(const Form& frmHost, const Control& objSubject);

private:
    int16_t borderStyle = 0;
    double subjectLeft = 0;
    double subjectTop = 0;
    QPoint cursorPos;
    std::function<QPoint()> cursor_;
};
