// Sliding the tab out and in, and growing and shrinking it.

#include "../app/Paths.h"
#include "../app/frmMain.h"
#include "../shape/general.h"
#include "SlideGeometry.h"
#include "SlidePacer.h"
#include "frmBase.h"

using namespace SlideGeometry;

void frmMain::animation() {
    ++once;
    if (once > 1)
        return; // a slide is running: this nested call is dropped
    if (extended == 0) {
        imgDrag->setEnabled(false);
        playCue(Paths::kMinSound);
        const int n = slideOutSteps(Width(), Left(), screenWidthTwips());
        SlidePacer pacer;
        for (int i = 1; i <= n; ++i) {
            setLeft(Left() - kStep);
            base_->setLeft(Left());
            pacer.yield();
        }
        setLeft(Left() - kNudge);
        base_->setLeft(Left());
        pacer.yield();
        imgDrag->setEnabled(true);
        Pause(1);
        playCue(Paths::kScrollSound);
        tmrGrow->setEnabled(true);
        extended = -1;
        TimerRetract->setEnabled(true);
        once = 0;
        if (m.services.stacking)
            m.services.stacking->takeFocus(this);
    } else {
        playCue(Paths::kScrollSound);
        tmrShrink->setEnabled(true);
        imgDrag->setEnabled(false);
        Pause(1);
        playCue(Paths::kMinSound);
        const int n = slideInSteps(Width());
        SlidePacer pacer;
        for (int i = 0; i < n; ++i) {
            pacer.yield(false);
            setLeft(Left() + kStep);
            base_->setLeft(Left());
            pacer.yield();
        }
        setLeft(Left() + kNudge);
        base_->setLeft(Left());
        pacer.yield();
        extended = 0;
        TimerRetract->setEnabled(false);
        imgDrag->setEnabled(true);
        once = 0;
    }
}

void frmMain::tmrGrow_Timer() {
    imgDrag->setEnabled(false);
    int h = Height();
    if (h == kFullHeight) {
        tmrGrow->setEnabled(false);
        imgDrag->setEnabled(true);
        m.tabOpen = 1;
        setKeyScan(true);
        return;
    }
    if (h >= kFirstStepHeight && h < kFullHeight) {
        h += kHeightStep;
        setHeight(h);
        base_->setTop(Top() + h - 15);
    }
    if (h == kHandleHeight) {
        h = kFirstStepHeight;
        setHeight(h);
        base_->setTop(Top() + h - 10);
    }
}

void frmMain::tmrShrink_Timer() {
    imgDrag->setEnabled(false);
    int h = Height();
    if (h == kHandleHeight) {
        tmrShrink->setEnabled(false);
        imgDrag->setEnabled(true);
        m.tabOpen = 0;
        setKeyScan(false);
        return;
    }
    if (h > kHandleHeight && h <= kFullHeight) {
        h -= kHeightStep;
        setHeight(h);
        base_->setTop(Top() + h - 15);
    }
    if (h == kFirstStepHeight) {
        h = kHandleHeight;
        setHeight(h);
        base_->setTop(Top() + kBaseOffsetHandle);
    }
}
