// SPDX-License-Identifier: MIT
#pragma once

class Form;
class PictureBox;

// What the base bar asks of the tab it belongs to.
class BaseBarHost {
public:
    virtual ~BaseBarHost() = default;
    // A press on the cap (the click cue).
    virtual void capPressed() = 0;
    // A click on the cap: the tab slides in (or out).
    virtual void capClicked() = 0;
    // The pointer moved onto the bar, off the link buttons.
    virtual void pointerOnBar() = 0;
    // The logo spot: the vendor's home page.
    virtual void openVendorHome() = 0;
    // Gives the bar the outline of its skin picture, as the tab has its own.
    virtual void skinBar(Form& bar, PictureBox& back) = 0;
    // True while the tab's pointer handlers do nothing (the link editor shows).
    virtual bool handlersBlocked() const = 0;
};
