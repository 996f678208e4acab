// SPDX-License-Identifier: MIT
#include "PlacesDatabase.h"

#include <QFile>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUuid>

namespace PlacesDatabase {

namespace {

struct Entry {
    qint64 id = 0;
    int type = 0; // 1 bookmark, 2 folder, 3 separator
    QString title;
    QString url;
    QString guid;
};

// The tags root holds one folder per tag with copies of the tagged bookmarks: they are not bookmarks of
// their own.
constexpr char kTagsRoot[] = "tags________";

void walk(const QHash<qint64, QList<Entry>>& children, qint64 parent, QList<Bookmarks::Bookmark>& out,
          int depth) {
    if (depth > 64)
        return;
    for (const Entry& entry : children.value(parent)) {
        if (entry.type == 1 && !entry.url.isEmpty())
            out.append({entry.title, entry.url});
        else if (entry.type == 2 && entry.guid != QLatin1String(kTagsRoot))
            walk(children, entry.id, out, depth + 1);
    }
}

bool readCopy(const QString& file, QList<Bookmarks::Bookmark>& out, QString& error) {
    const QString connection = QStringLiteral("places-") + QUuid::createUuid().toString(QUuid::Id128);
    bool ok = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection);
        db.setDatabaseName(file);
        if (!db.isValid()) {
            error = QStringLiteral("the SQLite driver for Qt is not installed");
        } else if (!db.open()) {
            error = QStringLiteral("it cannot be opened as a database (%1)").arg(db.lastError().text());
        } else {
            QSqlQuery check(db);
            if (!check.exec(QStringLiteral("PRAGMA quick_check")) || !check.next() ||
                check.value(0).toString() != QLatin1String("ok")) {
                error = QStringLiteral("the database is damaged (%1)")
                            .arg(check.lastError().isValid() ? check.lastError().text()
                                                             : check.value(0).toString());
            } else {
                QSqlQuery query(db);
                if (!query.exec(QStringLiteral("SELECT b.id, b.type, b.parent, b.title, p.url, b.guid "
                                               "FROM moz_bookmarks b LEFT JOIN moz_places p ON p.id = b.fk "
                                               "ORDER BY b.parent, b.position, b.id"))) {
                    error =
                        QStringLiteral("it holds no Firefox bookmarks (%1)").arg(query.lastError().text());
                } else {
                    QHash<qint64, QList<Entry>> children;
                    QList<qint64> roots;
                    while (query.next()) {
                        const qint64 parent = query.value(2).toLongLong();
                        Entry entry{query.value(0).toLongLong(), query.value(1).toInt(),
                                    query.value(3).toString(), query.value(4).toString(),
                                    query.value(5).toString()};
                        if (parent == 0)
                            roots.append(entry.id);
                        children[parent].append(entry);
                    }
                    for (qint64 root : roots)
                        walk(children, root, out, 0);
                    ok = true;
                }
            }
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return ok;
}

} // namespace

bool read(const QString& path, QList<Bookmarks::Bookmark>& out, QString& error) {
    out.clear();
    QTemporaryDir copy;
    const QString file = copy.filePath(QStringLiteral("places.sqlite"));
    if (!copy.isValid() || !QFile::copy(path, file)) {
        error = QStringLiteral("it cannot be read");
        return false;
    }
    // Recent changes of a running browser may still be in the write-ahead log beside the database.
    if (QFile::exists(path + QStringLiteral("-wal")) &&
        !QFile::copy(path + QStringLiteral("-wal"), file + QStringLiteral("-wal"))) {
        error = QStringLiteral("its write-ahead log cannot be read");
        return false;
    }
    if (!readCopy(file, out, error)) {
        out.clear();
        return false;
    }
    return true;
}

} // namespace PlacesDatabase
