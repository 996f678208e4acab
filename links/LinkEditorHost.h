// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWindow;

// What the link editor asks of the tab: the slot's texts on the page shown, where the links are kept, and
// what happens once the editor saves or closes.
class LinkEditorHost {
public:
    virtual ~LinkEditorHost() = default;
    virtual int currentPage() const = 0;
    virtual QString slotName(int slot) const = 0;
    virtual QString slotAddress(int slot) const = 0;
    virtual QString linkFilePath() const = 0;
    // The slot was written: the tab reads the links again and shows the new name.
    virtual void linkSaved(int slot, const QString& name) = 0;
    // The editor was hidden (after a save or a cancel).
    virtual void editorClosed() = 0;
    virtual void openAddress(const QString& address) = 0;
    // Whether `window` is the tab's own window (the tab or its base bar).
    virtual bool isTabWindow(const QWindow* window) const = 0;
};
