// Keeping the tab and its cap above other windows, and bringing the tab back to the screen edge.

#include "../app/Paths.h"
#include "../app/Runtime.h"
#include "../app/Statement.h"
#include "../app/frmMain.h"
#include "SlideGeometry.h"
#include "frmBase.h"

void frmMain::picStayOnTop_MouseDown() {
    if (editorShowing())
        return;
    playCue(Paths::kButtonSound);
}

void frmMain::picStayOnTop_Click() {
    if (editorShowing())
        return;
    if (onTopToggle == 1) {
        onTopToggle = 0;
        picStayOnTop->setPicture(imlButton.image(3));
        statement([&] { m.regResult = WriteReg(QStringLiteral("ont"), onTopToggle); });
        tmrOnTop->setInterval(0);
        setTopMost(this, false);
        setTopMost(base_.get(), false);
    } else {
        onTopToggle = 1;
        picStayOnTop->setPicture(imlButton.image(4));
        statement([&] { m.regResult = WriteReg(QStringLiteral("ont"), onTopToggle); });
        tmrOnTop->setInterval(1000);
    }
}

void frmMain::tmrOnTop_Timer() {
    const int screenWidth = screenWidthTwips();
    if (Left() > screenWidth) {
        statement([&] { m.regResult = ReadReg(QStringLiteral("poy"), poY); });
        setTop(poY);
        setLeft(screenWidth - SlideGeometry::kRedockMargin);
    }
    if (onTopToggle != 0) {
        Runtime::DoEvents();
        setTopMost(this, true);
        setTopMost(base_.get(), true);
        if (Height() < SlideGeometry::kHandleHeight)
            setHeight(SlideGeometry::kHandleHeight);
    } else {
        setTopMost(this, false);
        setTopMost(base_.get(), false);
    }
}
