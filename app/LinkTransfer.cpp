// SPDX-License-Identifier: MIT
#include "LinkTransfer.h"

#include "../core/Bookmarks.h"
#include "../core/BoundedFile.h"
#include "../core/LinkImport.h"
#include "../core/LinkStore.h"
#include "../core/LinkTable.h"
#include "../core/PrivateProfile.h"
#include "../platform/sql/PlacesDatabase.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QSettings>

namespace LinkTransfer {

namespace {

// The profile a Firefox installation starts with: the one its install section names, else the one marked
// as the default, else the first.
QString firefoxProfile(const QString& folder, QString& error) {
    const QString ini = folder + QStringLiteral("/profiles.ini");
    if (!QFileInfo::exists(ini)) {
        error = QStringLiteral("there is no Firefox profile (%1 is missing)").arg(ini);
        return {};
    }
    QSettings profiles(ini, QSettings::IniFormat);
    QString chosen;
    bool relative = true;
    const QStringList groups = profiles.childGroups();
    for (const QString& group : groups) {
        if (group.startsWith(QLatin1String("Install")) && chosen.isEmpty()) {
            chosen = profiles.value(group + QStringLiteral("/Default")).toString();
            relative = !QDir::isAbsolutePath(chosen);
        }
    }
    for (const QString& wantDefault : {QStringLiteral("1"), QString()}) {
        for (const QString& group : groups) {
            if (!chosen.isEmpty() || !group.startsWith(QLatin1String("Profile")))
                continue;
            if (!wantDefault.isEmpty() &&
                profiles.value(group + QStringLiteral("/Default")).toString() != wantDefault)
                continue;
            chosen = profiles.value(group + QStringLiteral("/Path")).toString();
            relative = profiles.value(group + QStringLiteral("/IsRelative"), 1).toInt() != 0;
        }
    }
    if (chosen.isEmpty()) {
        error = QStringLiteral("%1 names no profile").arg(ini);
        return {};
    }
    return (relative ? folder + QLatin1Char('/') + chosen : chosen) + QStringLiteral("/places.sqlite");
}

// Far above any real bookmarks file (a browser's export of tens of thousands of bookmarks is a few MiB); a
// larger one is refused rather than read into memory. A Firefox places.sqlite is read through SQLite, page
// by page, and has no such limit.
constexpr qint64 maxSourceSize = qint64(64) << 20;

bool readSource(const QString& path, QList<Bookmarks::Bookmark>& marks, QString& error) {
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile()) {
        error = QStringLiteral("it is not a file");
        return false;
    }
    BoundedFile file(path, maxSourceSize);
    if (file.state() == BoundedFile::State::Missing || file.state() == BoundedFile::State::Unreadable) {
        error = QStringLiteral("it cannot be read (%1)").arg(file.errorString());
        return false;
    }
    const Bookmarks::Format format = Bookmarks::sniff(file.head(4096));
    if (format == Bookmarks::Format::Sqlite)
        return PlacesDatabase::read(path, marks, error);
    if (format == Bookmarks::Format::Unknown) {
        error = QStringLiteral(
            "it is not a bookmarks file (a bookmarks HTML file, a Chromium Bookmarks file or a Firefox "
            "places.sqlite)");
        return false;
    }
    QByteArray bytes;
    switch (file.readAll(bytes)) {
    case BoundedFile::State::Readable:
        break;
    case BoundedFile::State::TooLarge:
        error = QStringLiteral("it is too large (more than %1 MiB)").arg(maxSourceSize >> 20);
        return false;
    default:
        error = QStringLiteral("it cannot be read");
        return false;
    }
    return format == Bookmarks::Format::Html ? Bookmarks::readHtml(bytes, marks, error)
                                             : Bookmarks::readChromiumJson(bytes, marks, error);
}

} // namespace

QString browserProfileFile(const QString& word, const QString& home, const QString& configHome,
                           QString& error) {
    if (word == QLatin1String("firefox"))
        return firefoxProfile(home + QStringLiteral("/.mozilla/firefox"), error);
    if (word == QLatin1String("chromium")) {
        const QString file = configHome + QStringLiteral("/chromium/Default/Bookmarks");
        if (!QFileInfo::exists(file)) {
            error = QStringLiteral("Chromium has no bookmarks for this user (%1 is missing)").arg(file);
            return {};
        }
        return file;
    }
    return word;
}

int importLinks(const QString& source, const QString& linkFile, QTextStream& out, QTextStream& err) {
    QString error;
    QString path = source;
    if (source == QLatin1String("firefox") || source == QLatin1String("chromium")) {
        QString configHome = qEnvironmentVariable("XDG_CONFIG_HOME");
        if (!QDir::isAbsolutePath(configHome))
            configHome = QDir::homePath() + QStringLiteral("/.config");
        path = browserProfileFile(source, QDir::homePath(), configHome, error);
        if (path.isEmpty()) {
            err << "brimvel: cannot import from " << source << ": " << error << ".\n";
            return 1;
        }
    }
    QList<Bookmarks::Bookmark> marks;
    if (!readSource(path, marks, error)) {
        err << "brimvel: cannot import from " << path << ": " << error << ". Nothing was changed.\n";
        return 1;
    }
    // The plan is made on one reading of the link file and lands only on that very file: should the running
    // tab save a link meanwhile, the import plans again instead of writing over it.
    LinkImport::Plan plan;
    LinkStore::Result result = LinkStore::Result::Changed;
    for (int attempt = 0; attempt < 5 && result == LinkStore::Result::Changed; ++attempt) {
        const QByteArray before = PrivateProfile::fileBytes(linkFile);
        LinkTable table;
        table.load(linkFile);
        if (PrivateProfile::fileBytes(linkFile) != before)
            continue;
        plan = LinkImport::plan(table, marks);
        result = LinkStore(linkFile).write(plan.writes, before);
    }
    if (result != LinkStore::Result::Saved) {
        err << "brimvel: the links could not be saved to " << linkFile << "; it is as it was.\n";
        return 1;
    }
    out << "Imported " << plan.imported << " links; skipped " << plan.skipped
        << " (already there, not a web address, or no free slot).\n";
    return 0;
}

int exportLinks(const QString& file, const QString& linkFile, QTextStream& out, QTextStream& err) {
    LinkTable table;
    table.load(linkFile);
    int count = 0;
    const QByteArray html = Bookmarks::writeHtml(table, count);
    QSaveFile target(file);
    if (!target.open(QIODevice::WriteOnly) || target.write(html) != html.size() || !target.flush() ||
        !target.commit()) {
        err << "brimvel: cannot write " << file << ": " << target.errorString() << ".\n";
        return 1;
    }
    out << "Exported " << count << " links to " << file << "\n";
    return 0;
}

} // namespace LinkTransfer
