// Link lights: the small light at the right end of each link button opens the link editor for its slot.

#include "../app/Paths.h"
#include "../app/frmMain.h"
#include "frmInput.h"

void frmMain::picLinkLight_MouseDown(int index) {
    if (editorShowing())
        return;
    playCue(Paths::kButtonSound);
    picLinkLight[index]->setPicture(imlLinkLight.image(slotEmpty(index) ? 2 : 3));
    // The pointer-out tick puts the resting face back on the last highlighted slot's light.
    tmrMouseout->setEnabled(true);
}

void frmMain::picLinkLight_MouseUp(int index) {
    if (editorShowing())
        return;
    picLinkLight[index]->setPicture(imlLinkLight.image(slotEmpty(index) ? 1 : 4));
    tmrMouseout->setEnabled(true);
}

void frmMain::picLinkLight_Click(int index) {
    if (editorShowing())
        return;
    m.editIndex = static_cast<int16_t>(index);
    input().showEditor();
}
