// SPDX-License-Identifier: MIT
#include "LinkEdits.h"

#include "../core/LinkTable.h"
#include "../forms/Runtime.h"

LinkEdits::LinkEdits(QWidget* parent, Hooks hooks) : parent_(parent), hooks_(std::move(hooks)) {}

int LinkEdits::message(const QString& text, int flags) {
    ++asking_;
    const int answer = Runtime::MsgBox(parent_, text, flags, QStringLiteral("Brimvel"));
    --asking_;
    return answer;
}

void LinkEdits::remove(int page, int row) {
    LinkTable table;
    table.load(hooks_.linkFile());
    if (!table.holdsLink(page, row))
        return;
    const QString name = linkLabel(table, page, row);
    if (message(QStringLiteral("Remove the link \"%1\"?").arg(name), Runtime::kYesNo | Runtime::kQuestion) !=
        Runtime::kAnswerYes)
        return;
    if (report(LinkStore(hooks_.linkFile()).remove(page, row)))
        hooks_.announce(QStringLiteral("Removed %1").arg(name));
}

void LinkEdits::move(int page, int row, int toPage, int toRow) {
    if (page == toPage && row == toRow)
        return;
    LinkTable table;
    table.load(hooks_.linkFile());
    const QString name = linkLabel(table, page, row);
    if (!report(LinkStore(hooks_.linkFile()).swap(page, row, toPage, toRow)))
        return;
    if (toPage != page)
        hooks_.announce(QStringLiteral("Moved %1 to page %2").arg(name).arg(toPage + 1));
    else if (table.holdsLink(toPage, toRow))
        hooks_.announce(QStringLiteral("Swapped %1 with %2").arg(name, linkLabel(table, toPage, toRow)));
    else
        hooks_.announce(QStringLiteral("Moved %1 to link %2").arg(name).arg(toRow + 1));
}

void LinkEdits::moveToPage(int page, int row, int toPage) {
    if (toPage == page || toPage < 0 || toPage >= LinkTable::kPages)
        return;
    LinkTable table;
    table.load(hooks_.linkFile());
    const int slot = table.firstFreeSlot(toPage);
    if (slot < 0) {
        message(QStringLiteral("Page %1 is full").arg(toPage + 1), Runtime::kOkOnly | Runtime::kExclamation);
        return;
    }
    move(page, row, toPage, slot);
}

bool LinkEdits::report(LinkStore::Result result) {
    if (result == LinkStore::Result::Saved) {
        hooks_.saved();
        return true;
    }
    message(
        QStringLiteral("The links could not be saved to %1; the file is as it was.").arg(hooks_.linkFile()),
        Runtime::kOkOnly | Runtime::kExclamation);
    return false;
}

QString LinkEdits::linkLabel(const LinkTable& table, int page, int row) {
    const QString name = table.name(page, row).trimmed();
    return name.isEmpty() ? table.address(page, row) : name;
}

QString LinkEdits::changeSummary(const LinkTable& before, const LinkTable& now) {
    int added = 0, changed = 0;
    for (int page = 0; page < LinkTable::kPages; ++page) {
        for (int row = 0; row < LinkTable::kSlots; ++row) {
            if (now.name(page, row) == before.name(page, row) &&
                now.address(page, row) == before.address(page, row))
                continue;
            ++(before.holdsLink(page, row) ? changed : added);
        }
    }
    const int count = added + changed;
    if (count == 0)
        return {};
    const QString what = changed == 0 ? QStringLiteral("added") : QStringLiteral("changed");
    return count == 1 ? QStringLiteral("1 link %1").arg(what)
                      : QStringLiteral("%1 links %2").arg(count).arg(what);
}
