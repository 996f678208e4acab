// SPDX-License-Identifier: MIT
#include "Announcer.h"

#include "Control.h"

#include <QAccessible>
#include <QApplication>
#include <QEvent>
#include <QTimer>

Announcer::Announcer(QWidget* form, std::function<bool()> holdWhile)
    : QObject(form), form_(*form), holdWhile_(std::move(holdWhile)), cap_(new QTimer(this)) {
    cap_->setSingleShot(true);
    cap_->setInterval(kReadingMs);
    connect(cap_, &QTimer::timeout, this, [this] { done(); });
    // A message waits while the form does not hold the keyboard (a dialog that is closing still has it).
    form_.installEventFilter(this);
}

Announcer::~Announcer() {
    delete node_.data();
}

void Announcer::say(const QString& text) {
    last_ = text;
    if (!QAccessible::isActive())
        return;
    queue_.append(text);
    next();
}

void Announcer::next() {
    if (node_ || queue_.isEmpty() || !form_.isActiveWindow() || (holdWhile_ && holdWhile_()))
        return;
    back_ = form_.focusWidget();
    auto* node = new Control(&form_, 0, 0, 0, 0);
    node->setAttribute(Qt::WA_TransparentForMouseEvents);
    node->setMouseTracking(false);
    current_ = queue_.takeFirst();
    interrupted_ = false;
    asked_ = false;
    node->describeQuietly(QAccessible::StaticText, current_);
    node->lower();
    // Keys typed while the message is read are the form's, as if the focus had not moved.
    node->installEventFilter(this);
    node->show();
    node_ = node;
    node->setFocus(Qt::OtherFocusReason);
    // Once the screen reader has taken up the focus, the focus may go back: it reads out what it took up.
    node->setChildrenAsked([this] {
        asked_ = true;
        QTimer::singleShot(0, this, [this] { done(); });
    });
    cap_->start();
}

void Announcer::done() {
    if (!node_)
        return;
    cap_->stop();
    Control* node = node_;
    node_.clear();
    // The focus was taken from the message before a screen reader got to it (the keyboard coming back from a
    // dialog a moment late, on a busy machine): it is said again once the form holds the keyboard.
    if (interrupted_ && !asked_ && retries_ < kRetries) {
        ++retries_;
        queue_.prepend(current_);
    } else {
        retries_ = 0;
    }
    node->setChildrenAsked(nullptr);
    if (node->hasFocus() && back_)
        back_->setFocus(Qt::OtherFocusReason);
    // A screen reader on a busy machine may get to the focus event after the focus has gone back: the node
    // stays a while, out of the focus chain, so that it still reads the message and not a nameless object.
    node->setFocusPolicy(Qt::NoFocus);
    QTimer::singleShot(kKeptMs, node, &QObject::deleteLater);
    next();
}

bool Announcer::eventFilter(QObject* watched, QEvent* event) {
    if (watched == node_.data() &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease ||
         event->type() == QEvent::ShortcutOverride)) {
        QWidget* to = back_ ? back_.data() : &form_;
        QApplication::sendEvent(to, event);
        return true;
    }
    if (watched == node_.data() && event->type() == QEvent::FocusOut && !interrupted_) {
        interrupted_ = true;
        QTimer::singleShot(0, this, [this] { done(); });
    }
    if (watched == &form_ && event->type() == QEvent::WindowActivate && !queue_.isEmpty())
        QTimer::singleShot(0, this, [this] { next(); });
    return QObject::eventFilter(watched, event);
}
