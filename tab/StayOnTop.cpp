#include "StayOnTop.h"

#include "../forms/Runtime.h"
#include "../platform/WindowStacking.h"

#include <QWidget>

StayOnTop::StayOnTop(QWidget& tab, QWidget& base, WindowStacking* stacking, Preferences& prefs,
                     std::function<void()> dockCheck, std::function<void()> afterRaise)
    : tab_(tab), base_(base), stacking_(stacking), prefs_(prefs), dockCheck_(std::move(dockCheck)),
      afterRaise_(std::move(afterRaise)) {
    tmrOnTop_ = new Timer(this, 500, true, [this] { tmrOnTop_Timer(); });
}

void StayOnTop::setTopMost(bool on) {
    if (!stacking_)
        return;
    stacking_->setTopMost(&tab_, on);
    stacking_->setTopMost(&base_, on);
}

void StayOnTop::applyAtStart() {
    setTopMost(on());
    tmrOnTop_->setInterval(on() ? 1000 : 0);
}

void StayOnTop::restack() {
    setTopMost(on());
}

void StayOnTop::toggle() {
    if (on()) {
        prefs_.set(Preferences::OnTop, 0);
        tmrOnTop_->setInterval(0);
        setTopMost(false);
    } else {
        prefs_.set(Preferences::OnTop, 1);
        tmrOnTop_->setInterval(1000);
    }
}

void StayOnTop::tmrOnTop_Timer() {
    if (dockCheck_)
        dockCheck_();
    if (prefs_[Preferences::OnTop] != 0) {
        Runtime::DoEvents();
        setTopMost(true);
        if (afterRaise_)
            afterRaise_();
    } else {
        setTopMost(false);
    }
}
