// SPDX-License-Identifier: MIT
#pragma once

#include "app/SwitchPictures.h"
#include "app/frmMain.h"

#include <optional>

// The tab's widgets as a test sees them: references to the window's own, so that a test reads and drives
// exactly what the window shows. `view(tab).picLink[2]`.
struct TabView {
    explicit TabView(frmMain& tab)
        : picBack(tab.picBack), imgMousover(tab.imgMousover), imgDrag(tab.imgDrag), imgHidden(tab.imgHidden),
          imgQuickLinks(tab.imgQuickLinks), imgSearch(tab.imgSearch), imgHelp(tab.imgHelp),
          imgLogo(tab.imgLogo), imgGoKestu(tab.imgGoKestu), picStayOnTop(tab.picStayOnTop),
          picUpdate(tab.picUpdate), picSound(tab.picSound), picAutoRetract(tab.picAutoRetract),
          picMouseover(tab.picMouseover), picExit(tab.picExit), picMode(tab.picMode), picLink(tab.picLink),
          lblLink(tab.lblLink), picLinkLight(tab.picLinkLight), imgSkin(tab.imgSkin),
          imlButton(tab.imlButton), imlUpdate(tab.imlUpdate), imlLink(tab.imlLink),
          imlLinkMouseover(tab.imlLinkMouseover), imlLinkLight(tab.imlLinkLight), imlMode(tab.imlMode) {}

    PictureBox*& picBack;
    ImageArea*& imgMousover;
    ImageArea*& imgDrag;
    ImageArea*& imgHidden;
    ImageArea*& imgQuickLinks;
    ImageArea*& imgSearch;
    ImageArea*& imgHelp;
    ImageArea*& imgLogo;
    ImageArea*& imgGoKestu;
    PictureBox*& picStayOnTop;
    PictureBox*& picUpdate;
    PictureBox*& picSound;
    PictureBox*& picAutoRetract;
    PictureBox*& picMouseover;
    PictureBox*& picExit;
    std::array<PictureBox*, 9>& picMode;
    std::array<PictureBox*, 10>& picLink;
    std::array<Label*, 10>& lblLink;
    std::array<PictureBox*, 10>& picLinkLight;
    ImageList& imgSkin;
    ImageList& imlButton;
    ImageList& imlUpdate;
    ImageList& imlLink;
    ImageList& imlLinkMouseover;
    ImageList& imlLinkLight;
    ImageList& imlMode;
};

inline TabView view(frmMain& tab) {
    return TabView(tab);
}

// Whether a switch button shows the picture of a look, as the one map of looks to pictures gives it.
inline bool showsLook(frmMain& tab, const PictureBox* button, Switch which, SwitchLook look) {
    const std::optional<int> picture = switchPicture(which, look);
    return picture && button->picture() == view(tab).imlButton.image(*picture);
}
