// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessible>
#include <QObject>
#include <QString>
#include <vector>

class Control;

// Controls that assistive technology sees under one node of their own (the page selectors as a page tab list)
// while they stay where they are among the form's widgets. Owned by the form; the members join it
// (Control::joinAccessibleGroup), in the order they are read.
class AccessibleGroup : public QObject {
    Q_OBJECT
public:
    AccessibleGroup(QWidget* form, QAccessible::Role role, const QString& name);

    QWidget* form() const;
    QAccessible::Role role() const { return role_; }
    const QString& name() const { return name_; }
    const std::vector<Control*>& members() const { return members_; }
    void add(Control* member) { members_.push_back(member); }

private:
    QAccessible::Role role_;
    QString name_;
    std::vector<Control*> members_;
};
