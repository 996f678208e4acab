// SPDX-License-Identifier: MIT
// Where the link file lives: beside the program when its data/links folder may be written, in the user's data
// folder otherwise, with a shipped link file copied there once. Real folders and permissions; the decision
// runs as an ordinary user (as root it runs in a child process that has become "nobody", since root writes
// into read-only folders all the same).

#include "core/LinkFileLocation.h"
#include "support/ChildProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr uid_t kNobody = 65534;
constexpr gid_t kNoGroup = 65534;

bool runningAsRoot() {
    return ::geteuid() == 0;
}

// Hands a file or folder to the ordinary user the decision runs as (a no-op when that is us).
bool giveToUser(const QString& path) {
    if (!runningAsRoot())
        return true;
    return ::chown(QFile::encodeName(path).constData(), kNobody, kNoGroup) == 0;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// LinkFileLocation::resolve as an ordinary user: in a child process that has given up root, or in this
// process when it is not root. Returns the path, or a text starting with "!" on failure.
QString resolveAsUser(const QString& programFolder, const QString& dataHome) {
    if (!runningAsRoot())
        return LinkFileLocation::resolve(programFolder, dataHome);
    QString failure;
    const std::optional<QByteArray> path = inChild(
        [&]() -> QByteArray {
            if (::setgroups(0, nullptr) != 0 || ::setgid(kNoGroup) != 0 || ::setuid(kNobody) != 0)
                return "!cannot give up root";
            return LinkFileLocation::resolve(programFolder, dataHome).toUtf8();
        },
        failure);
    return path ? QString::fromUtf8(*path) : QLatin1Char('!') + failure;
}

enum class ProgramLinks { Writable, ReadOnly, Missing, PlainFile };

const QByteArray kShipped = "[0]\nname0=Shipped\nurl0=http://shipped.example/\n";
const QByteArray kUsers = "[0]\nname0=Mine\nurl0=http://mine.example/\n";

} // namespace

Q_DECLARE_METATYPE(ProgramLinks)

class TestLinkLocation : public QObject {
    Q_OBJECT

private slots:
    void decision_data();
    void decision();
    void copiedFileIsTheUsersToWrite();
    void copyHappensOnce();
    void userDataHome_data();
    void userDataHome();
    void makeFolderFor();
};

void TestLinkLocation::decision_data() {
    QTest::addColumn<ProgramLinks>("programLinks");
    QTest::addColumn<bool>("shipped");          // a plink.dat in the program's data/links
    QTest::addColumn<QByteArray>("userBefore"); // the user's link file before; empty: none
    QTest::addColumn<bool>("inUserFolder");     // expected: the path is the user's link file
    QTest::addColumn<QByteArray>("userAfter");  // expected user's link file; empty: none
    QTest::addColumn<bool>("userFolderAfter");  // expected: brimvel/links exists in the data folder

    QTest::newRow("writable program folder")
        << ProgramLinks::Writable << false << QByteArray() << false << QByteArray() << false;
    QTest::newRow("writable program folder with links: nothing copied")
        << ProgramLinks::Writable << true << QByteArray() << false << QByteArray() << false;
    QTest::newRow("writable program folder, user file ignored")
        << ProgramLinks::Writable << true << kUsers << false << kUsers << true;
    QTest::newRow("read-only, nothing shipped: folder waits for the first save")
        << ProgramLinks::ReadOnly << false << QByteArray() << true << QByteArray() << false;
    QTest::newRow("read-only, shipped links copied on first start")
        << ProgramLinks::ReadOnly << true << QByteArray() << true << kShipped << true;
    QTest::newRow("read-only, shipped links never overwrite the user's")
        << ProgramLinks::ReadOnly << true << kUsers << true << kUsers << true;
    QTest::newRow("read-only, nothing shipped, user's file kept")
        << ProgramLinks::ReadOnly << false << kUsers << true << kUsers << true;
    QTest::newRow("no data/links in a read-only program folder")
        << ProgramLinks::Missing << false << QByteArray() << true << QByteArray() << false;
    QTest::newRow("data/links is a plain file")
        << ProgramLinks::PlainFile << false << QByteArray() << true << QByteArray() << false;
}

