// SPDX-License-Identifier: MIT
#pragma once

#include "app/AppState.h"
#include "app/frmMain.h"
#include "core/Timer.h"
#include "links/frmInput.h"
#include "panel/Hotkeys.h"
#include "panel/LinkPanel.h"
#include "support/SoundRecorder.h"
#include "tab/SoundCues.h"
#include "tab/StayOnTop.h"
#include "tab/TabMotion.h"
#include "tab/frmBase.h"
#include "web/UpdateCheck.h"

#include <QMap>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>
#include <memory>
#include <optional>

class frmMain;

// A fresh program for one test: a temporary program folder (data/sounds copied from the build, data/links
// empty), a temporary per-user store, and the real platform services of this desktop (X11, PulseAudio, the
// recording xdg-open of tests/desktop.sh), except single-instance detection, which would see the test process
// itself on the second window it builds.
class TestProgram {
public:
    // The program's clock for the test: fast runs its pauses, slides and timers at a tenth of their time (a
    // one-second pause takes 100 ms, the fifteen-second retract 1.5 s); real keeps the times a user feels.
    enum class Pace { Fast, Real };
    static constexpr double kFastPace = 0.1;

    explicit TestProgram(Pace pace = Pace::Fast);
    ~TestProgram();

    AppState& state() { return *state_; }
    QString programFolder() const { return program_.path(); }
    QString configFolder() const { return config_.path(); }
    QString storeFile() const;
    QString linkFile() const;

    // The per-user store, as the file holds it now.
    QMap<QString, QString> store() const;
    void setStore(const QMap<QString, QString>& values);
    void writeLinks(const QByteArray& iniText);

    // Builds the tab window and runs its start-up; the test fails when the window does not come on screen.
    frmMain& start();
    frmMain& tab() { return *tab_; }

private:
    QTemporaryDir program_;
    QTemporaryDir config_;
    std::unique_ptr<AppState> state_;
    std::unique_ptr<frmMain> tab_;
};

// What the recording xdg-open was given, one address per call.
QStringList openedAddresses();
void clearOpenedAddresses();
// Waits up to `ms` for the recording xdg-open to have been called `count` times.
bool waitForOpened(int count, int ms = 5000);

// Real pointer and keyboard input through XTest. A pointer call returns once the events it caused have been
// handled in this process: a button event over a window of ours once a widget has had it, a move once the X
// server's events that came before it have been dispatched. A key call returns as soon as the server has it,
// so that keys pressed one after another go down between two scans of the number pad; `handled()` waits for
// them.
namespace RealInput {
void moveTo(QPoint screenPixel);
void press(int button = 1);
void release(int button = 1);
// Releases a button while another program holds the pointer (a drag it started): nothing comes here directly.
void releaseFromGrab(int button = 1);
// Waits (up to `ms`) until the events the X server has produced for this process so far have been dispatched.
[[nodiscard]] bool handled(int ms = 5000);
// Waits (up to `ms`) until a client holds the keyboard grab, as a popup menu takes it to have every key.
[[nodiscard]] bool waitForKeyboardGrab(int ms = 5000);
void click(QPoint screenPixel, int button = 1);
void key(unsigned long keysym, bool down);
void tapKey(unsigned long keysym);
// Waits (up to `ms`) until the X server gives the keyboard to `window`'s top-level window, as it must before
// keys are typed for it: Qt may take a window for active a moment before the server's focus moves there.
[[nodiscard]] bool waitForKeyboard(const QWidget* window, int ms = 5000);
// Locks or unlocks NumLock. A fresh TestProgram starts with it on, so the number-pad keys type digits.
void setNumLock(bool on);
} // namespace RealInput

// Dispatches events until `done` holds or `ms` pass; returns whether it held.
bool waitUntil(const std::function<bool()>& done, int ms = 5000);
// Dispatches events for `ms`.
void settle(int ms);
// Dispatches events for `ms` of the program's clock: a tenth of the time at the fast pace. For checks that
// something the program's timers or pauses would do does not happen within that time.
void settleProgramTime(int ms);

// The window holding the keyboard, as the X server reports it.
qulonglong focusOwner();
// Focuses an X window as the window manager does when the user clicks it; false when it did not take the
// keyboard.
bool focusWindow(qulonglong id);

// A window of another program (xmessage), managed by the window manager, for as long as the object lives.
class OtherProgramWindow {
public:
    OtherProgramWindow(const QString& title, QPoint at);
    ~OtherProgramWindow();
    qulonglong id() const { return id_; }
    bool focus() const { return focusWindow(id_); }

private:
    std::unique_ptr<QProcess> process_;
    qulonglong id_ = 0;
};

// Screen pixel of a point of a widget (its centre by default).
QPoint screenPoint(const QWidget* widget, std::optional<QPoint> local = std::nullopt);

// Slides the tab out through its own motion and waits until it stands open at full height, its motion at
// rest: its buttons, selectors and switches are on screen and the number-pad scan runs.
[[nodiscard]] bool slideOut(frmMain& tab);

// Shows the link editor for a slot of the current page as a click on its light does, and waits until it is
// active and centred on the screen.
[[nodiscard]] bool showEditor(frmMain& tab, int slot = 0);
