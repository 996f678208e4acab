// SPDX-License-Identifier: MIT
#include "DropTarget.h"

#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMetaObject>

DropTarget::DropTarget(Tab tab) : tab_(std::move(tab)) {
    tmrDropHover_ = new Timer(this, 500, false, [this] { tmrDropHover_Timer(); });
}

bool DropTarget::takes(const QDropEvent* event) const {
    // Only a copy is taken, so the dragging program never removes what it offered.
    return !tab_.blocked() && (event->possibleActions() & Qt::CopyAction) &&
           LinkDrop::read(event->mimeData()).has_value();
}

void DropTarget::dragEnter(QDragMoveEvent* event) {
    // A drag that carries an address is welcome anywhere on the tab, even where it cannot be dropped (the
    // header): an entry the tab refused would get no more moves, so a drag that came back in across the
    // header could no longer reach a row. Where it is dropped decides, move by move and on the drop.
    if (answer(event)) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void DropTarget::dragMove(QDragMoveEvent* event) {
    answer(event);
}

bool DropTarget::answer(QDragMoveEvent* event) {
    // Every answer is given afresh: the toolkit hands a move the previous move's answer.
    const QPoint position = event->position().toPoint();
    const bool take = takes(event);
    const int row = take ? tab_.rowAt(position) : -1;
    const bool onStrip = take && row < 0 && tab_.onRetractedStrip(position);
    // Enabling the running timer leaves its count alone: the half second counts from the arrival on the
    // strip.
    tmrDropHover_->setEnabled(onStrip);
    if (row >= 0)
        tab_.highlight(row);
    if (row >= 0 || onStrip) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
    return take;
}

void DropTarget::dragLeave(QDragLeaveEvent* event) {
    tmrDropHover_->setEnabled(false);
    event->accept();
}

void DropTarget::tmrDropHover_Timer() {
    tmrDropHover_->setEnabled(false);
    if (!tab_.blocked())
        tab_.slideOut();
}

void DropTarget::drop(QDropEvent* event) {
    tmrDropHover_->setEnabled(false);
    const std::optional<LinkDrop::Link> link =
        takes(event) ? LinkDrop::read(event->mimeData()) : std::nullopt;
    const int row = link ? tab_.rowAt(event->position().toPoint()) : -1;
    if (row < 0) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    // The editor opens once the drop is over, so that the dragging program has its answer first.
    QMetaObject::invokeMethod(
        this, [this, row, texts = *link] { tab_.edit(row, texts); }, Qt::QueuedConnection);
}
