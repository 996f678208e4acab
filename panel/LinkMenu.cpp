// SPDX-License-Identifier: MIT
#include "LinkMenu.h"

#include <QAction>
#include <QMenu>

#include "../forms/Runtime.h"

namespace LinkMenu {

Answer ask(QWidget* parent, QPoint where, bool holdsLink, int currentPage) {
    QMenu menu(parent);
    menu.setObjectName(QStringLiteral("linkMenu"));
    QAction* edit = menu.addAction(QStringLiteral("&Edit…"));
    QAction* remove = menu.addAction(QStringLiteral("&Remove"));
    remove->setEnabled(holdsLink);
    QMenu* pages = menu.addMenu(QStringLiteral("&Move to page"));
    pages->setObjectName(QStringLiteral("movePageMenu"));
    pages->setEnabled(holdsLink);
    for (int page = 0; page < 9; ++page) {
        QAction* action = pages->addAction(QStringLiteral("Page &%1").arg(page + 1));
        action->setData(page);
        action->setEnabled(page != currentPage);
    }
    // The tab keeps itself above other windows; while the menu and its page list show, it stands below them
    // as below any of the program's dialogs.
    QObject::connect(pages, &QMenu::aboutToShow, pages, [pages] { Runtime::dialogShowing(pages, true); });
    QObject::connect(pages, &QMenu::aboutToHide, pages, [pages] { Runtime::dialogShowing(pages, false); });
    Runtime::dialogShowing(&menu, true);
    QAction* chosen = menu.exec(where);
    Runtime::dialogShowing(&menu, false);
    if (!chosen)
        return {};
    if (chosen == edit)
        return {Choice::Edit, -1};
    if (chosen == remove)
        return {Choice::Remove, -1};
    return {Choice::MoveToPage, chosen->data().toInt()};
}

} // namespace LinkMenu
