// SPDX-License-Identifier: MIT
#include "LinkStore.h"

#include <functional>

#include <QFile>
#include <QSaveFile>

#include "LinkFileLocation.h"
#include "cInifile.h"

namespace {

QString nameKey(int slot) {
    return QStringLiteral("name") + QString::number(slot);
}
QString urlKey(int slot) {
    return QStringLiteral("url") + QString::number(slot);
}

// Runs the writes; should one fail after another went in, the file goes back to what it held before,
// byte for byte, in one replacement.
LinkStore::Result guarded(const QString& path, const std::function<int(cInifile&)>& writes) {
    LinkFileLocation::makeFolderFor(path);
    QFile before(path);
    const bool existed = before.exists();
    const QByteArray beforeBytes =
        existed && before.open(QIODevice::ReadOnly) ? before.readAll() : QByteArray();
    const bool beforeRead = !existed || before.isOpen();
    before.close();
    cInifile ini;
    ini.setPath(path);
    const int done = writes(ini);
    if (done < 0)
        return LinkStore::Result::Saved;
    if (done == 0)
        return LinkStore::Result::Unsaved;
    bool restored = false;
    if (beforeRead && !existed) {
        restored = QFile::remove(path);
    } else if (beforeRead) {
        QSaveFile file(path);
        restored =
            file.open(QIODevice::WriteOnly) && file.write(beforeBytes) == beforeBytes.size() && file.commit();
    }
    return restored ? LinkStore::Result::Unsaved : LinkStore::Result::NotRestored;
}

} // namespace

// The write callbacks return -1 when all went in, else how many writes succeeded before the failure.
LinkStore::Result LinkStore::save(int page, int slot, const QString& name, const QString& address) {
    return guarded(path_, [&](cInifile& ini) {
        ini.setSection(QString::number(page));
        ini.setKey(nameKey(slot));
        ini.setValue(name);
        if (!ini.Success())
            return 0;
        ini.setKey(urlKey(slot));
        ini.setValue(address);
        return ini.Success() ? -1 : 1;
    });
}

LinkStore::Result LinkStore::remove(int page, int slot) {
    return guarded(path_, [&](cInifile& ini) {
        ini.setSection(QString::number(page));
        ini.setKey(nameKey(slot));
        ini.DeleteKey();
        if (!ini.Success())
            return 0;
        ini.setKey(urlKey(slot));
        ini.DeleteKey();
        return ini.Success() ? -1 : 1;
    });
}

LinkStore::Result LinkStore::swap(int pageA, int slotA, int pageB, int slotB) {
    return guarded(path_, [&](cInifile& ini) {
        auto read = [&](int page, const QString& key) {
            ini.setSection(QString::number(page));
            ini.setKey(key);
            ini.setDefault(QString());
            return ini.Value();
        };
        const QString nameA = read(pageA, nameKey(slotA)), urlA = read(pageA, urlKey(slotA));
        const QString nameB = read(pageB, nameKey(slotB)), urlB = read(pageB, urlKey(slotB));
        int written = 0;
        auto put = [&](int page, const QString& key, const QString& value) {
            ini.setSection(QString::number(page));
            ini.setKey(key);
            if (value.isEmpty())
                ini.DeleteKey();
            else
                ini.setValue(value);
            if (ini.Success())
                ++written;
            return ini.Success();
        };
        if (put(pageA, nameKey(slotA), nameB) && put(pageA, urlKey(slotA), urlB) &&
            put(pageB, nameKey(slotB), nameA) && put(pageB, urlKey(slotB), urlA))
            return -1;
        return written;
    });
}
