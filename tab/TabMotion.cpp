// SPDX-License-Identifier: MIT
#include "TabMotion.h"

#include "../core/Paths.h"
#include "../core/SlideGeometry.h"
#include "../core/Twips.h"
#include "../forms/Form.h"
#include "../forms/ImageArea.h"
#include "../forms/Pause.h"
#include "SlidePacer.h"

#include <QCursor>
#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <algorithm>
#include <cmath>

using namespace SlideGeometry;

TabMotion::TabMotion(Form& tab, Form& base, ImageArea& dragHandle, Settings settings, Hooks hooks)
    : tab_(tab), base_(base), dragHandle_(dragHandle), settings_(settings), hooks_(std::move(hooks)) {
    tmrGrow_ = new Timer(this, 15, false, [this] { tmrGrow_Timer(); });
    tmrShrink_ = new Timer(this, 15, false, [this] { tmrShrink_Timer(); });
    TimerRetract_ = new Timer(this, 15000, false, [this] { TimerRetract_Timer(); });

    // Any change of the screens may move the right edge. The change is looked at once the toolkit has
    // finished with it (a screen being removed is still listed while the signal runs).
    const auto later = [this] {
        QMetaObject::invokeMethod(
            this, [this] { screensChanged(); }, Qt::QueuedConnection);
    };
    const auto watch = [this, later](QScreen* screen) {
        connect(screen, &QScreen::geometryChanged, this, later);
    };
    for (QScreen* screen : QGuiApplication::screens())
        watch(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, [watch, later](QScreen* screen) {
        watch(screen);
        later();
    });
    connect(qApp, &QGuiApplication::screenRemoved, this, later);
    connect(qApp, &QGuiApplication::primaryScreenChanged, this, later);
}

int TabMotion::screenRight() {
    const QRect screen = Form::screenTwips();
    return screen.x() + screen.width();
}

int TabMotion::reachableTop(int top) {
    const QRect screen = Form::screenTwips();
    // The handle (the retracted tab's height) stays wholly on the screen.
    return std::clamp(top, screen.y(), std::max(screen.y(), screen.y() + screen.height() - kHandleHeight));
}

void TabMotion::storeTop() {
    settings_.top.set(static_cast<int16_t>(std::clamp(tab_.Top(), -32768, 32767)));
}

void TabMotion::placeAtStart() {
    tab_.setLeft(screenRight() - kRetractedMargin);
    // A stored height that would leave the handle off the screen (a screen that became smaller since) is
    // brought back onto it, and stored as corrected.
    const int stored = settings_.top.value();
    tab_.setTop(reachableTop(stored));
    if (tab_.Top() != stored)
        storeTop();
}

void TabMotion::dockAt(int margin) {
    tab_.setLeft(screenRight() - margin);
    tab_.setTop(reachableTop(tab_.Top()));
    base_.setLeft(tab_.Left());
    base_.setTop(tab_.Top() + kBaseOffsetHandle);
}

void TabMotion::screensChanged() {
    if (extended_ != 0 || sliding_ || verticalMotion()) {
        dockAfterSlideIn_ = true;
        return;
    }
    dockAt(kRedockMargin);
}

void TabMotion::startSwitches() {
    const int16_t hover = settings_.hoverOpen.value();
    if (settings_.autoRetract.value() == 1) {
        if (hover == 1) {
            autoRetractLook_ = SwitchLook::On;
            autoRetractEnabled_ = -1;
        } else if (hover == 0) {
            autoRetractLook_ = SwitchLook::Dimmed;
            autoRetractEnabled_ = 0;
        }
    } else {
        autoRetractLook_ = hover == 0 ? SwitchLook::Dimmed : SwitchLook::Off;
        if (hover == 1)
            autoRetractEnabled_ = -1;
        else if (hover == 0)
            autoRetractEnabled_ = 0;
    }
}

void TabMotion::moveBy(int dx) {
    tab_.setLeft(tab_.Left() + dx);
    base_.setLeft(tab_.Left());
}

void TabMotion::setOpen(bool open) {
    tabOpen_ = open ? 1 : 0;
    if (hooks_.openChanged)
        hooks_.openChanged(open);
}

void TabMotion::animation() {
    ++once_;
    if (once_ > 1 || sliding_)
        return; // a slide is running: this nested call is dropped
    sliding_ = true;
    if (extended_ == 0) {
        dragHandle_.setEnabled(false);
        hooks_.cue(Paths::kMinSound);
        const int n = slideOutSteps(tab_.Width(), tab_.Left(), screenRight());
        SlidePacer pacer;
        for (int i = 1; i <= n; ++i) {
            moveBy(-kStep);
            pacer.yield();
        }
        moveBy(-kNudge);
        pacer.yield();
        dragHandle_.setEnabled(true);
        Pause(1);
        hooks_.cue(Paths::kScrollSound);
        tmrGrow_->setEnabled(true);
        extended_ = -1;
        TimerRetract_->setEnabled(true);
        once_ = 0;
        sliding_ = false;
        if (hooks_.slidOut)
            hooks_.slidOut();
    } else {
        if (hooks_.slidingIn)
            hooks_.slidingIn();
        hooks_.cue(Paths::kScrollSound);
        tmrShrink_->setEnabled(true);
        dragHandle_.setEnabled(false);
        Pause(1);
        hooks_.cue(Paths::kMinSound);
        const int n = slideInSteps(tab_.Width());
        SlidePacer pacer;
        for (int i = 0; i < n; ++i) {
            pacer.yield(false);
            moveBy(kStep);
            pacer.yield();
        }
        moveBy(kNudge);
        pacer.yield();
        extended_ = 0;
        TimerRetract_->setEnabled(false);
        dragHandle_.setEnabled(true);
        once_ = 0;
        sliding_ = false;
        if (dockAfterSlideIn_) {
            // The screens changed while the tab was out.
            dockAfterSlideIn_ = false;
            dockAt(kRedockMargin);
        }
        if (hooks_.slidIn)
            hooks_.slidIn();
    }
}

