// The keyboard focus among other programs' windows: the open tab holds the keyboard, and gives it back to the
// window that had it when it slides in, unless the user has focused another window meanwhile.

#include "app/frmMain.h"
#include "support/TestDesktop.h"

#include <QProcess>
#include <QTest>

namespace {

QString run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(10000);
    return QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
}

// The window holding the keyboard, as the X server reports it.
qulonglong focusOwner() {
    return run(QStringLiteral("xdotool"), {QStringLiteral("getwindowfocus")}).toULongLong();
}

// A window of another program, managed by the window manager.
class OtherWindow {
public:
    explicit OtherWindow(const QString& title, int x) {
        process_.start(QStringLiteral("xmessage"),
                       {QStringLiteral("-title"), title, QStringLiteral("-geometry"),
                        QStringLiteral("300x80+%1+300").arg(x), title});
        process_.waitForStarted();
        const QString found =
            run(QStringLiteral("xdotool"),
                {QStringLiteral("search"), QStringLiteral("--sync"), QStringLiteral("--name"), title});
        id_ = found.section(QLatin1Char('\n'), 0, 0).toULongLong();
    }
    ~OtherWindow() {
        process_.kill();
        process_.waitForFinished();
    }
    qulonglong id() const { return id_; }
    // Focuses it as a click on it would.
    bool focus() const {
        run(QStringLiteral("xdotool"),
            {QStringLiteral("windowactivate"), QStringLiteral("--sync"), QString::number(id_)});
        return waitUntil([&] { return focusOwner() == id_; }, 3000);
    }

private:
    QProcess process_;
    qulonglong id_ = 0;
};

} // namespace

class TestFocus : public QObject {
    Q_OBJECT

private slots:
    void slideInGivesTheKeyboardBack_data();
    void slideInGivesTheKeyboardBack();
};

void TestFocus::slideInGivesTheKeyboardBack_data() {
    QTest::addColumn<bool>("userFocusesAnother");
    QTest::newRow("back to the window that had it") << false;
    QTest::newRow("a window focused meanwhile keeps it") << true;
}

void TestFocus::slideInGivesTheKeyboardBack() {
    QFETCH(bool, userFocusesAnother);
    OtherWindow editor(QStringLiteral("Editor"), 100);
    OtherWindow other(QStringLiteral("Other"), 500);
    QVERIFY(editor.id() && other.id());
    QVERIFY(editor.focus());

    TestProgram program;
    frmMain& tab = program.start();
    tab.animation();
    QVERIFY(waitUntil([&] { return tab.motion().open() && !tab.motion().tmrGrow().Enabled(); }, 8000));
    // Open, the tab holds the keyboard (the number pad needs it where the desktop gives keys only to the
    // focused window).
    QVERIFY(waitUntil([&] { return focusOwner() == tab.winId(); }, 3000));

    if (userFocusesAnother)
        QVERIFY(other.focus());

    tab.animation();
    QVERIFY(waitUntil([&] { return !tab.motion().open() && !tab.motion().tmrShrink().Enabled(); }, 8000));
    const qulonglong expected = userFocusesAnother ? other.id() : editor.id();
    QVERIFY2(waitUntil([&] { return focusOwner() == expected; }, 3000),
             qPrintable(QStringLiteral("focus on %1, expected %2").arg(focusOwner()).arg(expected)));
}

QTEST_MAIN(TestFocus)
#include "test_focus.moc"
