// SPDX-License-Identifier: MIT
#pragma once

#include "../core/LinkTable.h"
#include "../core/StoredSetting.h"
#include "../core/Timer.h"
#include "clsMouseOver.h"

#include <QObject>
#include <QPoint>
#include <array>
#include <cstdint>

class Form;
class ImageArea;
class ImageList;
class Label;
class PictureBox;

// The link panel: the link table and the page shown, the ten link buttons with their captions and lights,
// the hover look and clearing it once the pointer has left.
class LinkPanel : public QObject {
public:
    struct Widgets {
        Form& form;
        ImageArea& linkArea; // the hit area under the link buttons, for the pointer-over test
        std::array<PictureBox*, 10>& picLink;
        std::array<Label*, 10>& lblLink;
        std::array<PictureBox*, 10>& picLinkLight;
        std::array<PictureBox*, 9>& picMode;
        const ImageList& imlLink;
        const ImageList& imlLinkMouseover;
        const ImageList& imlLinkLight;
        const ImageList& imlMode;
    };

    // `page`: the stored page shown.
    LinkPanel(Widgets widgets, StoredSetting page);

    const LinkTable& table() const { return table_; }
    int16_t currentPage() const { return page_.value(); }
    int16_t hoverLink() const { return hoverLink_; }
    // The name and address of a slot of the page shown.
    QString name(int slot) const { return table_.name(currentPage(), slot); }
    QString address(int slot) const { return table_.address(currentPage(), slot); }
    // A slot whose caption is empty or only spaces holds no link.
    bool slotEmpty(int slot) const;

    // Reads the link file into the table.
    void loadPLinks(const QString& path);
    // Puts the names of the page shown on the buttons.
    void showPageNames();
    void setCaption(int slot, const QString& name);

    // Page selectors: a press shows and stores the page, a release gives the selector its resting face.
    void pressPage(int index);
    void releasePage(int index);

    // The pointer over link button `index` (or its caption or light).
    void hover(int index);
    // Gives button `index` its highlighted look, whether it holds a link or not (a drag over it), until the
    // pointer leaves the column.
    void highlight(int index);
    // The pointer moved onto the panel's own surface: the highlighted button loses its picture, and the tick
    // clears the rest of its look.
    void restoreHoverPicture();
    // The pointer left the tab's window (for another window, maybe of a program the display server shows
    // without telling us where the pointer went): the highlight goes at once and the tick stops.
    void pointerLeft();
    void pressLight(int index);
    void releaseLight(int index);

    // The link row under a point of the tab window (its button, caption or light), or -1. Hidden rows do not
    // count.
    int rowAt(QPoint position) const;
    // The page selector under a point of the tab window, or -1. Hidden selectors do not count.
    int pageSelectorAt(QPoint position) const;

    Timer& tmrMouseout() { return *tmrMouseout_; }

private:
    void tmrMouseout_Timer();
    void applyLinkLook(int slot, bool highlighted);
    // What assistive technology reads: a row's name (its caption, or which empty slot it is) and address, and
    // which page selector is the page shown.
    void describeRow(int slot);
    void describePages();

    Widgets w_;
    StoredSetting page_;
    LinkTable table_;
    int16_t hoverLink_ = 0;
    clsMouseOver clsMouser;
    Timer* tmrMouseout_;
};
