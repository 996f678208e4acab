// SPDX-License-Identifier: MIT
#include "LinkFileLocation.h"

#include "PrivateProfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace LinkFileLocation {

namespace {

// A folder the current user may create files in. access() rather than the permission bits: it answers for
// this user, and also says no on a read-only mount.
bool writableFolder(const QString& path) {
    const QFileInfo info(path);
    return info.isDir() && ::access(QFile::encodeName(path).constData(), W_OK | X_OK) == 0;
}

} // namespace

QString userDataHome() {
    const QString fromEnvironment = qEnvironmentVariable("XDG_DATA_HOME");
    if (QDir::isAbsolutePath(fromEnvironment))
        return QDir::cleanPath(fromEnvironment);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString resolve(const QString& programFolder, const QString& dataHome) {
    const QString besideProgram = programFolder + QLatin1String(kProgramLinkFile);
    if (writableFolder(QFileInfo(besideProgram).path()))
        return besideProgram;

    const QString userFile = dataHome + QLatin1String(kUserLinkFile);
    // Anything already at the path, even a dangling link, is the user's and stays as it is.
    const QFileInfo existing(userFile);
    // A shipped file too large for the INI layer reads as absent, and is not copied either.
    const QFileInfo shipped(besideProgram);
    if (!existing.exists() && !existing.isSymLink() && shipped.isFile() &&
        shipped.size() <= PrivateProfile::maxFileSize) {
        if (makeFolderFor(userFile)) {
            // Copied under a temporary name and renamed (a rename that never replaces a file), so a copy cut
            // short never poses as the links. The copy takes the shipped file's permission bits, which in a
            // system folder may lack the owner's write permission; the user's file needs it.
            const QString partial = userFile + QStringLiteral(".copying");
            QFile::remove(partial);
            if (QFile::copy(besideProgram, partial)) {
                QFile(partial).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ReadGroup | QFileDevice::ReadOther);
                if (!QFile::rename(partial, userFile))
                    QFile::remove(partial);
            } else {
                QFile::remove(partial);
            }
        }
    }
    return userFile;
}

QString resolve(const QString& programFolder) {
    return resolve(programFolder, userDataHome());
}

bool makeFolderFor(const QString& linkFile) {
    const QString folder = QFileInfo(linkFile).path();
    return QDir().mkpath(folder) && QFileInfo(folder).isDir();
}

} // namespace LinkFileLocation
