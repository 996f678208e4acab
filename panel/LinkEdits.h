// SPDX-License-Identifier: MIT
#pragma once

#include "../core/LinkStore.h"

#include <QString>
#include <functional>

class LinkTable;
class QWidget;

// Changes to the link file made from the open tab: removing a link (after asking), moving one to another
// page, and swapping two rows. Each change is one save of the file; a save that fails says so in a message
// and changes nothing. Every change reads the file afresh, so it works on what is on disk, not on what the
// tab last showed.
class LinkEdits {
public:
    struct Hooks {
        // Where the link file is.
        std::function<QString()> linkFile;
        // The file was saved: the tab reads it again.
        std::function<void()> saved;
        // Tells a screen reader what was done.
        std::function<void(const QString&)> announce;
    };

    // `parent`: the window its questions and messages stand over.
    LinkEdits(QWidget* parent, Hooks hooks);

    // Asks whether to remove the link of a slot (page 0..8, row 0..9), and removes it on Yes. An empty slot
    // asks nothing.
    void remove(int page, int row);
    // Swaps two slots; onto an empty slot, the link moves there.
    void move(int page, int row, int toPage, int toRow);
    // Moves a link into the first free slot of another page; a full page says so and changes nothing.
    void moveToPage(int page, int row, int toPage);

    // True while one of its questions or messages shows (the tab's handlers wait meanwhile).
    bool asking() const { return asking_ > 0; }

    // The name a message gives a link: its caption, or its address when it has none.
    static QString linkLabel(const LinkTable& table, int page, int row);
    // What a screen reader is told of the links changed between two readings of the file ("1 link added",
    // "3 links changed"), or nothing when none changed.
    static QString changeSummary(const LinkTable& before, const LinkTable& now);

private:
    // True when the change was saved.
    bool report(LinkStore::Result result);
    int message(const QString& text, int flags);

    QWidget* parent_;
    Hooks hooks_;
    int asking_ = 0;
};
