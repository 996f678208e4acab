// SPDX-License-Identifier: MIT
#include "UpdateCheck.h"

#include "../core/VendorSite.h"
#include "../core/VersionAnswer.h"
#include "../forms/ImageList.h"
#include "../forms/PictureBox.h"
#include "VersionFetcher.h"

#include <algorithm>

UpdateCheck::UpdateCheck(QObject* parent, PictureBox& picUpdate, const ImageList& imlUpdate,
                         StoredSetting updateDue, std::function<void(const QString&)> openAddress)
    : QObject(parent), picUpdate_(picUpdate), imlUpdate_(imlUpdate), updateDue_(updateDue),
      openAddress_(std::move(openAddress)) {
    describe(false);
    tmrUpdate_ = new Timer(this, kFirstWaitMs, true, [this] { tmrUpdate_Timer(); });
    tmrUpdateBlink_ = new Timer(this, 250, false, [this] { tmrUpdateBlink_Timer(); });
}

UpdateCheck::~UpdateCheck() = default;

void UpdateCheck::reset() {
    blinkCount_ = 0;
    updateCheck_ = 0;
    picUpdate_.setPicture(imlUpdate_.image(1));
}

void UpdateCheck::tmrUpdate_Timer() {
    if (updateCheck_ == -1) {
        tmrUpdate_->setEnabled(false);
        return;
    }
    updateDue_.reload();
    if (updateDue_.value() == 0) {
        tmrUpdate_->setEnabled(false);
        return;
    }
    startUpdateDownload();
}

void UpdateCheck::startUpdateDownload() {
    if (!fetcher_)
        fetcher_ = std::make_unique<VersionFetcher>();
    // One request at a time: a tick while the previous download still waits starts no second one.
    fetcher_->fetch(VendorSite::url(QStringLiteral("/download/Brimvel/version")),
                    [this](const QString& text) { applyVersionAnswer(text); });
}

void UpdateCheck::applyVersionAnswer(const QString& answer) {
    if (updateCheck_ == -1)
        return;
    const VersionAnswer::Verdict verdict = VersionAnswer::verdictOf(answer);
    if (verdict == VersionAnswer::Verdict::None) {
        // No verdict: ask again after twice the last wait (counted from this answer).
        tmrUpdate_->setInterval(std::min(tmrUpdate_->Interval() * 2, kLongestWaitMs));
        return;
    }
    updateCheck_ = -1;
    if (verdict == VersionAnswer::Verdict::Newer) {
        tmrUpdateBlink_->setEnabled(true);
        describe(true);
    }
    updateDue_.set(0);
    tmrUpdate_->setEnabled(false);
}

void UpdateCheck::tmrUpdateBlink_Timer() {
    picUpdate_.setEnabled(true);
    if (blinkCount_ == 0) {
        picUpdate_.setPicture(imlUpdate_.image(1));
        blinkCount_ = -1;
    } else {
        picUpdate_.setPicture(imlUpdate_.image(2));
        blinkCount_ = 0;
    }
}

void UpdateCheck::answerPrompt(bool yes) {
    updateDue_.set(0);
    if (yes) {
        openAddress_(VendorSite::url(QStringLiteral("/download/Brimvel/index.htm")));
        tmrUpdateBlink_->setEnabled(false);
        picUpdate_.setPicture(imlUpdate_.image(1));
        picUpdate_.setEnabled(false);
        describe(false);
    }
}

void UpdateCheck::describe(bool available) {
    // A screen reader hears the blink: the button says a newer version waits behind it.
    picUpdate_.setAccessibleTexts(available ? QStringLiteral("Update available") : QStringLiteral("Update"),
                                  available ? QStringLiteral("Download the newer version of Brimvel")
                                            : QString());
}
