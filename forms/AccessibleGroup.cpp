// SPDX-License-Identifier: MIT
#include "AccessibleGroup.h"

#include <QWidget>

AccessibleGroup::AccessibleGroup(QWidget* form, QAccessible::Role role, const QString& name)
    : QObject(form), role_(role), name_(name) {}

QWidget* AccessibleGroup::form() const {
    return static_cast<QWidget*>(parent());
}
