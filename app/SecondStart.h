// SPDX-License-Identifier: MIT
#pragma once

#include <QStringList>

class Instances;

// A start of the program while another instance runs. The later start touches nothing of its own: started
// with --toggle it tells the running one to toggle its tab; otherwise, or when the running one does not
// listen, it brings the running one's windows to the front in the order given (the last title highest, as the
// running one stacks them). Another instance counts as running when it holds the single-instance lock or when
// its tab window is found on the display.
namespace SecondStart {
// True when another instance runs and this start has handed over to it (and must end at once). False when
// this is the only one, which then holds the lock; also false without `instances`.
bool handOver(Instances* instances, bool toggleRequested, const QStringList& windowTitles);
} // namespace SecondStart
