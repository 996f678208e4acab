// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <functional>

class QWidget;

// Services of the form runtime that are not widgets.
namespace Runtime {
// Dispatches every pending event (pointer, key, timer, paint), flushes the requests to the display server and
// returns to the caller.
void DoEvents();
// Flushes the requests queued for the display server; set by the platform layer.
std::function<void()>& flushHook();

// Message box flags and answers.
constexpr int kOkOnly = 0;
constexpr int kYesNo = 4;
constexpr int kQuestion = 32;
constexpr int kExclamation = 48;
constexpr int kAnswerOk = 1;
constexpr int kAnswerYes = 6;
constexpr int kAnswerNo = 7;

// A modal message box; answers 6 (Yes), 7 (No) or 1 (OK). Its watchers are told while it shows.
int MsgBox(QWidget* parent, const QString& text, int flags, const QString& title);

// The program's dialogs (every message box, the link editor) tell the watchers when they show and when they
// go, so that windows kept above the others can stand aside for them.
using DialogWatcher = std::function<void(QWidget* dialog, bool showing)>;
// Adds a watcher; answers the number that removes it again.
int watchDialogs(DialogWatcher watcher);
void unwatchDialogs(int number);
// Called by a dialog as it shows (true) and as it goes (false).
void dialogShowing(QWidget* dialog, bool showing);
} // namespace Runtime
