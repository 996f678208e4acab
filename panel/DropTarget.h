// SPDX-License-Identifier: MIT
#pragma once

#include "../core/LinkDrop.h"
#include "../core/Timer.h"

#include <QObject>
#include <QPoint>
#include <functional>
#include <optional>
#include <utility>

class QDragLeaveEvent;
class QDragMoveEvent;
class QDropEvent;
class QWidget;

// A link dragged onto the tab: from another program, or one of the tab's own rows.
//
// From another program: Held on the retracted strip for half a second, the drag
// slides the tab out (tmrDropHover); over a link row it highlights the row, and dropped there it opens the
// link editor for that row with the address and title. Only a copy of something that carries an address is
// taken (see LinkDrop), and nothing while the tab's handlers are held (the editor shows).
//
// A row of the open tab dragged onto another row moves its link there (the two change places when both hold
// one); dropped onto a page selector, it moves to that page's first free slot. The drag also carries the
// address, so a row dropped on another program gives it the link.
//
// The tab window owns the drag events and hands them over; what the target needs of the tab comes through the
// callbacks.
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
        // The page selector under a point of the tab window, or -1.
        std::function<int(QPoint)> pageAt;
        // A row of page `page` dropped onto row `toRow` of the same page, or onto page selector `toPage`.
        std::function<void(int page, int row, int toRow)> moveToRow;
        std::function<void(int page, int row, int toPage)> moveToPage;
    };

    explicit DropTarget(Tab tab);

    void dragEnter(QDragMoveEvent* event);
    void dragMove(QDragMoveEvent* event);
    void dragLeave(QDragLeaveEvent* event);
    void drop(QDropEvent* event);

    // Drags row `row` of page `page` (holding `link`) from `source`; returns once it is dropped or given up.
    void dragRow(QWidget* source, int page, int row, const LinkDrop::Link& link);
    bool draggingRow() const { return draggingRow_; }

    Timer& tmrDropHover() { return *tmrDropHover_; }

    // The type of the data that names a dragged row ("page,row").
    static constexpr char kRowFormat[] = "application/x-brimvel-row";

private:
    bool takes(const QDropEvent* event) const;
    // The page and row a drag from one of the tab's own rows carries, when it is one.
    static std::optional<std::pair<int, int>> draggedRow(const QDropEvent* event);
    // Answers a move (highlight, strip timer, accepted or not); true when the drag carries an address.
    bool answer(QDragMoveEvent* event);
    void tmrDropHover_Timer();

    Tab tab_;
    Timer* tmrDropHover_;
    bool draggingRow_ = false;
};
