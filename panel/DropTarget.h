// SPDX-License-Identifier: MIT
#pragma once

#include "../core/LinkDrop.h"
#include "../core/Timer.h"

#include <QObject>
#include <QPoint>
#include <functional>

class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;

// A link dragged from another program onto the tab. Held on the retracted strip for half a second, the drag
// slides the tab out (tmrDropHover); over a link row it highlights the row, and dropped there it opens the
// link editor for that row with the address and title. Only a copy of something that carries an address is
// taken (see LinkDrop), and nothing while the tab's handlers are held (the editor shows). The tab window owns
// the drag events and hands them over; what the target needs of the tab comes through the callbacks.
class DropTarget : public QObject {
public:
    struct Tab {
        // True while the tab takes no drops (the link editor shows).
        std::function<bool()> blocked;
        // The link row under a point of the tab window, or -1.
        std::function<int(QPoint)> rowAt;
        // True when the point is on the strip of the retracted tab.
        std::function<bool(QPoint)> onRetractedStrip;
        // Gives row `row` its highlighted look.
        std::function<void(int row)> highlight;
        // Slides the tab out, unless it moves or is out already.
        std::function<void()> slideOut;
        // Opens the link editor for `row` with the dropped texts.
        std::function<void(int row, const LinkDrop::Link& link)> edit;
    };

    explicit DropTarget(Tab tab);

    void dragEnter(QDragMoveEvent* event);
    void dragMove(QDragMoveEvent* event);
    void dragLeave(QDragLeaveEvent* event);
    void drop(QDropEvent* event);

    Timer& tmrDropHover() { return *tmrDropHover_; }

private:
    bool takes(const QDropEvent* event) const;
    // Answers a move (highlight, strip timer, accepted or not); true when the drag carries an address.
    bool answer(QDragMoveEvent* event);
    void tmrDropHover_Timer();

    Tab tab_;
    Timer* tmrDropHover_;
};
