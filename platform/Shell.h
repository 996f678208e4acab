// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Hands an address to the desktop's default handler ("Open"). The result is not reported.
class Shell {
public:
    virtual ~Shell() = default;
    virtual void open(const QString& address) = 0;
};
