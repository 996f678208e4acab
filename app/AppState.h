#pragma once

#include "../platform/Services.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

// The link table: nine pages by two kinds (0 display names, 1 addresses), each cell a list of ten texts.
struct LinkGrid {
    static constexpr int kPages = 9;
    static constexpr int kSlots = 10;
    std::array<std::array<QStringList, 2>, kPages> cells;

    // The text of slot s on page p (kind 0 name, 1 address); empty when the cell holds no list.
    QString text(int page, int kind, int slot) const;
};

// Program-wide state shared by the windows, owned by the running program (each test builds a fresh one).
struct AppState {
    int16_t currentPage = 0;
    int16_t soundOn = 0;
    int16_t regResult = 0;
    int16_t hoverLink = 0;
    int16_t lastKey = 0;
    int16_t pressedKey = 0;
    int16_t tabOpen = 0;
    int16_t openBusy = 0;
    int16_t editIndex = 0;

    LinkGrid linkGrid;
    QStringList pageNames;
    QStringList pageUrls;

    // The folder of the executable, without a trailing separator; data/ lies beside the executable.
    QString programFolder;
    Services services;

    // The link file when start-up chose one (links/LinkFileLocation.h); empty: data/links beside the program.
    QString linkFile;

    QString dataPath(const QString& relative) const { return programFolder + relative; }
};
