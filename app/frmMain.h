// SPDX-License-Identifier: MIT
#pragma once

#include "AppState.h"

#include "../core/LinkTable.h"
#include "../core/Timer.h"
#include "../core/VendorSite.h"
#include "../forms/Form.h"
#include "../forms/HandlerGuard.h"
#include "../forms/ImageArea.h"
#include "../forms/ImageList.h"
#include "../forms/Label.h"
#include "../forms/PictureBox.h"
#include "../links/LinkEditorHost.h"
#include "../tab/BaseBarHost.h"

#include <QHash>
#include <QPair>
#include <QPoint>
#include <QString>
#include <array>
#include <memory>
#include <optional>

class QDragMoveEvent;
class AccessibleGroup;
class Announcer;
class FocusReturn;
class FocusRing;
class KeyboardFocus;
class frmBase;
class frmInput;
class Hotkeys;
class LinkEdits;
class LinkPanel;
class SoundCues;
class StayOnTop;
class DropTarget;
class LinkFileWatch;
class TabMotion;
class UpdateCheck;

// The tab window: the skinned tab docked at the right screen edge. It holds the widgets and their handlers;
// each handler hands the work to the subsystem that owns it (the tab's motion, the link panel, the number-pad
// hotkeys, the update check, stay-on-top, the sound cues), and only sequences that cross subsystems, such as
// a link click, are written here. While the link editor shows, the pointer handlers do nothing.
//
// A link dragged from another program (an address, see LinkDrop) can be dropped onto a link row: the link
// editor opens for that slot with the dragged texts, and OK saves them as a typed link would. Held over the
// retracted strip for half a second, such a drag slides the tab out. Nothing else is taken, and nothing at
// all while the editor shows.
class frmMain : public Form, private LinkEditorHost, private BaseBarHost {
public:
    explicit frmMain(AppState& state);
    ~frmMain() override;

    // Start-up. Returns false when this run is a second instance and must end at once.
    bool Form_Load();
    // The close query: reason 0..5; setting `cancel` nonzero refuses the close.
    void Form_QueryUnload(int reason, int& cancel);
    // Requests a close with a reason, as the window system would (0 close command, 1 by the program,
    // 2 session end).
    void requestClose(int reason);
    // The global shortcut's path (`brimvel --toggle`): slides the tab out, where it takes the keyboard as
    // after any slide out, or in, giving the keyboard back.
    void toggleFromKeyboard();
    // Slides the tab out when it is in and in when it is out, unless the editor shows or the tab still moves.
    void toggleTab();

    AppState& state() { return m; }
    frmBase& base() { return *base_; }
    frmInput& input();
    bool editorShowing() const;
    // True while the tab's pointer handlers wait: the link editor, or a link row's menu and what it asks.
    bool handlersHeld() const;

    // A link row's menu at `where` (global): Edit…, Remove, Move to page.
    void showLinkMenu(int row, QPoint where);

    // The subsystems.
    TabMotion& motion() { return *motion_; }
    LinkPanel& panel() { return *panel_; }
    Hotkeys& hotkeys() { return *hotkeys_; }
    UpdateCheck& updates() { return *updates_; }
    StayOnTop& stayOnTop() { return *stayOnTop_; }
    SoundCues& cues() { return *cues_; }
    KeyboardFocus& keyboard() { return *keyboard_; }

private:
    // ---- widgets ----
    // Tests see them through their TabView (tests/support/TabView.h).
    friend struct TabView;
    PictureBox* picBack;
    ImageArea* imgMousover;
    ImageArea* imgDrag;
    ImageArea* imgHidden;
    ImageArea* imgQuickLinks;
    ImageArea* imgSearch;
    ImageArea* imgHelp;
    ImageArea* imgLogo;
    ImageArea* imgGoKestu;
    PictureBox* picStayOnTop;
    PictureBox* picUpdate;
    PictureBox* picSound;
    PictureBox* picAutoRetract;
    PictureBox* picMouseover;
    PictureBox* picExit;
    std::array<PictureBox*, 9> picMode{};
    std::array<PictureBox*, 10> picLink{};
    std::array<Label*, 10> lblLink{};
    std::array<PictureBox*, 10> picLinkLight{};
    // The page selectors as assistive technology sees them: one page tab list.
    AccessibleGroup* pageTabs = nullptr;
    FocusRing* focusRing = nullptr;
    // Says what was done, and what changed out of sight, to a screen reader.
    Announcer* announcer = nullptr;

    ImageList imgSkin{QStringList{QStringLiteral("skin_tab")}};
    ImageList imlButton{QStringLiteral("button"), 10};
    ImageList imlUpdate{QStringLiteral("update"), 2};
    ImageList imlLink{QStringLiteral("link"), 10};
    ImageList imlLinkMouseover{QStringLiteral("linkhover"), 10};
    ImageList imlLinkLight{QStringLiteral("light"), 4};
    ImageList imlMode{QStringLiteral("mode"), 18};

public:
    // ---- operations several subsystems use ----
    void playCue(const QString& relativePath);
    void animation();
    void restoreHoverPicture();
    void openAddress(const QString& address);
    QString linkFilePath() const override;

