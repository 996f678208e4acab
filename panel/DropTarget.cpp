// SPDX-License-Identifier: MIT
#include "DropTarget.h"

#include <QDrag>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMetaObject>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

DropTarget::DropTarget(Tab tab) : tab_(std::move(tab)) {
    tmrDropHover_ = new Timer(this, 500, false, [this] { tmrDropHover_Timer(); });
}

std::optional<std::pair<int, int>> DropTarget::draggedRow(const QDropEvent* event) {
    // Only a drag that began in this program names one of its rows.
    if (!event->source() || !event->mimeData()->hasFormat(QLatin1String(kRowFormat)))
        return std::nullopt;
    const QList<QByteArray> parts = event->mimeData()->data(QLatin1String(kRowFormat)).split(',');
    bool pageOk = false;
    bool rowOk = false;
    const int page = parts.size() == 2 ? parts[0].toInt(&pageOk) : -1;
    const int row = parts.size() == 2 ? parts[1].toInt(&rowOk) : -1;
    if (!pageOk || !rowOk)
        return std::nullopt;
    return std::make_pair(page, row);
}

void DropTarget::dragRow(QWidget* source, int page, int row, const LinkDrop::Link& link) {
    auto* data = new QMimeData;
    data->setData(QLatin1String(kRowFormat), QByteArray::number(page) + ',' + QByteArray::number(row));
    data->setUrls({QUrl(link.address)});
    data->setData(QStringLiteral("text/x-moz-url"), (link.address + QLatin1Char('\n') + link.title).toUtf8());
    data->setText(link.address);
    auto* drag = new QDrag(source);
    drag->setMimeData(data);
    draggingRow_ = true;
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    draggingRow_ = false;
}

bool DropTarget::takes(const QDropEvent* event) const {
    if (draggedRow(event))
        return !tab_.blocked();
    // Only a copy is taken, so the dragging program never removes what it offered.
    return !tab_.blocked() && (event->possibleActions() & Qt::CopyAction) &&
           LinkDrop::read(event->mimeData()).has_value();
}

void DropTarget::dragEnter(QDragMoveEvent* event) {
    // A drag that carries an address is welcome anywhere on the tab, even where it cannot be dropped (the
    // header): an entry the tab refused would get no more moves, so a drag that came back in across the
    // header could no longer reach a row. Where it is dropped decides, move by move and on the drop.
    if (answer(event)) {
        event->setDropAction(draggedRow(event) ? Qt::MoveAction : Qt::CopyAction);
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
    if (take && draggedRow(event)) {
        tmrDropHover_->setEnabled(false);
        const int row = tab_.rowAt(position);
        if (row >= 0)
            tab_.highlight(row);
        if (row >= 0 || tab_.pageAt(position) >= 0) {
            event->setDropAction(Qt::MoveAction);
            event->accept();
        } else {
            event->ignore();
        }
        return true;
    }
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
    if (const auto from = draggedRow(event); from && takes(event)) {
        const QPoint position = event->position().toPoint();
        const int row = tab_.rowAt(position);
        const int page = row < 0 ? tab_.pageAt(position) : -1;
        if (row < 0 && page < 0) {
            event->ignore();
            return;
        }
        event->setDropAction(Qt::MoveAction);
        event->accept();
        // The move happens once the drag is over, as the editor opens after a drop from another program.
        QMetaObject::invokeMethod(
            this,
            [this, from = *from, row, page] {
                if (row >= 0)
                    tab_.moveToRow(from.first, from.second, row);
                else
                    tab_.moveToPage(from.first, from.second, page);
            },
            Qt::QueuedConnection);
        return;
    }
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
