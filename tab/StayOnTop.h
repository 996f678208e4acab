#pragma once

#include "../app/Preferences.h"
#include "../forms/Timer.h"

#include <QObject>
#include <functional>

class QWidget;
class WindowStacking;

// Keeping the tab and its base bar above other windows. While the switch is on, a once-a-second tick raises
// both again and gives the docking check its turn; off, the tick does not run and both stand among the other
// windows.
class StayOnTop : public QObject {
public:
    StayOnTop(QWidget& tab, QWidget& base, WindowStacking* stacking, Preferences& prefs,
              std::function<void()> dockCheck, std::function<void()> afterRaise);

    bool on() const { return prefs_[Preferences::OnTop] == 1; }
    // Applies the stored switch at start-up (the tick runs only while it is on).
    void applyAtStart();
    // Flips the switch and stores it.
    void toggle();
    // Stacks both windows as the switch says.
    void restack();

    Timer& tmrOnTop() { return *tmrOnTop_; }

private:
    void tmrOnTop_Timer();
    void setTopMost(bool on);

    QWidget& tab_;
    QWidget& base_;
    WindowStacking* stacking_;
    Preferences& prefs_;
    std::function<void()> dockCheck_;
    std::function<void()> afterRaise_;
    Timer* tmrOnTop_;
};
