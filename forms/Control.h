// SPDX-License-Identifier: MIT
#pragma once

#include <QAccessible>
#include <QString>
#include <QWidget>
#include <functional>

class AccessibleGroup;

// A widget of a form, placed in twips relative to its parent, with the form runtime's pointer events:
// press, move and release carry the button (1 left, 2 right, 4 middle), the shift state (1 Shift, 2 Ctrl,
// 4 Alt) and X, Y in twips relative to the widget; a click follows the release of a left press that ends over
// the widget. Qt's implicit grab delivers the moves and the release to the pressed widget even when the
// pointer leaves it. A disabled or hidden widget receives no pointer events.
class Control : public QWidget {
    // The class name is what the accessibility factory is asked about first (forms/Accessibility.cpp).
    Q_OBJECT
public:
    using PointerHandler = std::function<void(int button, int shift, double x, double y)>;
    enum class Pointer { Arrow, Hand };

    Control(QWidget* parent, int left, int top, int width, int height);

    int Left() const { return left_; }
    int Top() const { return top_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    void setGeometryTwips(int left, int top, int width, int height);

    void setPointer(Pointer pointer);
    Pointer pointer() const { return pointer_; }

    PointerHandler onMouseDown;
    PointerHandler onMouseMove;
    PointerHandler onMouseUp;
    std::function<void()> onClick;

    // The shared pointing-hand cursor (hot spot at the tip of the index finger).
    static QCursor handCursor();

    // ---- what assistive technology is told (forms/Accessibility.cpp gives each kind of control its
    // interface). The form describes each control once and keeps the texts and states current; every change
    // is announced to the accessibility bus. A control without a role is decoration: a screen reader does not
    // see it (nor anything inside it).
    struct Accessibility {
        QAccessible::Role role = QAccessible::NoRole;
        QString name;
        QString description;
        bool checkable = false;
        bool checked = false;
        bool selectable = false;
        bool selected = false;
        // A stop of the keyboard's path through the form (the keyboard moves the focus there itself).
        bool keyboardStop = false;
        AccessibleGroup* group = nullptr;
    };
    const Accessibility& accessibility() const { return access_; }
    void setAccessibleRole(QAccessible::Role role);
    void setAccessibleTexts(const QString& name, const QString& description = {});
    // Makes the control a toggle with this state.
    void setAccessibleChecked(bool checked);
    // Makes the control one of a set to choose from (a page tab), with this state.
    void setAccessibleSelected(bool selected);
    void setKeyboardStop(bool stop);
    // Makes the control a member of a group that assistive technology sees as one node (a page tab list).
    void joinAccessibleGroup(AccessibleGroup& group);
    // What the control's one action does. Without one, the action is the click a pointer would make: press,
    // release and click with the left button at the control's centre, through the same handlers.
    void setAction(std::function<void()> action) { action_ = std::move(action); }
    // Runs the action (Enter or Space on the focused control, or a screen reader's request); false when the
    // control is hidden or disabled and nothing ran. A dialog the action opens gives the keyboard back to
    // this control when it closes (FocusReturn).
    bool activate();
    // Gives a control the bus has not been told of yet its role and name, without telling it: a name change
    // reaches the bus without its text (Qt 6.4), and a reader that kept it would read the node as unnamed.
    void describeQuietly(QAccessible::Role role, const QString& name) {
        access_.role = role;
        access_.name = name;
    }
    // Called each time assistive technology asks for the control's children, until set to nothing again: a
    // screen reader (Orca) does so as it takes up a control that gained the focus, before it reads it out.
    void setChildrenAsked(std::function<void()> asked) { childrenAsked_ = std::move(asked); }
    void childrenAsked() const {
        if (childrenAsked_)
            childrenAsked_();
    }

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

protected:
    // Tells the accessibility bus that something of this control changed.
    void announce(QAccessible::Event event);

private:
    int left_, top_, width_, height_;
    Pointer pointer_ = Pointer::Arrow;
    Accessibility access_;
    std::function<void()> action_;
    std::function<void()> childrenAsked_;
};

// Translates a Qt mouse event into the form runtime's button, shift and twips arguments and calls `handler`.
void deliverPointer(const Control::PointerHandler& handler, const QMouseEvent* event,
                    bool forRelease = false);