void TabMotion::tmrGrow_Timer() {
    dragHandle_.setEnabled(false);
    int h = tab_.Height();
    if (h == kFullHeight) {
        tmrGrow_->setEnabled(false);
        dragHandle_.setEnabled(true);
        setOpen(true);
        return;
    }
    if (h >= kFirstStepHeight && h < kFullHeight) {
        h += kHeightStep;
        tab_.setHeight(h);
        base_.setTop(tab_.Top() + h - 15);
    }
    if (h == kHandleHeight) {
        h = kFirstStepHeight;
        tab_.setHeight(h);
        base_.setTop(tab_.Top() + h - 10);
    }
}

void TabMotion::tmrShrink_Timer() {
    dragHandle_.setEnabled(false);
    int h = tab_.Height();
    if (h == kHandleHeight) {
        tmrShrink_->setEnabled(false);
        dragHandle_.setEnabled(true);
        setOpen(false);
        return;
    }
    if (h > kHandleHeight && h <= kFullHeight) {
        h -= kHeightStep;
        tab_.setHeight(h);
        base_.setTop(tab_.Top() + h - 15);
    }
    if (h == kFirstStepHeight) {
        h = kHandleHeight;
        tab_.setHeight(h);
        base_.setTop(tab_.Top() + kBaseOffsetHandle);
    }
}

void TabMotion::hoverTrigger() {
    if (verticalMotion())
        return;
    if (!hoverOpenOn())
        return;
    animation();
}

void TabMotion::stripPressed() {
    if (openBusy_ == -1)
        return;
    hooks_.cue(Paths::kButtonSound);
}

void TabMotion::clickToggle(ClickFrom from) {
    if (from == ClickFrom::Strip && openBusy_ == -1)
        return;
    openBusy_ = -1;
    if (verticalMotion() || (from == ClickFrom::Strip && settings_.hoverOpen.value() == 1)) {
        openBusy_ = 0;
        return;
    }
    Pause(1);
    animation();
    openBusy_ = 0;
}

bool TabMotion::hoverOpenOn() const {
    return settings_.hoverOpen.value() != 0;
}

bool TabMotion::autoRetractOn() const {
    return settings_.autoRetract.value() != 0;
}

bool TabMotion::toggleHoverOpen() {
    const int16_t hover = settings_.hoverOpen.value();
    if (hover == 0) {
        settings_.hoverOpen.set(1);
        autoRetractEnabled_ = -1;
        autoRetractLook_ = autoRetractOn() ? SwitchLook::On : SwitchLook::Off;
        TimerRetract_->setEnabled(true);
        return true;
    }
    if (hover == 1) {
        // The retract countdown keeps running: its tick does nothing with hover opening off.
        settings_.hoverOpen.set(0);
        autoRetractEnabled_ = 0;
        autoRetractLook_ = SwitchLook::Dimmed;
        return true;
    }
    return false;
}

bool TabMotion::toggleAutoRetract() {
    if (settings_.hoverOpen.value() == 0 || autoRetractEnabled_ == 0)
        return false;
    const int16_t retract = settings_.autoRetract.value();
    if (retract == 0) {
        settings_.autoRetract.set(1);
        autoRetractLook_ = SwitchLook::On;
        TimerRetract_->setEnabled(true);
        return true;
    }
    if (retract == 1) {
        settings_.autoRetract.set(0);
        autoRetractLook_ = SwitchLook::Off;
        return true;
    }
    return false;
}

void TabMotion::editorClosed() {
    if (settings_.autoRetract.value() == 1)
        TimerRetract_->setEnabled(true);
}

void TabMotion::TimerRetract_Timer() {
    if (autoRetractOn() && !(hooks_.held && hooks_.held()))
        hoverTrigger();
    TimerRetract_->setEnabled(false);
}

void TabMotion::dragStart(double y) {
    TimerRetract_->setEnabled(false);
    MouseDownForm = 1;
    MouseDownFormY = static_cast<float>(y + 35);
}

void TabMotion::dragMove() {
    if (verticalMotion())
        return;
    if (MouseDownForm.value_or(0) != 1)
        return;
    const QPoint p = QCursor::pos();
    const int16_t d = nearestEven16(base_.Top() - tab_.Top());
    tab_.setTop(static_cast<int>(std::lround(p.y() * 15.0f - MouseDownFormY.value_or(0))));
    base_.setTop(d + tab_.Top());
}

void TabMotion::pressEnded() {
    MouseDownForm = 0;
    // A drag never leaves the handle off the screen: the tab and the base bar come back onto it together.
    const int top = reachableTop(tab_.Top());
    if (top != tab_.Top()) {
        const int baseOffset = base_.Top() - tab_.Top();
        tab_.setTop(top);
        base_.setTop(top + baseOffset);
    }
    storeTop();
    TimerRetract_->setEnabled(true);
}

void TabMotion::redock() {
    if (tab_.Left() <= screenRight())
        return;
    if (extended_ != 0 || sliding_ || verticalMotion()) {
        // Docking an open tab would leave it marked open at the retracted place: it docks when it slides in.
        dockAfterSlideIn_ = true;
        return;
    }
    settings_.top.reload();
    tab_.setTop(settings_.top.value());
    dockAt(kRedockMargin);
}

void TabMotion::keepHandleHeight() {
    if (tab_.Height() < kHandleHeight)
        tab_.setHeight(kHandleHeight);
}
