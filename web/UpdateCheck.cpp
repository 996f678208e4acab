// The once-per-run update check: a minute after start, and every minute until there is an answer.

#include "../app/Paths.h"
#include "../app/Runtime.h"
#include "../app/Statement.h"
#include "../app/frmMain.h"
#include "VendorSite.h"
#include "VersionFetcher.h"

namespace {
const QString kThisVersion = QStringLiteral("1.5");
}

void frmMain::tmrUpdate_Timer() {
    if (updateCheck == -1) {
        tmrUpdate->setEnabled(false);
        return;
    }
    statement([&] { m.regResult = ReadReg(QStringLiteral("upd"), upD); });
    if (upD == 0) {
        tmrUpdate->setEnabled(false);
        return;
    }
    startUpdateDownload();
}

void frmMain::startUpdateDownload() {
    if (!fetcher_)
        fetcher_ = std::make_unique<VersionFetcher>();
    // One request at a time: a tick while the previous download still waits starts no second one.
    fetcher_->fetch(VendorSite::url(QStringLiteral("/download/Brimvel/version")),
                    [this](const QString& text) { applyVersionAnswer(text); });
}

void frmMain::applyVersionAnswer(const QString& answer) {
    if (updateCheck == -1)
        return;
    const QString text = answer.left(3);
    if (text.isEmpty())
        return; // no verdict: the next minute tries again
    if (text == kThisVersion) {
        updateCheck = -1;
        upD = 0;
        tmrUpdate->setEnabled(false);
        statement([&] { m.regResult = WriteReg(QStringLiteral("upd"), upD); });
    } else {
        updateCheck = -1;
        tmrUpdateBlink->setEnabled(true);
        upD = 0;
        statement([&] { m.regResult = WriteReg(QStringLiteral("upd"), upD); });
        tmrUpdate->setEnabled(false);
    }
}

void frmMain::tmrUpdateBlink_Timer() {
    picUpdate->setEnabled(true);
    if (blinkCount == 0) {
        picUpdate->setPicture(imlUpdate.image(1));
        blinkCount = -1;
    } else {
        picUpdate->setPicture(imlUpdate.image(2));
        blinkCount = 0;
    }
}

void frmMain::picUpdate_MouseDown() {
    if (editorShowing())
        return;
    if (picUpdate->isEnabled())
        playCue(Paths::kButtonSound);
}

void frmMain::picUpdate_Click() {
    if (editorShowing())
        return;
    const int answer =
        Runtime::MsgBox(this, QStringLiteral("Would you like to download the updated version of Brimvel?"),
                        Runtime::kYesNo | Runtime::kQuestion, QStringLiteral("Brimvel"));
    upD = 0;
    statement([&] { m.regResult = WriteReg(QStringLiteral("upd"), upD); });
    if (answer == Runtime::kAnswerYes) {
        openAddress(VendorSite::url(QStringLiteral("/download/Brimvel/index.htm")));
        tmrUpdateBlink->setEnabled(false);
        picUpdate->setPicture(imlUpdate.image(1));
        picUpdate->setEnabled(false);
    }
}
