// SPDX-License-Identifier: MIT
#include "LinkPanel.h"

#include "../forms/Form.h"
#include "../forms/ImageArea.h"
#include "../forms/ImageList.h"
#include "../forms/Label.h"
#include "../forms/PictureBox.h"

namespace {
const QColor kNormalCaption(0x20, 0x39, 0x61);
const QColor kHighlightCaption(0xD0, 0xD1, 0xD4);
} // namespace

LinkPanel::LinkPanel(Widgets widgets, StoredSetting page) : w_(widgets), page_(page) {
    // The form has no border.
    clsMouser.SetBorderStyle(0);
    tmrMouseout_ = new Timer(this, 15, true, [this] { tmrMouseout_Timer(); });
}

bool LinkPanel::slotEmpty(int slot) const {
    // Only leading and trailing spaces count as nothing; the test is made on the caption shown.
    const QString& caption = w_.lblLink[slot]->Caption();
    int first = 0, last = static_cast<int>(caption.size()) - 1;
    while (first <= last && caption.at(first) == QLatin1Char(' '))
        ++first;
    while (last >= first && caption.at(last) == QLatin1Char(' '))
        --last;
    return first > last;
}

void LinkPanel::loadPLinks(const QString& path) {
    table_.load(path);
}

void LinkPanel::showPageNames() {
    for (int i = 0; i < LinkTable::kSlots; ++i) {
        w_.lblLink[i]->setCaption(table_.name(currentPage(), i));
        describeRow(i);
    }
    describePages();
}

void LinkPanel::setCaption(int slot, const QString& name) {
    if (slot >= 0 && slot < LinkTable::kSlots) {
        w_.lblLink[slot]->setCaption(name);
        describeRow(slot);
    }
}

void LinkPanel::describeRow(int slot) {
    // A row reads as its link, which row of the page it is and which page.
    const QString name = slotEmpty(slot) ? QStringLiteral("Empty slot %1").arg(slot + 1)
                                         : QStringLiteral("%1, link %2 of %3, page %4")
                                               .arg(w_.lblLink[slot]->Caption().trimmed())
                                               .arg(slot + 1)
                                               .arg(LinkTable::kSlots)
                                               .arg(currentPage() + 1);
    w_.picLink[slot]->setAccessibleTexts(name, slotEmpty(slot) ? QString() : address(slot));
}

void LinkPanel::describePages() {
    for (int k = 0; k < static_cast<int>(w_.picMode.size()); ++k)
        w_.picMode[k]->setAccessibleSelected(k == currentPage());
}

void LinkPanel::pressPage(int index) {
    w_.picMode[index]->setPicture(w_.imlMode.image(2 * index + 2));
    page_.set(static_cast<int16_t>(index));
    showPageNames();
}

void LinkPanel::releasePage(int index) {
    w_.picMode[index]->setPicture(w_.imlMode.image(2 * index + 1));
}

void LinkPanel::applyLinkLook(int slot, bool highlighted) {
    if (slot < 0 || slot >= LinkTable::kSlots)
        return;
    w_.picLink[slot]->setPicture(highlighted ? w_.imlLinkMouseover.image(slot + 1)
                                             : w_.imlLink.image(slot + 1));
    w_.lblLink[slot]->setFontUnderline(highlighted);
    w_.lblLink[slot]->setForeColor(highlighted ? kHighlightCaption : kNormalCaption);
    w_.picLinkLight[slot]->setPicture(w_.imlLinkLight.image(highlighted ? 4 : 1));
}

void LinkPanel::hover(int index) {
    if (slotEmpty(index)) {
        applyLinkLook(hoverLink_, false);
        w_.picLink[index]->setPointer(Control::Pointer::Arrow);
        return;
    }
    w_.picLink[index]->setPointer(Control::Pointer::Hand);
    highlight(index);
}

void LinkPanel::highlight(int index) {
    if (index < 0 || index >= LinkTable::kSlots)
        return;
    if (w_.picLink[index]->picture() == w_.imlLinkMouseover.image(index + 1))
        return;
    applyLinkLook(hoverLink_, false);
    applyLinkLook(index, true);
    hoverLink_ = static_cast<int16_t>(index);
    // The highlight must be cleared once the pointer leaves the column.
    tmrMouseout_->setEnabled(true);
}

void LinkPanel::restoreHoverPicture() {
    if (hoverLink_ < 0 || hoverLink_ >= LinkTable::kSlots)
        return;
    w_.picLink[hoverLink_]->setPicture(w_.imlLink.image(hoverLink_ + 1));
    tmrMouseout_->setEnabled(true);
}

void LinkPanel::tmrMouseout_Timer() {
    const int slot = hoverLink_;
    if (slot < 0 || slot >= LinkTable::kSlots)
        return;
    if (w_.picLink[slot]->picture() == w_.imlLink.image(slot + 1)) {
        w_.lblLink[slot]->setFontUnderline(false);
        w_.lblLink[slot]->setForeColor(kNormalCaption);
        w_.picLinkLight[slot]->setPicture(w_.imlLinkLight.image(1));
        // Nothing is highlighted any more: the tick has nothing left to clear until the next highlight,
        // unless a light still shows a pressed face, which the next tick must put back.
        if (w_.picLinkLight[slot]->picture() == w_.imlLinkLight.image(1))
            tmrMouseout_->setEnabled(false);
        return;
    }
    if (clsMouser.IsMouseOver(w_.form, w_.linkArea))
        return;
    applyLinkLook(slot, false);
}

void LinkPanel::pointerLeft() {
    applyLinkLook(hoverLink_, false);
    tmrMouseout_->setEnabled(false);
}

void LinkPanel::pressLight(int index) {
    w_.picLinkLight[index]->setPicture(w_.imlLinkLight.image(slotEmpty(index) ? 2 : 3));
    // The pointer-out tick puts the resting face back on the last highlighted slot's light.
    tmrMouseout_->setEnabled(true);
}

void LinkPanel::releaseLight(int index) {
    w_.picLinkLight[index]->setPicture(w_.imlLinkLight.image(slotEmpty(index) ? 1 : 4));
    tmrMouseout_->setEnabled(true);
}

int LinkPanel::rowAt(QPoint position) const {
    for (int i = 0; i < 10; ++i) {
        if (w_.picLink[i]->isVisible() && (w_.picLink[i]->geometry().contains(position) ||
                                           w_.picLinkLight[i]->geometry().contains(position)))
            return i;
    }
    return -1;
}

int LinkPanel::pageSelectorAt(QPoint position) const {
    for (int k = 0; k < 9; ++k) {
        if (w_.picMode[k]->isVisible() && w_.picMode[k]->geometry().contains(position))
            return k;
    }
    return -1;
}
