// Sound cues: one switch for all of them, and the one rule by which each plays.

#include "../app/Paths.h"
#include "../app/Statement.h"
#include "../app/frmMain.h"

void frmMain::playCue(const QString& relativePath) {
    if (m.soundOn != 1 || !m.services.sound)
        return;
    m.services.sound->play(m.dataPath(relativePath));
}

void frmMain::picSound_MouseDown() {
    if (editorShowing())
        return;
    playCue(Paths::kButtonSound);
}

void frmMain::picSound_Click() {
    if (editorShowing())
        return;
    if (m.soundOn == 1) {
        m.soundOn = 0;
        picSound->setPicture(imlButton.image(9));
        statement([&] { m.regResult = WriteReg(QStringLiteral("sdo"), m.soundOn); });
    } else {
        m.soundOn = 1;
        picSound->setPicture(imlButton.image(10));
        statement([&] { m.regResult = WriteReg(QStringLiteral("sdo"), m.soundOn); });
    }
}
