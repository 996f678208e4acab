// SPDX-License-Identifier: MIT
#include "LinkMenu.h"

#include <QAction>
#include <QMenu>
#include <QMetaObject>

#include "../forms/FocusReturn.h"
#include "../forms/Runtime.h"

namespace LinkMenu {

void show(QWidget* parent, QPoint where, bool holdsLink, int currentPage,
          std::function<void(Answer)> answered) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("linkMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    QAction* edit = menu->addAction(QStringLiteral("&Edit…"));
    QAction* remove = menu->addAction(QStringLiteral("&Remove"));
    remove->setEnabled(holdsLink);
    QMenu* pages = menu->addMenu(QStringLiteral("&Move to page"));
    pages->setObjectName(QStringLiteral("movePageMenu"));
    pages->setEnabled(holdsLink);
    for (int page = 0; page < 9; ++page) {
        QAction* action = pages->addAction(QStringLiteral("Page &%1").arg(page + 1));
        action->setData(page);
        action->setEnabled(page != currentPage);
    }

    // The choice comes just after the menu hides; the answer goes out once, from the event loop, so that
    // what it leads to (a question, the editor) never runs inside the menu's own handling.
    auto answer = std::make_shared<Answer>();
    QObject::connect(menu, &QMenu::triggered, menu, [=](QAction* action) {
        if (action == edit)
            *answer = {Choice::Edit, -1};
        else if (action == remove)
            *answer = {Choice::Remove, -1};
        else
            *answer = {Choice::MoveToPage, action->data().toInt()};
    });
    // The menu counts as one of the program's dialogs until what it led to is over, so that a question it
    // asks follows on from it (and the keyboard goes back to the row only after that).
    QObject::connect(menu, &QMenu::aboutToHide, menu, [=] {
        QMetaObject::invokeMethod(
            menu,
            [=] {
                answered(*answer);
                Runtime::dialogShowing(menu, false);
            },
            Qt::QueuedConnection);
    });
    // The tab keeps itself above other windows; while the menu and its page list show, it stands below them
    // as below any of the program's dialogs.
    QObject::connect(pages, &QMenu::aboutToShow, pages, [pages] { Runtime::dialogShowing(pages, true); });
    QObject::connect(pages, &QMenu::aboutToHide, pages, [pages] { Runtime::dialogShowing(pages, false); });
    Runtime::dialogShowing(menu, true);
    menu->popup(where);
    // Opened from the keyboard (or by assistive technology), the menu starts on its first item, which a
    // screen reader reads out at once.
    if (FocusReturn::opening())
        menu->setActiveAction(edit);
}

} // namespace LinkMenu
