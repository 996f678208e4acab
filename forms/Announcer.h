// SPDX-License-Identifier: MIT
#pragma once

#include "Control.h"

// Says a short message to a screen reader: what was done (a link removed, moved or saved) or what changed
// out of sight (another page shown). The toolkit's bridge to the desktop's accessibility bus (Qt 6.4 on
// Linux) carries no announcement: it drops alert events and tells of a changed name without the new text.
// What a screen reader does voice on its own is a notification coming into view, so the message is the name
// of a notification node that is shown to assistive technology for it. Nothing shows on screen: the node has
// no size and lies beneath the form's other controls.
class Announcer : public Control {
public:
    explicit Announcer(QWidget* form);

    // Says `text` now.
    void say(const QString& text);
    // The last message said.
    const QString& lastMessage() const { return last_; }

private:
    QString last_;
};
