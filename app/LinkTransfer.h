// SPDX-License-Identifier: MIT
#pragma once

#include <QString>
#include <QTextStream>

// The command-line side of the link file: `brimvel --import SOURCE` and `brimvel --export FILE`. Both work
// on the link file alone and show no window; a running tab notices the change to the file.
namespace LinkTransfer {

// Adds the bookmarks of SOURCE (a bookmarks HTML file, a Chromium "Bookmarks" file, a Firefox places.sqlite,
// or the word "firefox" or "chromium" for that browser's default profile) to the link file in one save.
// Returns the exit status: 0 done, 1 nothing changed (the reason went to `err`).
int importLinks(const QString& source, const QString& linkFile, QTextStream& out, QTextStream& err);

// Writes every link as a bookmarks HTML file. Returns the exit status.
int exportLinks(const QString& file, const QString& linkFile, QTextStream& out, QTextStream& err);

// The bookmarks file of a browser's default profile for the current user ("firefox": its places.sqlite,
// "chromium": its Bookmarks file); empty, with the reason in `error`, when there is none. `home` and
// `configHome` are the user's home and configuration folders.
QString browserProfileFile(const QString& word, const QString& home, const QString& configHome,
                           QString& error);

} // namespace LinkTransfer
