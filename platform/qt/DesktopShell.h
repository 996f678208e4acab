// SPDX-License-Identifier: MIT
#pragma once

#include "../Shell.h"

// Opens addresses with the desktop's default handler (xdg-open on Linux desktops).
class DesktopShell : public Shell {
public:
    void open(const QString& address) override;
};
