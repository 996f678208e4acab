// SPDX-License-Identifier: MIT
#pragma once

#include <QPoint>
#include <functional>

class QWidget;

// The menu of a link row, opened by a right-click on the row (or the Menu key on a focused row):
// "Edit…", "Remove", "Move to page" with the nine pages. It only asks; the tab does what was chosen.
namespace LinkMenu {

enum class Choice { None, Edit, Remove, MoveToPage };

struct Answer {
    Choice choice = Choice::None;
    int page = -1; // for MoveToPage: 0..8
};

// Shows the menu at `where` (global) and returns at once; `answered` is called once the menu has closed,
// from the event loop, with what was chosen (None when it was closed without a choice). An empty slot can
// only be edited; the page shown is not offered as a page to move to.
void show(QWidget* parent, QPoint where, bool holdsLink, int currentPage,
          std::function<void(Answer)> answered);

} // namespace LinkMenu
