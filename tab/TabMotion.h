// SPDX-License-Identifier: MIT
#pragma once

#include "../core/StoredSetting.h"
#include "../core/Timer.h"
#include "../forms/SwitchLook.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

class Form;
class ImageArea;

// The tab's motion: sliding out and in, growing and shrinking, opening by hover or click, retracting by
// itself, being dragged along the screen edge and docking back at it. It owns every flag of the motion and
// its three timers, and moves the tab window and the base bar together.
class TabMotion : public QObject {
public:
    struct Hooks {
        // Plays a sound cue (a path relative to the program folder).
        std::function<void(const QString&)> cue;
        // The tab became fully open (true) or fully retracted (false).
        std::function<void(bool open)> openChanged;
        // A slide-out ended: the tab may take the keyboard.
        std::function<void()> slidOut;
        // A slide-in begins: the tab needs the keyboard no longer.
        std::function<void()> slidingIn;
        // A slide-in ended.
        std::function<void()> slidIn;
        // True while the retract tick must leave the tab alone (the link editor shows).
        std::function<bool()> held;
    };

    // The stored settings the tab's motion owns: where it stands, and the hover-opening and auto-retract
    // switches.
    struct Settings {
        StoredSetting top;
        StoredSetting hoverOpen;
        StoredSetting autoRetract;
    };

    TabMotion(Form& tab, Form& base, ImageArea& dragHandle, Settings settings, Hooks hooks);

    // ---- state ----
    int16_t extended() const { return extended_; }
    int16_t once() const { return once_; }
    bool open() const { return tabOpen_ != 0; }
    bool busy() const { return openBusy_ != 0; }
    int16_t autoRetractEnabled() const { return autoRetractEnabled_; }
    bool verticalMotion() const { return tmrGrow_->Enabled() || tmrShrink_->Enabled(); }
    bool dragging() const { return MouseDownForm.value_or(0) == 1; }

    Timer& tmrGrow() { return *tmrGrow_; }
    Timer& tmrShrink() { return *tmrShrink_; }
    Timer& TimerRetract() { return *TimerRetract_; }

    // ---- start-up ----
    // Retracted at the right edge of the screen, at the stored height on it.
    void placeAtStart();
    // The auto-retract switch's usability and picture from the two stored switches.
    void startSwitches();

    // ---- slides ----
    // Slides the tab out when it is in, and in when it is out (a call while a slide runs is dropped).
    void animation();
    // The vendor shortcuts give up the guard of a slide that waits; a slide that is still moving the tab is
    // never joined by a second one.
    void releaseSlideGuard() { once_ = 0; }
    // A click on the strip (or the cap): after a one-second pause, toggles the tab. The strip's click refuses
    // while another click waits and while hover opening is on; the cap's does neither.
    enum class ClickFrom { Strip, Cap };
    void clickToggle(ClickFrom from);
    // A press on the strip plays the click cue unless a click is already waiting.
    void stripPressed();
    // The pointer on the strip: toggles the tab when hover opening is on and no vertical motion runs.
    void hoverTrigger();

    // ---- switches ----
    bool hoverOpenOn() const;
    bool autoRetractOn() const;
    // How the two switches look. Auto-retract shows on only while hover opening is on too, and dimmed while
    // hover opening is off; at start-up a pair of stored values outside 0 and 1 leaves it as drawn.
    SwitchLook hoverOpenLook() const {
        return settings_.hoverOpen.value() == 1 ? SwitchLook::On : SwitchLook::Off;
    }
    SwitchLook autoRetractLook() const { return autoRetractLook_; }
    // Flip the switch; false when the click is refused (nothing changed).
    bool toggleHoverOpen();
    bool toggleAutoRetract();
    // The link editor closed: with auto-retract on, the retract countdown starts again.
    void editorClosed();

    // ---- dragging ----
    void dragStart(double y);
    void dragMove();
    // The end of a press on the tab (a drag or not): stores where the tab stands and restarts the retract
    // countdown.
    void pressEnded();

    // ---- docking ----
    // Brings a tab that went past the screen's right edge back to it, at its stored height.
    void redock();
    // The screens changed (a resolution, a monitor added or removed, another primary): a retracted tab
    // docks at the new right edge at once, an open one when it next slides in.
    void screensChanged();
    // The highest Top that keeps the whole handle on the screen, and the lowest; a Top between them.
    static int reachableTop(int top);
    // Keeps the tab at least as tall as its handle.
    void keepHandleHeight();

private:
    void tmrGrow_Timer();
    void tmrShrink_Timer();
    void TimerRetract_Timer();
    void moveBy(int dx);
    // Puts the retracted tab (and the base bar under it) at the screen's right edge, `margin` twips in,
    // with its handle on the screen.
    void dockAt(int margin);
    // Stores where the tab stands (clamped to the setting's 16 bits).
    void storeTop();
    static int screenRight();
    void setOpen(bool open);

    Form& tab_;
    Form& base_;
    ImageArea& dragHandle_;
    Settings settings_;
    Hooks hooks_;

    int16_t extended_ = 0;
    int16_t once_ = 0;
    bool sliding_ = false;
    bool dockAfterSlideIn_ = false;
    int16_t tabOpen_ = 0;
    int16_t openBusy_ = 0;
    int16_t autoRetractEnabled_ = 0;
    SwitchLook autoRetractLook_ = SwitchLook::AsDrawn;
    std::optional<int16_t> MouseDownForm;
    std::optional<float> MouseDownFormY;

    Timer* tmrGrow_;
    Timer* tmrShrink_;
    Timer* TimerRetract_;
};
