// Opening the tab by pointing at (or clicking) its strip, and retracting it by itself.

#include "../app/Paths.h"
#include "../app/Statement.h"
#include "../app/frmMain.h"
#include "../shape/general.h"

void frmMain::imgMousover_MouseMove() {
    if (editorShowing())
        return;
    if (verticalMotion())
        return;
    if (mouseoverButton == 0)
        return;
    animation();
}

void frmMain::imgMousover_MouseDown() {
    if (editorShowing() || m.openBusy == -1)
        return;
    playCue(Paths::kButtonSound);
}

void frmMain::imgMousover_Click() {
    if (editorShowing())
        return;
    if (m.openBusy == -1)
        return;
    m.openBusy = -1;
    if (verticalMotion() || mouseoverButton == 1) {
        m.openBusy = 0;
        return;
    }
    Pause(1);
    animation();
    m.openBusy = 0;
}

void frmMain::picMouseover_MouseDown() {
    if (editorShowing())
        return;
    playCue(Paths::kButtonSound);
}

void frmMain::picMouseover_Click() {
    if (editorShowing())
        return;
    if (mouseoverButton == 0) {
        picMouseover->setPicture(imlButton.image(2));
        mouseoverButton = 1;
        statement([&] { m.regResult = WriteReg(QStringLiteral("mso"), mouseoverButton); });
        picAutoRetract->setPicture(imlButton.image(autoRetractButton == 1 ? 8 : 7));
        autoRetractEnabled = -1;
        TimerRetract->setEnabled(true);
    } else if (mouseoverButton == 1) {
        picMouseover->setPicture(imlButton.image(1));
        mouseoverButton = 0;
        statement([&] { m.regResult = WriteReg(QStringLiteral("mso"), mouseoverButton); });
        picAutoRetract->setPicture(imlButton.image(7));
        autoRetractEnabled = 0;
    }
}

void frmMain::picAutoRetract_MouseDown() {
    if (editorShowing() || mouseoverButton == 0)
        return;
    playCue(Paths::kButtonSound);
}

void frmMain::picAutoRetract_Click() {
    if (editorShowing() || mouseoverButton == 0 || autoRetractEnabled == 0)
        return;
    if (autoRetractButton == 0) {
        autoRetractButton = 1;
        picAutoRetract->setPicture(imlButton.image(8));
        statement([&] { m.regResult = WriteReg(QStringLiteral("atr"), autoRetractButton); });
        TimerRetract->setEnabled(true);
    } else if (autoRetractButton == 1) {
        autoRetractButton = 0;
        picAutoRetract->setPicture(imlButton.image(7));
        statement([&] { m.regResult = WriteReg(QStringLiteral("atr"), autoRetractButton); });
    }
}

void frmMain::TimerRetract_Timer() {
    if (autoRetractButton != 0)
        imgMousover_MouseMove();
    TimerRetract->setEnabled(false);
}
