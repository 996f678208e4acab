// SPDX-License-Identifier: MIT
#include "StayOnTop.h"

#include "../core/TimeScale.h"
#include "../forms/Runtime.h"
#include "../platform/WindowStacking.h"

#include <QWidget>

StayOnTop::StayOnTop(QWidget& tab, QWidget& base, WindowStacking* stacking, StoredSetting onTop,
                     std::function<void()> dockCheck, std::function<void()> afterRaise)
    : tab_(tab), base_(base), stacking_(stacking), onTop_(onTop), dockCheck_(std::move(dockCheck)),
      afterRaise_(std::move(afterRaise)) {
    tmrOnTop_ = new Timer(this, 500, true, [this] { tmrOnTop_Timer(); });
    watching_ = stacking_ && stacking_->watchOthers([this] { othersChanged(); });
    dialogWatch_ =
        Runtime::watchDialogs([this](QWidget* dialog, bool showing) { dialogShowing(dialog, showing); });
}

StayOnTop::~StayOnTop() {
    Runtime::unwatchDialogs(dialogWatch_);
    if (stacking_)
        stacking_->watchOthers(nullptr);
}

void StayOnTop::setTopMost(bool on) {
    if (!stacking_)
        return;
    stacking_->setTopMost(&tab_, on);
    stacking_->setTopMost(&base_, on);
}

void StayOnTop::applyAtStart() {
    setTopMost(on());
    tmrOnTop_->setInterval(on() && !watching_ ? kTickMs : 0);
}

void StayOnTop::restack() {
    setTopMost(on());
}

void StayOnTop::toggle() {
    if (on()) {
        onTop_.set(0);
        tmrOnTop_->setInterval(0);
        setTopMost(false);
    } else {
        onTop_.set(1);
        tmrOnTop_->setInterval(kTickMs);
    }
}

void StayOnTop::othersChanged() {
    // Off, the platform keeps both windows among the others by itself. A tick already due answers this
    // change too. Changes that keep coming (a window dragged about, another program that raises itself each
    // time it is covered) are answered once a second at most.
    if (!on() || tmrOnTop_->Interval() != 0)
        return;
    const bool recent = lastTick_.isValid() && lastTick_.elapsed() < TimeScale::scaled(kTickMs);
    tmrOnTop_->setInterval(recent ? kTickMs : kSettleMs);
}

void StayOnTop::dialogShowing(QWidget* dialog, bool showing) {
    if (!stacking_)
        return;
    stacking_->standBelow(dialog, showing);
    // The dialog's window appearing is a change the platform reports; its going is not, so the windows
    // stand up again here.
    if (!showing && on())
        setTopMost(true);
}

void StayOnTop::tmrOnTop_Timer() {
    // Answering the X server's reports, the tick runs once per change.
    if (watching_)
        tmrOnTop_->setInterval(0);
    lastTick_.start();
    if (dockCheck_)
        dockCheck_();
    if (onTop_.value() != 0) {
        Runtime::DoEvents();
        setTopMost(true);
        if (afterRaise_)
            afterRaise_();
    } else {
        setTopMost(false);
    }
}
