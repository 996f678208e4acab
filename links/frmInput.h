// SPDX-License-Identifier: MIT
#pragma once

#include "../core/cInifile.h"
#include "../forms/Form.h"
#include "../forms/ImageArea.h"

#include <QPixmap>
#include <optional>

class QLineEdit;
class QPushButton;
class LinkEditorHost;
class QWindow;

// The link editor: sets the display name and address of one slot of the current page. Modeless; while it
// shows, the tab's and the base bar's pointer handlers do nothing.
class frmInput : public Form {
public:
    explicit frmInput(LinkEditorHost& host);

    // Shows the dialog for a slot of the page shown (or activates it again); every activation refills it
    // from the link table.
    void showEditor(int slot);
    // Shows the dialog for a slot with the given texts in its boxes instead of the slot's (a link dropped
    // onto the tab); they stay there, activation after activation, until the dialog is closed. Nothing is
    // written until OK.
    void showEditor(int slot, const QString& name, const QString& address);
    int editIndex() const { return editIndex_; }

    void Form_Activate();
    void txtName_KeyUp();
    void txtURL_KeyUp();
    void cmdOK_Click();
    void cmdCancel_Click();
    void imgDrag_MouseDown(double x, double y);
    void imgDrag_MouseMove();
    void imgDrag_MouseUp();
    void imgLogo_Click();
    void imgGoKestu_Click();

    QLineEdit* txtURL;
    QLineEdit* txtName;
    QPushButton* cmdOK;
    QPushButton* cmdCancel;
    ImageArea* imgLogo;
    ImageArea* imgGoKestu;
    ImageArea* imgDrag;

    int dragFlag = 0;
    float grabX = 0;
    float grabY = 0;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What assistive technology reads: the dialog, its boxes by their captions and the logo spots.
    void describeControls();
    void updateOk();
    void reportUnsaved();
    void showMessage(const QString& text);
    void finish();

    LinkEditorHost& tab;
    int editIndex_ = 0;
    cInifile link_cIni;
    void focusMoved(QWindow* now);

    // Where the keyboard was before the dialog last became active.
    enum class CameFrom { AnotherProgram, TabWindow, OwnMessage };
    CameFrom cameFrom_ = CameFrom::AnotherProgram;
    // Shown for a slot, and its activation has not come yet.
    bool shownForSlot_ = false;
    // The texts the dialog was shown with, when not the slot's own.
    struct GivenTexts {
        QString name;
        QString address;
    };
    std::optional<GivenTexts> given_;
};
