// SPDX-License-Identifier: MIT
#include "Accessibility.h"

#include "AccessibleGroup.h"
#include "Control.h"
#include "Form.h"
#include "ImageArea.h"
#include "Label.h"
#include "PictureBox.h"

#include <QAccessibleObject>
#include <QAccessibleWidget>
#include <QTimer>
#include <algorithm>
#include <vector>

namespace {

// The nodes assistive technology sees under a widget: its child widgets in order, with decoration (a control
// without a role) left out and the members of a group standing as the group's one node.
std::vector<QObject*> nodesUnder(const QWidget* widget) {
    std::vector<QObject*> nodes;
    for (QObject* object : widget->children()) {
        auto* child = qobject_cast<QWidget*>(object);
        if (!child || child->isWindow())
            continue;
        if (const auto* control = qobject_cast<Control*>(child)) {
            if (control->accessibility().role == QAccessible::NoRole)
                continue;
            if (AccessibleGroup* group = control->accessibility().group) {
                if (std::find(nodes.begin(), nodes.end(), group) == nodes.end())
                    nodes.push_back(group);
                continue;
            }
        }
        nodes.push_back(child);
    }
    return nodes;
}

int indexIn(const std::vector<QObject*>& nodes, const QAccessibleInterface* child) {
    if (!child)
        return -1;
    const auto at = std::find(nodes.begin(), nodes.end(), child->object());
    return at == nodes.end() ? -1 : static_cast<int>(at - nodes.begin());
}

// A widget whose children are read through nodesUnder.
class WidgetNode : public QAccessibleWidget {
public:
    using QAccessibleWidget::QAccessibleWidget;

    int childCount() const override { return static_cast<int>(nodesUnder(widget()).size()); }
    QAccessibleInterface* child(int index) const override {
        const std::vector<QObject*> nodes = nodesUnder(widget());
        if (index < 0 || index >= static_cast<int>(nodes.size()))
            return nullptr;
        return QAccessible::queryAccessibleInterface(nodes[static_cast<size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        return indexIn(nodesUnder(widget()), child);
    }
};

// A window of the program.
class FormAccessible : public WidgetNode {
public:
    explicit FormAccessible(Form* form) : WidgetNode(form, form->accessibleRole()) {}

    QAccessible::Role role() const override { return static_cast<Form*>(widget())->accessibleRole(); }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Name) {
            const QString name = widget()->accessibleName();
            return name.isEmpty() ? widget()->windowTitle() : name;
        }
        return WidgetNode::text(t);
    }
};

// A control: picture boxes and image areas, and the base of the label's interface.
// QAccessibleWidget is already the action interface of its widget.
class ControlAccessible : public WidgetNode {
public:
    explicit ControlAccessible(Control* control) : WidgetNode(control) {}

    Control* control() const { return static_cast<Control*>(widget()); }

    int childCount() const override {
        control()->childrenAsked();
        return WidgetNode::childCount();
    }
    QAccessible::Role role() const override { return control()->accessibility().role; }
    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return control()->accessibility().name;
        case QAccessible::Description:
            return control()->accessibility().description;
        default:
            return {};
        }
    }
    QAccessible::State state() const override {
        QAccessible::State s = WidgetNode::state();
        const Control::Accessibility& a = control()->accessibility();
        s.checkable = a.checkable;
        s.checked = a.checkable && a.checked;
        s.selectable = a.selectable;
        s.selected = a.selectable && a.selected;
        s.focusable = a.keyboardStop;
        return s;
    }
    QAccessibleInterface* parent() const override {
        if (AccessibleGroup* group = control()->accessibility().group)
            return QAccessible::queryAccessibleInterface(group);
        return WidgetNode::parent();
    }
    // One action: a toggle toggles, anything else is pressed. Decoration and a disabled control have none.
    QStringList actionNames() const override {
        const Control::Accessibility& a = control()->accessibility();
        if (a.role == QAccessible::NoRole || a.role == QAccessible::StaticText || !control()->isEnabled())
            return {};
        return {a.checkable ? toggleAction() : pressAction()};
    }
    void doAction(const QString& actionName) override {
        if (!actionNames().contains(actionName))
            return;
        // The action may pause or show a message box, each with an event loop of its own: it runs once the
        // request has had its answer.
        Control* target = control();
        QTimer::singleShot(0, target, [target] { target->activate(); });
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }
};

// A label reads as its caption unless the form names it.
class LabelAccessible : public ControlAccessible {
public:
    explicit LabelAccessible(Label* label) : ControlAccessible(label) {}

    QString text(QAccessible::Text t) const override {
        const QString given = ControlAccessible::text(t);
        if (t == QAccessible::Name && given.isEmpty())
            return static_cast<Label*>(widget())->Caption();
        return given;
    }
};

// A group of controls seen as one node.
class GroupAccessible : public QAccessibleObject {
public:
    explicit GroupAccessible(AccessibleGroup* group) : QAccessibleObject(group) {}

    AccessibleGroup* group() const { return static_cast<AccessibleGroup*>(object()); }

    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(group()->form());
    }
    int childCount() const override { return static_cast<int>(group()->members().size()); }
    QAccessibleInterface* child(int index) const override {
        const auto& members = group()->members();
        if (index < 0 || index >= static_cast<int>(members.size()))
            return nullptr;
        return QAccessible::queryAccessibleInterface(members[static_cast<size_t>(index)]);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        if (!child)
            return -1;
        const auto& members = group()->members();
        const auto at = std::find(members.begin(), members.end(), child->object());
        return at == members.end() ? -1 : static_cast<int>(at - members.begin());
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < childCount(); ++i) {
            QAccessibleInterface* member = child(i);
            if (member && member->rect().contains(x, y))
                return member;
        }
        return nullptr;
    }
    QRect rect() const override {
        QRect area;
        for (int i = 0; i < childCount(); ++i) {
            if (QAccessibleInterface* member = child(i))
                area |= member->rect();
        }
        return area;
    }
    QWindow* window() const override { return group()->form()->windowHandle(); }
    QAccessible::Role role() const override { return group()->role(); }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? group()->name() : QString();
    }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.invisible = !group()->form()->isVisible();
        return s;
    }
};

QAccessibleInterface* interfaceFor(const QString&, QObject* object) {
    if (auto* group = qobject_cast<AccessibleGroup*>(object))
        return new GroupAccessible(group);
    if (auto* form = qobject_cast<Form*>(object))
        return new FormAccessible(form);
    if (auto* label = dynamic_cast<Label*>(object))
        return new LabelAccessible(label);
    // Picture boxes, image areas, and plain controls such as the text nodes that carry spoken messages.
    if (auto* control = qobject_cast<Control*>(object))
        return new ControlAccessible(control);
    return nullptr;
}

} // namespace

void Accessibility::install() {
    static const bool installed = [] {
        QAccessible::installFactory(interfaceFor);
        return true;
    }();
    (void)installed;
}
