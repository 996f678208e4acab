// Dragging the tab up and down the screen edge by its handle.

#include "../app/Statement.h"
#include "../app/Twips.h"
#include "../app/frmMain.h"
#include "frmBase.h"

#include <QCursor>

void frmMain::imgDrag_MouseDown(double y) {
    if (editorShowing())
        return;
    TimerRetract->setEnabled(false);
    MouseDownForm = 1;
    MouseDownFormY = static_cast<float>(y + 35);
}

void frmMain::imgDrag_MouseMove() {
    if (editorShowing())
        return;
    restoreHoverPicture();
    if (verticalMotion())
        return;
    if (MouseDownForm.value_or(0) != 1)
        return;
    const QPoint p = QCursor::pos();
    const int16_t d = nearestEven16(base_->Top() - Top());
    setTop(static_cast<int>(std::lround(p.y() * 15.0f - MouseDownFormY.value_or(0))));
    base_->setTop(d + Top());
}

void frmMain::imgDrag_MouseUp() {
    if (editorShowing())
        return;
    Form_MouseUp();
}

void frmMain::Form_MouseUp() {
    MouseDownForm = 0;
    statement([&] {
        if (Top() < -32768 || Top() > 32767)
            throw modRegistry::Abandoned{}; // does not fit: the previous position is stored again
        poY = nearestEven16(Top());
    });
    statement([&] { m.regResult = WriteReg(QStringLiteral("poy"), poY); });
    TimerRetract->setEnabled(true);
}

void frmMain::Form_MouseMove() {
    restoreHoverPicture();
}