void TestLinkLocation::decision() {
    QFETCH(ProgramLinks, programLinks);
    QFETCH(bool, shipped);
    QFETCH(QByteArray, userBefore);
    QFETCH(bool, inUserFolder);
    QFETCH(QByteArray, userAfter);
    QFETCH(bool, userFolderAfter);

    QTemporaryDir root;
    QVERIFY(root.isValid());
    QVERIFY(QFile::setPermissions(root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                   QFileDevice::ExeOther));
    const QString program = root.filePath("program");
    const QString links = program + "/data/links";
    const QString dataHome = root.filePath("home/.local/share");
    QVERIFY(QDir().mkpath(program + "/data"));
    QVERIFY(QDir().mkpath(dataHome));
    for (const QString& folder : {root.filePath("home"), root.filePath("home/.local"), dataHome})
        QVERIFY(giveToUser(folder));

    switch (programLinks) {
    case ProgramLinks::Writable:
        QVERIFY(QDir().mkpath(links));
        QVERIFY(giveToUser(links));
        break;
    case ProgramLinks::ReadOnly:
        QVERIFY(QDir().mkpath(links));
        break;
    case ProgramLinks::Missing:
        break;
    case ProgramLinks::PlainFile:
        QVERIFY(writeFile(links, "not a folder"));
        break;
    }
    const QString besideProgram = links + "/plink.dat";
    if (shipped)
        QVERIFY(writeFile(besideProgram, kShipped));
    const QString userFile = dataHome + "/brimvel/links/plink.dat";
    if (!userBefore.isEmpty()) {
        QVERIFY(QDir().mkpath(dataHome + "/brimvel/links"));
        QVERIFY(writeFile(userFile, userBefore));
        for (const QString& path : {dataHome + "/brimvel", dataHome + "/brimvel/links", userFile})
            QVERIFY(giveToUser(path));
    }
    // Read-only as a package's folder is: nobody may write into it but its owner, root.
    if (programLinks == ProgramLinks::ReadOnly || programLinks == ProgramLinks::Missing) {
        const QString folder = programLinks == ProgramLinks::ReadOnly ? links : program;
        QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                  QFileDevice::ReadOther | QFileDevice::ExeOther));
    }

    const QString path = resolveAsUser(program, dataHome);
    QCOMPARE(path, inUserFolder ? userFile : besideProgram);
    QCOMPARE(QFileInfo::exists(userFile), !userAfter.isEmpty());
    if (!userAfter.isEmpty())
        QCOMPARE(readFile(userFile), userAfter);
    QCOMPARE(QFileInfo(dataHome + "/brimvel/links").isDir(), userFolderAfter);
    QVERIFY(!QFileInfo::exists(userFile + ".copying"));
    if (shipped)
        QCOMPARE(readFile(besideProgram), kShipped);

    // Let the temporary folder go away.
    if (QFileInfo(links).isDir())
        QFile::setPermissions(links,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// A program folder with a shipped link file, and a data folder its user owns, under `root`.
bool shippedLayout(const QTemporaryDir& root, const QString& program, const QString& dataHome) {
    return root.isValid() &&
           QFile::setPermissions(root.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                  QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                                  QFileDevice::ExeOther) &&
           QDir().mkpath(program + "/data/links") && QDir().mkpath(dataHome) && giveToUser(dataHome) &&
           writeFile(program + "/data/links/plink.dat", kShipped);
}

// A shipped file that nobody may write (as in a read-only system folder) becomes a file its user can save to.
void TestLinkLocation::copiedFileIsTheUsersToWrite() {
    QTemporaryDir root;
    const QString program = root.filePath("program");
    const QString dataHome = root.filePath("data");
    QVERIFY(shippedLayout(root, program, dataHome));
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ReadOther;
    QVERIFY(QFile::setPermissions(program + "/data/links/plink.dat", readOnly));
    QVERIFY(QFile::setPermissions(program + "/data/links",
                                  readOnly | QFileDevice::ExeOwner | QFileDevice::ExeOther));

    const QString path = resolveAsUser(program, dataHome);
    QCOMPARE(path, dataHome + "/brimvel/links/plink.dat");
    QCOMPARE(readFile(path), kShipped);
    QVERIFY(QFileInfo(path).permissions().testFlag(QFileDevice::WriteOwner));
    if (runningAsRoot())
        QCOMPARE(QFileInfo(path).ownerId(), uint(kNobody));

    QFile::setPermissions(program + "/data/links",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

// Every start after the first finds the user's file and leaves it alone, whatever it now holds.
void TestLinkLocation::copyHappensOnce() {
    QTemporaryDir root;
    const QString program = root.filePath("program");
    const QString dataHome = root.filePath("data");
    QVERIFY(shippedLayout(root, program, dataHome));
    QVERIFY(QFile::setPermissions(program + "/data/links", QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                               QFileDevice::ReadOther |
                                                               QFileDevice::ExeOther));

    const QString first = resolveAsUser(program, dataHome);
    QCOMPARE(readFile(first), kShipped);
    QVERIFY(writeFile(first, kUsers));
    const QString second = resolveAsUser(program, dataHome);
    QCOMPARE(second, first);
    QCOMPARE(readFile(second), kUsers);
    // An emptied file is still the user's.
    QVERIFY(writeFile(first, QByteArray()));
    QCOMPARE(resolveAsUser(program, dataHome), first);
    QCOMPARE(QFileInfo(first).size(), 0);

    QFile::setPermissions(program + "/data/links",
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

void TestLinkLocation::userDataHome_data() {
    QTest::addColumn<QByteArray>("xdgDataHome"); // "-": unset
    QTest::addColumn<QString>("expected");       // "~" stands for HOME
    QTest::newRow("unset") << QByteArray("-") << "~/.local/share";
    QTest::newRow("empty") << QByteArray("") << "~/.local/share";
    QTest::newRow("absolute") << QByteArray("/srv/data") << "/srv/data";
    QTest::newRow("absolute with trailing separator") << QByteArray("/srv/data/") << "/srv/data";
    QTest::newRow("relative is ignored") << QByteArray("data") << "~/.local/share";
}

void TestLinkLocation::userDataHome() {
    QFETCH(QByteArray, xdgDataHome);
    QFETCH(QString, expected);
    const QByteArray saved = qgetenv("XDG_DATA_HOME");
    const bool wasSet = qEnvironmentVariableIsSet("XDG_DATA_HOME");
    if (xdgDataHome == "-")
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", xdgDataHome);
    const QString got = LinkFileLocation::userDataHome();
    if (wasSet)
        qputenv("XDG_DATA_HOME", saved);
    else
        qunsetenv("XDG_DATA_HOME");
    expected.replace(QStringLiteral("~"), QDir::homePath());
    QCOMPARE(got, expected);
}

void TestLinkLocation::makeFolderFor() {
    QTemporaryDir root;
    QVERIFY(root.isValid());
    const QString file = root.filePath("a/b/links/plink.dat");
    QVERIFY(LinkFileLocation::makeFolderFor(file));
    QVERIFY(QFileInfo(root.filePath("a/b/links")).isDir());
    QVERIFY(!QFileInfo::exists(file));
    QVERIFY(LinkFileLocation::makeFolderFor(file)); // already there

    QVERIFY(writeFile(root.filePath("blocked"), "a file"));
    QVERIFY(!LinkFileLocation::makeFolderFor(root.filePath("blocked/links/plink.dat")));
}

QTEST_GUILESS_MAIN(TestLinkLocation)
#include "test_link_location.moc"
