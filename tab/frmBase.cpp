#include "frmBase.h"

#include "../app/frmMain.h"
#include "../shape/ApplySkin.h"
#include "../shape/general.h"
#include "../web/VendorSite.h"

frmBase::frmBase(frmMain& tabWindow) : Form(true), tab(tabWindow) {
    setWindowTitle(QStringLiteral("Brimvel Base"));
    picBack = new PictureBox(this, 0, 0, 3105, 510, imlSkin.image(1));
    picBack->hide();
    imgMouseClick = new ImageArea(this, 195, 15, 2475, 465);
    imgGoKestu = new ImageArea(this, 1245, 90, 330, 300);
    imgGoKestu->setPointer(Control::Pointer::Hand);

    imgMouseClick->onMouseDown = [this](int, int, double, double) { imgMouseClick_MouseDown(); };
    imgMouseClick->onClick = [this] { imgMouseClick_Click(); };
    imgGoKestu->onMouseMove = [this](int, int, double, double) { imgGoKestu_MouseMove(); };
    imgGoKestu->onClick = [this] { imgGoKestu_Click(); };
    onMouseMove = [this](int, int, double, double) { Form_MouseMove(); };
    moveTwips(0, 0, 3105, 510);
}

void frmBase::Form_Load() {
    if (loaded_)
        return;
    loaded_ = true;
    picBack->setPicture(imlSkin.image(1));
    int32_t transparent = 0;
    ApplySkin(*this, *picBack, transparent);
}

void frmBase::imgMouseClick_MouseDown() {
    if (tab.editorShowing())
        return;
    tab.playCue(QStringLiteral("/data/sounds/button.wav"));
}

void frmBase::imgMouseClick_Click() {
    if (tab.editorShowing())
        return;
    AppState& m = tab.state();
    m.openBusy = -1;
    if (tab.tmrGrow->Enabled() || tab.tmrShrink->Enabled()) {
        m.openBusy = 0;
        return;
    }
    Pause(1);
    tab.animation();
    m.openBusy = 0;
}

void frmBase::Form_MouseMove() {
    tab.restoreHoverPicture();
}

void frmBase::imgGoKestu_MouseMove() {
    tab.restoreHoverPicture();
}

void frmBase::imgGoKestu_Click() {
    tab.openAddress(VendorSite::root());
}
