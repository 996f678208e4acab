// SPDX-License-Identifier: MIT
#pragma once

#include "../core/StoredSetting.h"
#include "../core/Timer.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

class ImageList;
class PictureBox;
class VersionFetcher;

// The once-per-run update check: a minute after start, and every minute until there is an answer, it asks the
// vendor's site for the current version; a newer one makes the update button blink until the user answers
// the prompt behind it.
class UpdateCheck : public QObject {
public:
    UpdateCheck(QObject* parent, PictureBox& picUpdate, const ImageList& imlUpdate, StoredSetting updateDue,
                std::function<void(const QString&)> openAddress);
    ~UpdateCheck() override;

    // Start-up: no verdict yet, the button dark and disabled.
    void reset();
    // The check has a verdict (-1) or not (0).
    int16_t updateCheck() const { return updateCheck_; }
    int16_t blinkCount() const { return blinkCount_; }

    // Applies the answer of the version download (empty for no answer).
    void applyVersionAnswer(const QString& text);
    // The user's answer to the prompt behind the button: Yes opens the download page and ends the blinking.
    void answerPrompt(bool yes);

    Timer& tmrUpdate() { return *tmrUpdate_; }
    Timer& tmrUpdateBlink() { return *tmrUpdateBlink_; }
    void tmrUpdate_Timer();
    void tmrUpdateBlink_Timer();

private:
    void startUpdateDownload();
    void describe(bool available);

    PictureBox& picUpdate_;
    const ImageList& imlUpdate_;
    StoredSetting updateDue_;
    std::function<void(const QString&)> openAddress_;
    // The first question comes a minute after start; after an answer that gives no verdict the wait doubles,
    // up to four hours, so a broken server costs a few requests a day.
    static constexpr int kFirstWaitMs = 60000;
    static constexpr int kLongestWaitMs = 4 * 60 * 60 * 1000;
    int16_t updateCheck_ = 0;
    int16_t blinkCount_ = 0;
    Timer* tmrUpdate_;
    Timer* tmrUpdateBlink_;
    std::unique_ptr<VersionFetcher> fetcher_;
};
