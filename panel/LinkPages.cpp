// Page selectors: nine pages of the link table, one shown at a time.

#include "../app/Statement.h"
#include "../app/frmMain.h"

void frmMain::showPageNames() {
    for (int i = 0; i < LinkGrid::kSlots; ++i)
        lblLink[i]->setCaption(m.linkGrid.text(m.currentPage, 0, i));
}

void frmMain::picMode_MouseDown(int index) {
    if (editorShowing())
        return;
    picMode[index]->setPicture(imlMode.image(2 * index + 2));
    m.currentPage = static_cast<int16_t>(index);
    statement([&] { m.regResult = WriteReg(QStringLiteral("mdt"), m.currentPage); });
    showPageNames();
}

void frmMain::picMode_MouseUp(int index) {
    if (editorShowing())
        return;
    picMode[index]->setPicture(imlMode.image(2 * index + 1));
}
