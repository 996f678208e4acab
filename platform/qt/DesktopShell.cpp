// SPDX-License-Identifier: MIT
#include "DesktopShell.h"

#include <QDesktopServices>
#include <QUrl>

void DesktopShell::open(const QString& address) {
    QDesktopServices::openUrl(QUrl(address, QUrl::StrictMode));
}
