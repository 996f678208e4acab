// SPDX-License-Identifier: MIT
#include "frmBase.h"

#include "../forms/HandlerGuard.h"
#include "BaseBarHost.h"

frmBase::frmBase(BaseBarHost& barHost) : Form(true), host(barHost) {
    setWindowTitle(QStringLiteral("Brimvel Base"));
    picBack = new PictureBox(this, 0, 0, 3105, 510, imlSkin.image(1));
    picBack->hide();
    imgMouseClick = new ImageArea(this, 195, 15, 2475, 465);
    imgGoKestu = new ImageArea(this, 1245, 90, 330, 300);
    imgGoKestu->setPointer(Control::Pointer::Hand);

    // The cap does nothing while the link editor shows; the bar's other handlers always act.
    const HandlerGuard guarded([this] { return host.handlersBlocked(); });
    imgMouseClick->onMouseDown = guarded([this](int, int, double, double) { imgMouseClick_MouseDown(); });
    imgMouseClick->onClick = guarded([this] { imgMouseClick_Click(); });
    imgGoKestu->onMouseMove = [this](int, int, double, double) { imgGoKestu_MouseMove(); };
    imgGoKestu->onClick = [this] { imgGoKestu_Click(); };
    onMouseMove = [this](int, int, double, double) { Form_MouseMove(); };
    moveTwips(0, 0, 3105, 510);

    setAccessibleName(QStringLiteral("Brimvel base bar"));
    imgMouseClick->setAccessibleRole(QAccessible::Button);
    imgGoKestu->setAccessibleRole(QAccessible::Link);
    imgGoKestu->setAccessibleTexts(QStringLiteral("Home page"));
    tabSlid(false);
}

void frmBase::tabSlid(bool out) {
    imgMouseClick->setAccessibleTexts(out ? QStringLiteral("Close Brimvel") : QStringLiteral("Open Brimvel"));
}

void frmBase::Form_Load() {
    if (loaded_)
        return;
    loaded_ = true;
    picBack->setPicture(imlSkin.image(1));
    host.skinBar(*this, *picBack);
}

void frmBase::imgMouseClick_MouseDown() {
    host.capPressed();
}

void frmBase::imgMouseClick_Click() {
    host.capClicked();
}

void frmBase::Form_MouseMove() {
    host.pointerOnBar();
}

void frmBase::imgGoKestu_MouseMove() {
    host.pointerOnBar();
}

void frmBase::imgGoKestu_Click() {
    host.openVendorHome();
}
