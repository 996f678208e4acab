// Link buttons: the hover look, clearing it when the pointer leaves, and opening a link.

#include "../app/Paths.h"
#include "../app/frmMain.h"
#include "../shape/general.h"
#include "AddressPolicy.h"

namespace {
const QColor kNormalCaption(0x20, 0x39, 0x61);
const QColor kHighlightCaption(0xD0, 0xD1, 0xD4);
} // namespace

bool frmMain::slotEmpty(int slot) const {
    // Only leading and trailing spaces count as nothing; the test is made on the caption shown.
    const QString& caption = lblLink[slot]->Caption();
    int first = 0, last = static_cast<int>(caption.size()) - 1;
    while (first <= last && caption.at(first) == QLatin1Char(' '))
        ++first;
    while (last >= first && caption.at(last) == QLatin1Char(' '))
        --last;
    return first > last;
}

void frmMain::applyLinkLook(int slot, bool highlighted) {
    if (slot < 0 || slot >= LinkGrid::kSlots)
        return;
    picLink[slot]->setPicture(highlighted ? imlLinkMouseover.image(slot + 1) : imlLink.image(slot + 1));
    lblLink[slot]->setFontUnderline(highlighted);
    lblLink[slot]->setForeColor(highlighted ? kHighlightCaption : kNormalCaption);
    picLinkLight[slot]->setPicture(imlLinkLight.image(highlighted ? 4 : 1));
}

void frmMain::picLink_MouseMove(int index) {
    if (editorShowing())
        return;
    if (slotEmpty(index)) {
        applyLinkLook(m.hoverLink, false);
        picLink[index]->setPointer(Control::Pointer::Arrow);
        return;
    }
    picLink[index]->setPointer(Control::Pointer::Hand);
    if (picLink[index]->picture() == imlLinkMouseover.image(index + 1))
        return;
    applyLinkLook(m.hoverLink, false);
    applyLinkLook(index, true);
    m.hoverLink = static_cast<int16_t>(index);
    // The highlight must be cleared once the pointer leaves the column.
    tmrMouseout->setEnabled(true);
}

void frmMain::lblLink_MouseMove(int index) {
    picLink_MouseMove(index);
}

void frmMain::picLinkLight_MouseMove(int index) {
    picLink_MouseMove(index);
}

void frmMain::restoreHoverPicture() {
    if (m.hoverLink < 0 || m.hoverLink >= LinkGrid::kSlots)
        return;
    picLink[m.hoverLink]->setPicture(imlLink.image(m.hoverLink + 1));
    tmrMouseout->setEnabled(true);
}

void frmMain::tmrMouseout_Timer() {
    const int slot = m.hoverLink;
    if (slot < 0 || slot >= LinkGrid::kSlots)
        return;
    if (picLink[slot]->picture() == imlLink.image(slot + 1)) {
        lblLink[slot]->setFontUnderline(false);
        lblLink[slot]->setForeColor(kNormalCaption);
        picLinkLight[slot]->setPicture(imlLinkLight.image(1));
        // Nothing is highlighted any more: the tick has nothing left to clear until the next highlight,
        // unless a light still shows a pressed face, which the next tick must put back.
        if (picLinkLight[slot]->picture() == imlLinkLight.image(1))
            tmrMouseout->setEnabled(false);
        return;
    }
    if (clsMouser && clsMouser->IsMouseOver(*this, *imgHidden))
        return;
    applyLinkLook(slot, false);
}

void frmMain::picLink_Click(int index) {
    if (editorShowing())
        return;
    if (slotEmpty(index))
        return;
    playCue(Paths::kButtonSound);
    Pause(1);
    animation();
    Pause(1);
    openAddress(m.linkGrid.text(m.currentPage, 1, index));
}

void frmMain::openAddress(const QString& address) {
    if (!AddressPolicy::mayOpen(address))
        return;
    if (m.services.shell)
        m.services.shell->open(address);
}
