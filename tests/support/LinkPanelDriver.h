// SPDX-License-Identifier: MIT
#pragma once

// Shared steps of the link and panel tests: sliding the tab out, finding widgets on the screen, answering
// message boxes, reading the link file as text and telling the looks of a link slot apart.

#include "MessageBoxAnswerer.h"
#include "TabView.h"
#include "TestDesktop.h"
#include "app/frmMain.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <map>
#include <optional>

namespace PanelDriver {

// Parks the pointer away from the tab, over a small window of the test's own so that the toolkit sees the
// move: it drops a move to the very pixel it last saw the pointer at, which would otherwise swallow the first
// move of a test onto the spot where the previous test left the pointer.
inline bool parkPointer() {
    const QPoint park(300, 600);
    QWidget pad(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    pad.setGeometry(QRect(park - QPoint(10, 10), QSize(21, 21)));
    pad.setMouseTracking(true);
    pad.show();
    if (!QTest::qWaitForWindowExposed(&pad))
        return false;
    RealInput::moveTo(park + QPoint(1, 1));
    RealInput::moveTo(park);
    return waitUntil([&] { return QCursor::pos() == park; }, 1000);
}

// Records the sound of one step, after the cues that came before it have died away, into `onsets`: the start
// times of the sounds heard, in ms from the start of the step. False when the sound server did not fall quiet
// or could not be recorded.
template <typename Step> [[nodiscard]] bool soundOf(Step step, std::vector<int>& onsets) {
    SoundRecorder recorder;
    if (!recorder.start() || !recorder.waitUntilQuiet())
        return false;
    step();
    onsets = SoundRecorder::onsets(recorder.stop());
    return true;
}

inline QByteArray listed(const std::vector<int>& onsets) {
    QByteArray text = "sounds at";
    for (int ms : onsets)
        text += " " + QByteArray::number(ms);
    return text;
}

// The link file read as plain text, section -> key -> value, names as written. Keeps the reading of the
// program's own INI layer out of the checks of what it wrote.
using IniText = std::map<QString, std::map<QString, QString>>;

inline IniText readIniText(const QString& path) {
    IniText result;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return result;
    QString section;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QString line = QString::fromUtf8(raw).trimmed();
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            section = line.mid(1, line.size() - 2);
            result[section];
        } else if (const auto eq = line.indexOf(QLatin1Char('=')); eq > 0) {
            result[section][line.left(eq)] = line.mid(eq + 1);
        }
    }
    return result;
}

inline QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The two looks of a slot: each checks all four properties, so a mixed state is neither.
inline bool looksNormal(frmMain& tab, int slot) {
    return view(tab).picLink[slot]->picture() == view(tab).imlLink.image(slot + 1) &&
           !view(tab).lblLink[slot]->FontUnderline() &&
           view(tab).lblLink[slot]->ForeColor() == QColor(0x20, 0x39, 0x61) &&
           view(tab).picLinkLight[slot]->picture() == view(tab).imlLinkLight.image(1);
}

inline bool looksHighlighted(frmMain& tab, int slot) {
    return view(tab).picLink[slot]->picture() == view(tab).imlLinkMouseover.image(slot + 1) &&
           view(tab).lblLink[slot]->FontUnderline() &&
           view(tab).lblLink[slot]->ForeColor() == QColor(0xD0, 0xD1, 0xD4) &&
           view(tab).picLinkLight[slot]->picture() == view(tab).imlLinkLight.image(4);
}

// A link file with every slot of pages 0..8 filled: name "P<page> N<slot>", address
// "http://p<page>.example/<slot>", except the slots listed in `blank`, whose name is given there.
inline QByteArray fullLinkFile(const std::map<std::pair<int, int>, QByteArray>& blank = {}) {
    QByteArray text;
    for (int p = 0; p < 9; ++p) {
        text += "[" + QByteArray::number(p) + "]\n";
        for (int s = 0; s < 10; ++s) {
            const auto it = blank.find({p, s});
            const QByteArray name =
                it != blank.end() ? it->second : "P" + QByteArray::number(p) + " N" + QByteArray::number(s);
            text += "name" + QByteArray::number(s) + "=" + name + "\n";
            text += "url" + QByteArray::number(s) + "=http://p" + QByteArray::number(p) + ".example/" +
                    QByteArray::number(s) + "\n";
        }
    }
    return text;
}

inline QString nameOf(int page, int slot) {
    return QStringLiteral("P%1 N%2").arg(page).arg(slot);
}
inline QString addressOf(int page, int slot) {
    return QStringLiteral("http://p%1.example/%2").arg(page).arg(slot);
}

} // namespace PanelDriver
