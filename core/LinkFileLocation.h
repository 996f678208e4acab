// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

// Where the link file lives.
//
// A program folder whose data/links folder the user may write into keeps the link file there
// (programFolder + "/data/links/plink.dat"), as in the build folder and a per-user install. Otherwise (an
// installed package, whose program folder belongs to the system, or a program folder without data/links)
// the links live in the user's data folder: dataHome + "/brimvel/links/plink.dat". That folder is made on
// the first save; a plink.dat shipped in the program folder is copied there on the first start, when the
// user has no link file yet, and is never copied over one the user has.
namespace LinkFileLocation {

// The link file beside the program, relative to its folder.
inline constexpr char kProgramLinkFile[] = "/data/links/plink.dat";
// The link file in the user's data folder, relative to that folder.
inline constexpr char kUserLinkFile[] = "/brimvel/links/plink.dat";

// Decides the link file's path for a program in programFolder (no trailing separator). dataHome is the
// user's data folder ($XDG_DATA_HOME, or ~/.local/share when it is unset or not an absolute path). When the
// path is in the user's data folder and no file is there yet, a plink.dat shipped in the program folder is
// copied there (making the folder); a failed copy leaves the path as it is and the program without links.
QString resolve(const QString& programFolder, const QString& dataHome);

// The same with the user's data folder taken from the environment.
QString resolve(const QString& programFolder);

// The user's data folder of the environment, by the XDG base directory rules.
QString userDataHome();

// Makes the folder of the link file when it is missing, so that the first save can create the file.
// Returns whether the folder exists afterwards.
bool makeFolderFor(const QString& linkFile);

} // namespace LinkFileLocation
