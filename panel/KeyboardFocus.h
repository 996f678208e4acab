// SPDX-License-Identifier: MIT
#pragma once

#include <QObject>
#include <array>
#include <functional>
#include <vector>

class Control;
class FocusRing;
class Form;
class PictureBox;
class QKeyEvent;

// The keyboard's way through the open tab. The focus starts on link row 1; Up and Down (Home, End) move among
// the rows, Tab and Shift+Tab go on from the rows to the page selector of the page shown and then to the
// other stops in their order, Left and Right change the page, Enter or Space activates the focused control as
// a click would, F2 edits the focused row's link, the Menu key or Shift+F10 opens a row's menu, and Escape
// slides the tab in. The focus ring shows once the keyboard is used, or at once when the tab was opened from
// the keyboard; until then neither the focus nor the ring moves, whatever the pointer does. Keys it has no
// use for (the number pad's digits among them) go on as before.
class KeyboardFocus : public QObject {
public:
    struct Stops {
        std::array<PictureBox*, 10>& rows;
        std::array<PictureBox*, 9>& pages;
        // The stops after the page selectors, in order.
        std::vector<Control*> others;
    };
    struct Hooks {
        std::function<int()> currentPage;
        // Escape: slide the tab in.
        std::function<void()> close;
        // F2 on a row.
        std::function<void(int row)> editRow;
        // The Menu key or Shift+F10 on a row.
        std::function<void(int row)> rowMenu;
    };

    KeyboardFocus(Form& form, FocusRing& ring, Stops stops, Hooks hooks);

    // The tab slid out and holds the keyboard: row 1 is where the focus starts, shown at once when the
    // keyboard opened the tab.
    void opened(bool fromKeyboard);
    // The tab slid in: the focus and its ring go until the next opening.
    void closed();

    // A dialog opened from the keyboard closed: the focus and its ring go back to `control` (a stop, or a
    // row's light), or to row 1 when that one is no longer shown.
    void giveBack(Control* control);

    // The control with the focus (nullptr until the keyboard is used), and whether the ring shows.
    Control* focused() const { return focused_; }
    bool ringShown() const;

    // A key pressed in the tab: true when it was used.
    bool keyPressed(const QKeyEvent& key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void focus(Control* control);
    int rowOf(const Control* control) const;
    // The stops Tab walks through, as they stand now: the focused (or first) row, the page selector of the
    // page shown, then the others that are shown and enabled.
    std::vector<Control*> tabPath() const;
    void step(bool forward);
    void changePage(int by);
    // Tells assistive technology which control has the focus.
    void tellFocus();

    Form& form_;
    FocusRing& ring_;
    Stops stops_;
    Hooks hooks_;
    bool open_ = false;
    Control* focused_ = nullptr;
    int lastRow_ = 0;
    // The focus was given back while the tab was not yet the active window.
    bool tellOnActivation_ = false;
};