    // ---- handlers ----
    void picExit_MouseDown();
    void picExit_Click();
    void picMode_MouseDown(int index);
    void picMode_MouseUp(int index);
    void picLink_MouseMove(int index);
    void picLink_Click(int index);
    void picLink_MouseDown(int index, int button);
    void picLinkLight_MouseDown(int index);
    void picLinkLight_MouseUp(int index);
    void picLinkLight_Click(int index);
    void imgMousover_MouseMove();
    void imgMousover_MouseDown();
    void imgMousover_Click();
    void picMouseover_MouseDown();
    void picMouseover_Click();
    void picAutoRetract_MouseDown();
    void picAutoRetract_Click();
    void picStayOnTop_MouseDown();
    void picStayOnTop_Click();
    void imgDrag_MouseDown(double y);
    void imgDrag_MouseMove();
    void imgDrag_MouseUp();
    void Form_MouseUp();
    void Form_MouseMove();
    void picSound_MouseDown();
    void picSound_Click();
    void picUpdate_MouseDown();
    void picUpdate_Click();
    void imgHelp_Click();
    void imgQuickLinks_Click();
    void imgSearch_Click();
    void imgLogo_Click();
    void imgGoKestu_Click();
    void imgGoKestu_MouseMove();

    // Counts the half second a dragged link rests on the retracted strip (a form timer: it follows the
    // program's clock like every other wait the user feels).
    Timer& tmrDropHover();

protected:
    void closeEvent(QCloseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildWidgets();
    // What the tab's first picture does not need, done in the event loop's turn after it is on screen: the
    // pictures not shown yet are decoded, and the window gets its icon.
    void afterFirstPicture();
    void decodePictures(size_t next);
    bool firstPictureShown_ = false;
    // Makes widget `name` (member `index` of a control array, or -1) where the tab's layout table places it,
    // with the rest of its constructor's arguments.
    template <typename W, typename... Extra>
    W* placed(QWidget* parent, const char* name, int index = -1, const Extra&... extra);
    // Every widget the layout placed, by name and index.
    QHash<QPair<QString, int>, Control*> byName_;
    void buildSubsystems();
    void wireHandlers();
    void showSwitchPictures();

    // ---- assistive technology and the keyboard ----
    // Gives every control its role, fixed name and action; the subsystems keep the changing names and states.
    void describeControls();
    // The keyboard's way through the open tab (panel/KeyboardFocus).
    void buildKeyboardFocus();
    // The tab finished sliding out (or in): the strip's and the cap's names, and where the keyboard starts.
    void tabSlid(bool out);
    // The Menu key or Shift+F10 on a focused link row.
    void linkMenuFromKeyboard(int row);
    // A dialog, message box or menu opened from the keyboard or by assistive technology has closed: the
    // keyboard goes back to the control that opened it, while the tab is open.
    void giveKeyboardBack(QWidget* opener);
    // Tells a screen reader the page shown; the focused row is read again after it.
    void announcePage();
    void announce(const QString& text);
    // Set while `brimvel --toggle` slides the tab out: the focus ring shows at once.
    bool keyboardOpening_ = false;

    void openVendorPage(VendorSite::Page page);
    // A pressed row dragged far enough begins a drag of its link.
    void rowDragMove(int index);
    // Reads the link file again and shows the page's names; a change made elsewhere (an import) is said.
    void reloadLinks(bool changedElsewhere = false);

    // The link editor's view of the tab.
    int currentPage() const override;
    QString slotName(int slot) const override;
    QString slotAddress(int slot) const override;
    void linkSaved(int slot, const QString& name) override;
    void editorClosed() override;
    bool isTabWindow(const QWindow* window) const override;
    // The base bar's view of the tab.
    void capPressed() override;
    void capClicked() override;
    void pointerOnBar() override;
    void openVendorHome() override;
    void skinBar(Form& bar, PictureBox& back) override;
    bool handlersBlocked() const override { return handlersHeld(); }

    AppState& m;
    int16_t skin = 0;
    int closeReason_ = 0;
    const HandlerGuard guarded;
    std::unique_ptr<frmBase> base_;
    std::unique_ptr<frmInput> input_;
    std::unique_ptr<TabMotion> motion_;
    std::unique_ptr<LinkPanel> panel_;
    std::unique_ptr<LinkEdits> edits_;
    std::unique_ptr<Hotkeys> hotkeys_;
    std::unique_ptr<UpdateCheck> updates_;
    std::unique_ptr<StayOnTop> stayOnTop_;
    std::unique_ptr<DropTarget> drops_;
    std::unique_ptr<SoundCues> cues_;
    std::unique_ptr<KeyboardFocus> keyboard_;
    std::unique_ptr<LinkFileWatch> linkWatch_;
    std::unique_ptr<FocusReturn> focusReturn_;

    // Where the left button went down on a link row, until a drag begins or the button goes up.
    struct RowPress {
        int row;
        QPoint at;
    };
    std::optional<RowPress> rowPress_;
    // Counts the link menu while it shows (LinkEdits counts the questions it leads to).
    int linkMenuShowing_ = 0;
};
