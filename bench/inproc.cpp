// SPDX-License-Identifier: MIT
// Times the tab's work that happens inside the program, on the real classes: reading the link file
// (loadPLinks) and cutting the window to its skin (ApplySkin).
//
//   bench_inproc RUNS [RUNS_1MIB]   prints one line per figure: its name, then each run's time in ms

#include "app/AppState.h"
#include "app/frmMain.h"
#include "core/LinkTable.h"
#include "shape/ApplySkin.h"
#include "tests/support/TabView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

QString linkName(int page, int slot) {
    return QStringLiteral("Link %1.%2").arg(page).arg(slot);
}
QString linkUrl(int page, int slot) {
    return QStringLiteral("https://www.example.org/page%1/slot%2/index.html").arg(page).arg(slot);
}

QByteArray linkSection(int page, const char* newline) {
    QByteArray text = "[" + QByteArray::number(page) + "]" + newline;
    for (int slot = 0; slot < LinkTable::kSlots; ++slot) {
        text += "name" + QByteArray::number(slot) + "=" + linkName(page, slot).toUtf8() + newline;
        text += "url" + QByteArray::number(slot) + "=" + linkUrl(page, slot).toUtf8() + newline;
    }
    return text;
}

// Every slot of every page filled, as the program writes it.
QByteArray fullFile() {
    QByteArray text;
    for (int page = 0; page < LinkTable::kPages; ++page)
        text += linkSection(page, "\n");
    return text;
}

// The same links in a file of 1 MiB that someone kept by hand: Windows line ends, comments, blank and
// indented lines, notes of their own between the pages, and the pages out of order.
QByteArray handEditedFile() {
    const int pageOrder[LinkTable::kPages] = {3, 0, 8, 1, 5, 2, 7, 4, 6};
    const int target = 1 << 20;
    QByteArray text = "; my links, kept by hand\r\n\r\n";
    const int notesPerPage = target / LinkTable::kPages;
    for (int page : pageOrder) {
        text += linkSection(page, "\r\n");
        text += "\r\n[notes" + QByteArray::number(page) + "]\r\n";
        const qsizetype sectionEnd = text.size() + notesPerPage - 2 * 1024;
        for (int line = 0; text.size() < sectionEnd; ++line) {
            switch (line % 4) {
            case 0:
                text += "; remember to check this one again some day, line " + QByteArray::number(line);
                break;
            case 1:
                text += "   note" + QByteArray::number(line) + " = something written down in passing";
                break;
            case 2:
                text += "";
                break;
            default:
                text += "seen" + QByteArray::number(line) + "=2009-11-0" + QByteArray::number(line % 9 + 1);
            }
            text += "\r\n";
        }
    }
    while (text.size() < target)
        text += "; padding\r\n";
    text.truncate(target);
    return text;
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool allLinksLoaded(const LinkTable& table) {
    for (int page = 0; page < LinkTable::kPages; ++page)
        for (int slot = 0; slot < LinkTable::kSlots; ++slot)
            if (table.text(page, 0, slot) != linkName(page, slot) ||
                table.text(page, 1, slot) != linkUrl(page, slot))
                return false;
    return true;
}

void timeRuns(const char* name, int runs, const std::function<void()>& before,
              const std::function<void()>& work) {
    std::printf("%s", name);
    for (int run = 0; run < runs; ++run) {
        before();
        QElapsedTimer clock;
        clock.start();
        work();
        std::printf(" %.4f", clock.nsecsElapsed() / 1e6);
    }
    std::printf("\n");
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const int bigRuns = argc > 2 ? std::max(1, std::atoi(argv[2])) : runs;

    QTemporaryDir programFolder;
    QDir(programFolder.path()).mkpath(QStringLiteral("data/links"));
    AppState state;
    state.programFolder = programFolder.path();
    state.services = makePlatformServices();
    frmMain tab(state);
    const QString linkFile = tab.linkFilePath();

    // The tab's link table is filled by exactly this load.
    LinkTable table;
    const auto clearGrid = [&] { table = LinkTable{}; };
    struct LinkFile {
        const char* name;
        QByteArray bytes;
        int runs;
    };
    const LinkFile files[] = {{"loadPLinks_full_90", fullFile(), runs},
                              {"loadPLinks_1MiB_hand_edited", handEditedFile(), bigRuns}};
    for (const auto& [name, bytes, fileRuns] : files) {
        if (!writeFile(linkFile, bytes)) {
            std::fprintf(stderr, "bench_inproc: cannot write %s\n", qPrintable(linkFile));
            return 1;
        }
        timeRuns(name, fileRuns, clearGrid, [&] { table.load(linkFile); });
        // A figure for a read that found nothing would say nothing.
        if (!allLinksLoaded(table)) {
            std::fprintf(stderr, "bench_inproc: %s did not load every link\n", name);
            return 1;
        }
    }

    int32_t transparent = 0;
    timeRuns(
        "ApplySkin_tab", runs,
        [&] {
            view(tab).picBack->setPicture(view(tab).imgSkin.image(1));
            transparent = 0;
        },
        [&] { ApplySkin(tab, *view(tab).picBack, transparent); });
    return 0;
}
