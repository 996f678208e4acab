// SPDX-License-Identifier: MIT
#pragma once

#include "../core/StoredSetting.h"
#include "../core/Timer.h"
#include "../forms/SwitchLook.h"

#include <QElapsedTimer>
#include <QObject>
#include <functional>

class QWidget;
class WindowStacking;

// Keeping the tab and its base bar above other windows. While the switch is on, the tick raises both again
// and gives the docking check its turn. It ticks once, shortly after the X server reports another window
// mapped, moved or restacked or the screen changed size (at most once a second while changes keep coming),
// and stays quiet while nothing changes; switched on, it ticks once a second later. Where the platform cannot
// report changes, it ticks every second while the switch is on. Off, both stand among the other windows.
// While a dialog of the program shows (a message box, the link editor), both stand just below it.
class StayOnTop : public QObject {
public:
    StayOnTop(QWidget& tab, QWidget& base, WindowStacking* stacking, StoredSetting onTop,
              std::function<void()> dockCheck, std::function<void()> afterRaise);
    ~StayOnTop() override;

    // The tick's wait after a reported change: a burst of changes (a window dragged about) is answered once.
    static constexpr int kSettleMs = 100;
    // The tick's interval after the switch is turned on, and, where changes cannot be reported, always; also
    // its least distance from the last tick while changes keep coming.
    static constexpr int kTickMs = 1000;

    bool on() const { return onTop_.value() == 1; }
    SwitchLook look() const { return on() ? SwitchLook::On : SwitchLook::Off; }
    // Applies the stored switch at start-up.
    void applyAtStart();
    // Flips the switch and stores it.
    void toggle();
    // Stacks both windows as the switch says.
    void restack();
    // True when the tick answers the X server's reports instead of running every second.
    bool eventDriven() const { return watching_; }

    Timer& tmrOnTop() { return *tmrOnTop_; }

private:
    void tmrOnTop_Timer();
    void setTopMost(bool on);
    void othersChanged();
    void dialogShowing(QWidget* dialog, bool showing);

    QWidget& tab_;
    QWidget& base_;
    WindowStacking* stacking_;
    StoredSetting onTop_;
    std::function<void()> dockCheck_;
    std::function<void()> afterRaise_;
    Timer* tmrOnTop_;
    QElapsedTimer lastTick_;
    bool watching_ = false;
    int dialogWatch_ = 0;
};
