// SPDX-License-Identifier: MIT
#include "Announcer.h"

#include <QAccessibleEvent>

Announcer::Announcer(QWidget* form) : Control(form, 0, 0, 0, 0) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setMouseTracking(false);
    // Until its first message it is nothing a screen reader lists.
    lower();
}

void Announcer::say(const QString& text) {
    last_ = text;
    setAccessibleRole(QAccessible::Notification);
    setAccessibleTexts(text);
    // The screen reader reads a notification as it comes into view, whatever has the focus.
    announce(QAccessible::ObjectShow);
}
