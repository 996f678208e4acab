// SPDX-License-Identifier: MIT
#include "clsMouseOver.h"

#include "../core/Twips.h"
#include "../forms/Control.h"
#include "../forms/Form.h"

#include <QCursor>

clsMouseOver::clsMouseOver(std::function<QPoint()> cursor) : cursor_(std::move(cursor)) {
    if (!cursor_)
        cursor_ = [] { return QCursor::pos(); };
}

bool clsMouseOver::IsMouseOver(const Form& frmHost, const Control& objSubject) {
    constexpr double px = kTwipsPerPixel;
    subjectLeft = (frmHost.Left() + objSubject.Left()) / px;
    subjectTop = (frmHost.Top() + objSubject.Top()) / px;
    if (borderStyle != 0) {
        // A window with a border: the client area starts below the title bar and inside the frame.
        subjectLeft += 3;
        subjectTop += 22;
    }
    cursorPos = cursor_();
    return cursorPos.x() >= subjectLeft && cursorPos.x() <= subjectLeft + objSubject.Width() / px &&
           cursorPos.y() >= subjectTop && cursorPos.y() <= subjectTop + objSubject.Height() / px;
}
