// SPDX-License-Identifier: MIT
#include "KeyboardFocus.h"

#include "../forms/FocusRing.h"
#include "../forms/Form.h"
#include "../forms/PictureBox.h"

#include <QAccessibleEvent>
#include <QKeyEvent>
#include <algorithm>

KeyboardFocus::KeyboardFocus(Form& form, FocusRing& ring, Stops stops, Hooks hooks)
    : QObject(&form), form_(form), ring_(ring), stops_(std::move(stops)), hooks_(std::move(hooks)) {
    // Keys reach the focused control first, or the window when nothing has the focus.
    form_.installEventFilter(this);
    auto mark = [this](Control* stop) {
        stop->setKeyboardStop(true);
        stop->installEventFilter(this);
    };
    for (PictureBox* row : stops_.rows)
        mark(row);
    for (PictureBox* page : stops_.pages)
        mark(page);
    for (Control* other : stops_.others)
        mark(other);
}

bool KeyboardFocus::ringShown() const {
    return ring_.isVisible();
}

void KeyboardFocus::opened(bool fromKeyboard) {
    open_ = true;
    focused_ = nullptr;
    lastRow_ = 0;
    ring_.surround(nullptr);
    if (fromKeyboard)
        focus(stops_.rows[0]);
}

void KeyboardFocus::closed() {
    open_ = false;
    tellOnActivation_ = false;
    focused_ = nullptr;
    ring_.surround(nullptr);
}

void KeyboardFocus::focus(Control* control) {
    focused_ = control;
    const int row = rowOf(control);
    if (row >= 0)
        lastRow_ = row;
    control->setFocus(Qt::TabFocusReason);
    ring_.surround(control);
}

void KeyboardFocus::giveBack(Control* control) {
    if (!open_)
        return;
    focus(control && control->isVisible() && control->isEnabled() ? control : stops_.rows[0]);
    // The screen reader hears where the focus landed once the tab is the active window again.
    if (form_.isActiveWindow())
        tellFocus();
    else
        tellOnActivation_ = true;
}

void KeyboardFocus::tellFocus() {
    tellOnActivation_ = false;
    if (!focused_)
        return;
    QAccessibleEvent event(focused_, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

int KeyboardFocus::rowOf(const Control* control) const {
    const auto at = std::find(stops_.rows.begin(), stops_.rows.end(), control);
    return at == stops_.rows.end() ? -1 : static_cast<int>(at - stops_.rows.begin());
}

std::vector<Control*> KeyboardFocus::tabPath() const {
    std::vector<Control*> path{stops_.rows[static_cast<size_t>(lastRow_)]};
    const int page = hooks_.currentPage ? hooks_.currentPage() : 0;
    if (page >= 0 && page < static_cast<int>(stops_.pages.size()))
        path.push_back(stops_.pages[static_cast<size_t>(page)]);
    for (Control* other : stops_.others) {
        if (other->isVisible() && other->isEnabled())
            path.push_back(other);
    }
    return path;
}

void KeyboardFocus::step(bool forward) {
    const std::vector<Control*> path = tabPath();
    auto at = std::find(path.begin(), path.end(), focused_);
    // A page selector that is no longer the page shown counts as the page stop.
    if (at == path.end() &&
        std::find(stops_.pages.begin(), stops_.pages.end(), focused_) != stops_.pages.end())
        at = path.begin() + 1;
    const int n = static_cast<int>(path.size());
    const int here = at == path.end() ? 0 : static_cast<int>(at - path.begin());
    focus(path[static_cast<size_t>((here + (forward ? 1 : n - 1)) % n)]);
}

void KeyboardFocus::changePage(int by) {
    if (!hooks_.currentPage)
        return;
    const int count = static_cast<int>(stops_.pages.size());
    const int page = hooks_.currentPage() + by;
    if (page < 0 || page >= count)
        return;
    PictureBox* selector = stops_.pages[static_cast<size_t>(page)];
    const bool onPages = std::find(stops_.pages.begin(), stops_.pages.end(), focused_) != stops_.pages.end();
    // The page changes as a click on its selector changes it.
    selector->activate();
    if (onPages)
        focus(selector);
}

bool KeyboardFocus::keyPressed(const QKeyEvent& key) {
    if (!open_)
        return false;
    const bool shift = key.modifiers() & Qt::ShiftModifier;
    const bool plain = !(key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (!plain)
        return false;
    // The number pad's digits belong to the hotkeys (which read the keyboard themselves).
    if ((key.modifiers() & Qt::KeypadModifier) && key.key() >= Qt::Key_0 && key.key() <= Qt::Key_9)
        return false;
    const int row = rowOf(focused_);
    switch (key.key()) {
    case Qt::Key_Escape:
        if (hooks_.close)
            hooks_.close();
        return true;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        // Before the keyboard was used, the first Tab shows where the focus starts.
        if (!focused_)
            focus(stops_.rows[0]);
        else
            step(key.key() == Qt::Key_Tab && !shift);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Home:
    case Qt::Key_End: {
        if (!focused_) {
            focus(stops_.rows[0]);
            return true;
        }
        if (row < 0)
            return true;
        const int last = static_cast<int>(stops_.rows.size()) - 1;
        int next = row;
        if (key.key() == Qt::Key_Up)
            next = std::max(0, row - 1);
        else if (key.key() == Qt::Key_Down)
            next = std::min(last, row + 1);
        else
            next = key.key() == Qt::Key_Home ? 0 : last;
        focus(stops_.rows[static_cast<size_t>(next)]);
        return true;
    }
    case Qt::Key_Left:
    case Qt::Key_Right:
        if (!focused_)
            focus(stops_.rows[0]);
        changePage(key.key() == Qt::Key_Left ? -1 : 1);
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        // Nothing is activated unseen: before the keyboard was used, the key only shows where the focus is.
        if (!focused_)
            focus(stops_.rows[0]);
        else
            focused_->activate();
        return true;
    case Qt::Key_F2:
        if (row >= 0 && hooks_.editRow)
            hooks_.editRow(row);
        return row >= 0;
    case Qt::Key_F10:
        if (!shift)
            return false;
        [[fallthrough]];
    case Qt::Key_Menu:
        if (row >= 0 && hooks_.rowMenu)
            hooks_.rowMenu(row);
        return row >= 0;
    default:
        return false;
    }
}

bool KeyboardFocus::eventFilter(QObject* watched, QEvent* event) {
    if (watched == &form_ && event->type() == QEvent::WindowActivate && tellOnActivation_ && open_)
        tellFocus();
    if (event->type() == QEvent::KeyPress && keyPressed(*static_cast<QKeyEvent*>(event)))
        return true;
    // Tab and Shift+Tab are taken before the widgets' own focus chain sees them.
    if (event->type() == QEvent::ShortcutOverride) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (open_ && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab))
            event->accept();
    }
    return QObject::eventFilter(watched, event);
}
