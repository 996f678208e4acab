// SPDX-License-Identifier: MIT
#include "frmMain.h"

#include "SecondStart.h"
#include "SwitchPictures.h"

#include "../core/Paths.h"

#include "../core/AddressPolicy.h"
#include "../core/LinkDrop.h"
#include "../core/LinkFileWatch.h"
#include "../core/LinkTable.h"
#include "../core/VendorSite.h"
#include "../forms/AccessibleGroup.h"
#include "../forms/Announcer.h"
#include "../forms/FocusReturn.h"
#include "../forms/FocusRing.h"
#include "../forms/Pause.h"
#include "../forms/Runtime.h"
#include "../links/frmInput.h"
#include "../panel/DropTarget.h"
#include "../panel/Hotkeys.h"
#include "../panel/KeyboardFocus.h"
#include "../panel/LinkEdits.h"
#include "../panel/LinkMenu.h"
#include "../panel/LinkPanel.h"
#include "../shape/ApplySkin.h"
#include "../tab/SoundCues.h"
#include "../tab/StayOnTop.h"
#include "../tab/TabMotion.h"
#include "../tab/frmBase.h"
#include "../web/UpdateCheck.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QDropEvent>
#include <QFont>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <string_view>
#include <type_traits>
#include <unistd.h>

namespace {
QFont captionFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(6.75);
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

const QColor kCaptionColour(0x20, 0x39, 0x61);

// What a widget is: an invisible hit area, a picture box, or a link caption.
enum class Kind { ImageArea, PictureBox, Label };

// Where each of the tab's widgets stands, in twips (15 to a logical pixel), one row per widget; an index of
// -1 is a widget of its own, others are members of a control array. A link caption's place is inside its link
// button.
struct WidgetPlace {
    const char* name;
    int index;
    Kind kind;
    int left, top, width, height;
};

// clang-format off
const WidgetPlace kLayout[] = {
    // name           index  kind               left    top  width height
    {"imgMousover",    -1, Kind::ImageArea,      0,    15,   180,  1170},
    {"imgDrag",        -1, Kind::ImageArea,   2640,    30,   465,  1170},
    {"imgHidden",      -1, Kind::ImageArea,    180,  1485,  2490,  3015},
    {"imgQuickLinks",  -1, Kind::ImageArea,    255,    60,   825,   210},
    {"imgSearch",      -1, Kind::ImageArea,   1335,    60,   630,   210},
    {"imgHelp",        -1, Kind::ImageArea,   2145,    75,   480,   210},
    {"imgLogo",        -1, Kind::ImageArea,    480,   360,  2025,   435},
    {"imgGoKestu",     -1, Kind::ImageArea,    630,   885,  1575,   210},
    {"picBack",        -1, Kind::PictureBox,     0,     0,  3105,  4530},
    {"picStayOnTop",   -1, Kind::PictureBox,  2670,    30,   165,   180},
    {"picUpdate",      -1, Kind::PictureBox,  2820,    30,   255,   270},
    {"picSound",       -1, Kind::PictureBox,  2895,   780,   165,   195},
    {"picAutoRetract", -1, Kind::PictureBox,  2670,   795,   165,   180},
    {"picMouseover",   -1, Kind::PictureBox,  2670,   975,   165,   180},
    {"picExit",        -1, Kind::PictureBox,  2895,   975,   165,   180},
    {"picMode",         0, Kind::PictureBox,   225,  1230,   240,   240},
    {"picMode",         1, Kind::PictureBox,   495,  1230,   240,   240},
    {"picMode",         2, Kind::PictureBox,   765,  1230,   240,   240},
    {"picMode",         3, Kind::PictureBox,  1035,  1230,   240,   240},
    {"picMode",         4, Kind::PictureBox,  1305,  1230,   240,   240},
    {"picMode",         5, Kind::PictureBox,  1575,  1230,   240,   240},
    {"picMode",         6, Kind::PictureBox,  1845,  1230,   240,   240},
    {"picMode",         7, Kind::PictureBox,  2115,  1230,   240,   240},
    {"picMode",         8, Kind::PictureBox,  2385,  1230,   240,   240},
    {"picLink",         0, Kind::PictureBox,   180,  1500,  2490,   315},
    {"lblLink",         0, Kind::Label,        255,    60,  2040,   195},
    {"picLink",         1, Kind::PictureBox,   180,  1800,  2490,   315},
    {"lblLink",         1, Kind::Label,        255,    60,  2040,   195},
    {"picLink",         2, Kind::PictureBox,   180,  2100,  2490,   315},
    {"lblLink",         2, Kind::Label,        255,    60,  2040,   195},
    {"picLink",         3, Kind::PictureBox,   180,  2400,  2490,   315},
    {"lblLink",         3, Kind::Label,        255,    60,  2040,   195},
    {"picLink",         4, Kind::PictureBox,   180,  2700,  2490,   315},
    {"lblLink",         4, Kind::Label,        255,    60,  2025,   195},
    {"picLink",         5, Kind::PictureBox,   180,  3000,  2490,   315},
    {"lblLink",         5, Kind::Label,        255,    60,  2040,   195},
    {"picLink",         6, Kind::PictureBox,   180,  3300,  2490,   315},
    {"lblLink",         6, Kind::Label,        255,    60,  2040,   195},
    {"picLink",         7, Kind::PictureBox,   180,  3600,  2490,   315},
    {"lblLink",         7, Kind::Label,        255,    60,  2040,   195},
    {"picLink",         8, Kind::PictureBox,   180,  3900,  2490,   315},
    {"lblLink",         8, Kind::Label,        270,    60,  2040,   195},
    {"picLink",         9, Kind::PictureBox,   180,  4200,  2490,   315},
    {"lblLink",         9, Kind::Label,        270,    60,  2025,   195},
    {"picLinkLight",    0, Kind::PictureBox,  2475,  1515,   165,   180},
    {"picLinkLight",    1, Kind::PictureBox,  2475,  1815,   165,   180},
    {"picLinkLight",    2, Kind::PictureBox,  2475,  2115,   165,   180},
    {"picLinkLight",    3, Kind::PictureBox,  2475,  2415,   165,   180},
    {"picLinkLight",    4, Kind::PictureBox,  2475,  2715,   165,   180},
    {"picLinkLight",    5, Kind::PictureBox,  2475,  3015,   165,   180},
    {"picLinkLight",    6, Kind::PictureBox,  2475,  3315,   165,   180},
    {"picLinkLight",    7, Kind::PictureBox,  2475,  3615,   165,   180},
    {"picLinkLight",    8, Kind::PictureBox,  2475,  3915,   165,   180},
    {"picLinkLight",    9, Kind::PictureBox,  2475,  4215,   165,   180},
};
// clang-format on

const WidgetPlace& placeOf(std::string_view name, int index) {
    for (const WidgetPlace& place : kLayout) {
        if (name == place.name && index == place.index)
            return place;
    }
    qFatal("no place for %s[%d] in the tab's layout", name.data(), index);
}

template <typename W> constexpr Kind kindOf() {
    if constexpr (std::is_same_v<W, ImageArea>)
        return Kind::ImageArea;
    else if constexpr (std::is_same_v<W, PictureBox>)
        return Kind::PictureBox;
    else
        return Kind::Label;
}
} // namespace

template <typename W, typename... Extra>
W* frmMain::placed(QWidget* parent, const char* name, int index, const Extra&... extra) {
    const WidgetPlace& place = placeOf(name, index);
    Q_ASSERT(place.kind == kindOf<W>());
    auto* widget = new W(parent, place.left, place.top, place.width, place.height, extra...);
    byName_.insert({name, index}, widget);
    return widget;
}

frmMain::frmMain(AppState& state) : Form(true), m(state), guarded([this] { return handlersHeld(); }) {
    setWindowTitle(QStringLiteral("Brimvel-Blue"));
    setObjectName(QStringLiteral("frmMain"));
    m.prefs.setStore(m.services.settings.get());
    buildWidgets();
    buildSubsystems();
    wireHandlers();
    describeControls();
    buildKeyboardFocus();
    moveTwips(0, 0, 3105, 4530);
    setAcceptDrops(true);
}

frmMain::~frmMain() = default;

void frmMain::paintEvent(QPaintEvent* event) {
    Form::paintEvent(event);
    if (firstPictureShown_)
        return;
    firstPictureShown_ = true;
    // Queued from the first paint, the step runs after the picture has gone to the screen; an input event
    // that came meanwhile (a click on the strip) waits for it no longer than one turn.
    QMetaObject::invokeMethod(
        this, [this] { afterFirstPicture(); }, Qt::QueuedConnection);
}

void frmMain::afterFirstPicture() {
    // The window manager shows the icon where it lists windows; the tab's own picture has no place for it.
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/img/icon_%1.png").arg(size));
    setWindowIcon(icon);
    decodePictures(0);
}

void frmMain::decodePictures(size_t next) {
    // Decoded now, the pictures of the open tab are ready when it first slides out. One list a turn: a click
    // that comes meanwhile waits for one list at most.
    const std::array<const ImageList*, 7> lists{&imgSkin,          &imlButton,    &imlUpdate, &imlLink,
                                                &imlLinkMouseover, &imlLinkLight, &imlMode};
    if (next >= lists.size())
        return;
    lists[next]->decodeAll();
    QTimer::singleShot(0, this, [this, next] { decodePictures(next + 1); });
}

void frmMain::buildWidgets() {
    // Image hit areas first: they lie beneath every picture box.
    imgMousover = placed<ImageArea>(this, "imgMousover");
    imgDrag = placed<ImageArea>(this, "imgDrag");
    imgHidden = placed<ImageArea>(this, "imgHidden");
    imgQuickLinks = placed<ImageArea>(this, "imgQuickLinks");
    imgSearch = placed<ImageArea>(this, "imgSearch");
    imgHelp = placed<ImageArea>(this, "imgHelp");
    imgLogo = placed<ImageArea>(this, "imgLogo");
    imgGoKestu = placed<ImageArea>(this, "imgGoKestu");
    for (ImageArea* hand : {imgDrag, imgQuickLinks, imgSearch, imgHelp, imgLogo, imgGoKestu})
        hand->setPointer(Control::Pointer::Hand);

    picBack = placed<PictureBox>(this, "picBack", -1, imgSkin.image(1));
    picStayOnTop = placed<PictureBox>(this, "picStayOnTop", -1, imlButton.image(4));
    picUpdate = placed<PictureBox>(this, "picUpdate", -1, imlUpdate.image(2));
    picSound = placed<PictureBox>(this, "picSound", -1, imlButton.image(10));
    picAutoRetract = placed<PictureBox>(this, "picAutoRetract", -1, imlButton.image(8));
    picMouseover = placed<PictureBox>(this, "picMouseover", -1, imlButton.image(2));
    picExit = placed<PictureBox>(this, "picExit", -1, imlButton.image(6));

    for (int k = 0; k < 9; ++k)
        picMode[k] = placed<PictureBox>(this, "picMode", k, imlMode.image(2 * k + 1));

    // Until the first look is given, each button carries a design-time picture of its own (the same image as
    // the list's), which counts as neither its normal nor its highlighted image.
    static const std::array<Picture, 10> designPictures = [] {
        std::array<Picture, 10> pictures;
        for (int i = 0; i < 10; ++i)
            pictures[i] = Picture::embedded(QStringLiteral("link_%1").arg(i + 1));
        return pictures;
    }();
    const QFont font = captionFont();
    for (int i = 0; i < 10; ++i) {
        picLink[i] = placed<PictureBox>(this, "picLink", i, &designPictures[i]);
        picLink[i]->setPointer(Control::Pointer::Hand);
        lblLink[i] = placed<Label>(picLink[i], "lblLink", i, font, kCaptionColour);
    }
    for (int i = 0; i < 10; ++i)
        picLinkLight[i] = placed<PictureBox>(this, "picLinkLight", i, imlLinkLight.image(1));
}

void frmMain::buildSubsystems() {
    base_ = std::make_unique<frmBase>(static_cast<BaseBarHost&>(*this));
    cues_ = std::make_unique<SoundCues>(StoredSetting(m.prefs, Preferences::Sound), m.services.sound.get(),
                                        m.programFolder);

    TabMotion::Hooks hooks;
    hooks.cue = [this](const QString& cue) { playCue(cue); };
    hooks.openChanged = [this](bool open) { hotkeys_->setActive(open); };
    // Open, the tab holds the keyboard; as it starts to slide in, the window that had it before gets it back,
    // so that a key typed the moment the tab is gone reaches that window.
    hooks.slidOut = [this] {
        if (m.services.stacking)
            m.services.stacking->takeFocus(this);
        tabSlid(true);
    };
    hooks.slidingIn = [this] {
        if (m.services.stacking)
            m.services.stacking->returnFocus(this);
    };
    hooks.slidIn = [this] { tabSlid(false); };
    hooks.held = [this] { return handlersHeld(); };
    motion_ =
        std::make_unique<TabMotion>(*this, *base_, *imgDrag,
                                    TabMotion::Settings{StoredSetting(m.prefs, Preferences::TabTop),
                                                        StoredSetting(m.prefs, Preferences::HoverOpen),
                                                        StoredSetting(m.prefs, Preferences::AutoRetract)},
                                    std::move(hooks));

    panel_ = std::make_unique<LinkPanel>(LinkPanel::Widgets{*this, *imgHidden, picLink, lblLink, picLinkLight,
                                                            picMode, imlLink, imlLinkMouseover, imlLinkLight,
                                                            imlMode},
                                         StoredSetting(m.prefs, Preferences::Page));
    edits_ = std::make_unique<LinkEdits>(
        this, LinkEdits::Hooks{[this] { return linkFilePath(); }, [this] { reloadLinks(); },
                               [this](const QString& text) { announce(text); }});
    // A number-pad key opens its link as a click on the button would, and not while the editor shows.
    hotkeys_ = std::make_unique<Hotkeys>(nullptr, m.services.keys.get(),
                                         guarded([this](int slot) { picLink_Click(slot); }));
    updates_ = std::make_unique<UpdateCheck>(nullptr, *picUpdate, imlUpdate,
                                             StoredSetting(m.prefs, Preferences::UpdateDue),
                                             [this](const QString& address) { openAddress(address); });
    // A link dragged onto the tab. The strip's half second slides the tab out as a click on the strip would,
    // without the click's pause, and never while it moves.
    drops_ = std::make_unique<DropTarget>(DropTarget::Tab{
        [this] { return guarded.blocked(); }, [this](QPoint position) { return panel_->rowAt(position); },
        [this](QPoint position) {
            return motion_->extended() == 0 && imgMousover->geometry().contains(position);
        },
        [this](int row) { panel_->highlight(row); },
        [this] {
            if (motion_->extended() == 0 && !motion_->busy() && !motion_->verticalMotion())
                motion_->animation();
        },
        [this](int row, const LinkDrop::Link& link) {
            // The slot is one of the page shown; a link already there stays until OK.
            if (!editorShowing())
                input().showEditor(row, link.title, link.address);
        },
        [this](QPoint position) { return panel_->pageSelectorAt(position); },
        [this](int page, int row, int toRow) { edits_->move(page, row, page, toRow); },
        [this](int page, int row, int toPage) { edits_->moveToPage(page, row, toPage); }});
    stayOnTop_ = std::make_unique<StayOnTop>(
        *this, *base_, m.services.stacking.get(), StoredSetting(m.prefs, Preferences::OnTop),
        [this] { motion_->redock(); }, [this] { motion_->keepHandleHeight(); });
}

void frmMain::wireHandlers() {
    // Pointer events. The handlers that must do nothing while the link editor shows are wrapped once, here.
    auto any = [](auto f) { return [f](int, int, double, double) { f(); }; };
    imgMousover->onMouseMove = guarded(any([this] { imgMousover_MouseMove(); }));
    imgMousover->onMouseDown = guarded(any([this] { imgMousover_MouseDown(); }));
    imgMousover->onClick = guarded([this] { imgMousover_Click(); });
    imgDrag->onMouseDown = guarded([this](int, int, double, double y) { imgDrag_MouseDown(y); });
    imgDrag->onMouseMove = guarded(any([this] { imgDrag_MouseMove(); }));
    imgDrag->onMouseUp = guarded(any([this] { imgDrag_MouseUp(); }));
    imgQuickLinks->onClick = [this] { imgQuickLinks_Click(); };
    imgSearch->onClick = [this] { imgSearch_Click(); };
    imgHelp->onClick = [this] { imgHelp_Click(); };
    imgLogo->onClick = [this] { imgLogo_Click(); };
    imgGoKestu->onClick = [this] { imgGoKestu_Click(); };
    imgGoKestu->onMouseMove = any([this] { imgGoKestu_MouseMove(); });
    // The link area's hit area only gives its geometry to the pointer-over test; moves over its uncovered
    // edge rows count as the form's own surface.
    imgHidden->onMouseMove = any([this] { Form_MouseMove(); });
    imgHidden->onMouseUp = any([this] { Form_MouseUp(); });

    picStayOnTop->onMouseDown = guarded(any([this] { picStayOnTop_MouseDown(); }));
    picStayOnTop->onClick = guarded([this] { picStayOnTop_Click(); });
    picUpdate->onMouseDown = guarded(any([this] { picUpdate_MouseDown(); }));
    picUpdate->onClick = guarded([this] { picUpdate_Click(); });
    picSound->onMouseDown = guarded(any([this] { picSound_MouseDown(); }));
    picSound->onClick = guarded([this] { picSound_Click(); });
    picAutoRetract->onMouseDown = guarded(any([this] { picAutoRetract_MouseDown(); }));
    picAutoRetract->onClick = guarded([this] { picAutoRetract_Click(); });
    picMouseover->onMouseDown = guarded(any([this] { picMouseover_MouseDown(); }));
    picMouseover->onClick = guarded([this] { picMouseover_Click(); });
    picExit->onMouseDown = guarded(any([this] { picExit_MouseDown(); }));
    picExit->onClick = guarded([this] { picExit_Click(); });

    for (int k = 0; k < 9; ++k) {
        picMode[k]->onMouseDown = guarded(any([this, k] { picMode_MouseDown(k); }));
        picMode[k]->onMouseUp = guarded(any([this, k] { picMode_MouseUp(k); }));
    }
    for (int i = 0; i < 10; ++i) {
        // The caption and the light pass the pointer on to their button.
        const auto linkMove = guarded(any([this, i] { picLink_MouseMove(i); }));
        picLinkLight[i]->onMouseMove = linkMove;
        // A press on the row (its button or caption) may begin a drag of its link or open its menu.
        const auto rowDown =
            guarded([this, i](int button, int, double, double) { picLink_MouseDown(i, button); });
        const auto rowMove = guarded([this, i](int button, int, double, double) {
            picLink_MouseMove(i);
            if (button & 1)
                rowDragMove(i);
        });
        picLink[i]->onMouseDown = rowDown;
        lblLink[i]->onMouseDown = rowDown;
        picLink[i]->onMouseMove = rowMove;
        lblLink[i]->onMouseMove = rowMove;
        picLink[i]->onClick = guarded([this, i] { picLink_Click(i); });
        lblLink[i]->onClick = guarded([this, i] { picLink_Click(i); });
        picLinkLight[i]->onMouseDown = guarded(any([this, i] { picLinkLight_MouseDown(i); }));
        picLinkLight[i]->onMouseUp = guarded(any([this, i] { picLinkLight_MouseUp(i); }));
        picLinkLight[i]->onClick = guarded([this, i] { picLinkLight_Click(i); });
    }
    onMouseMove = any([this] { Form_MouseMove(); });
    onMouseUp = any([this] { Form_MouseUp(); });
}

frmInput& frmMain::input() {
    // The dialog exists, hidden, from the first time anything asks about it.
    if (!input_)
        input_ = std::make_unique<frmInput>(static_cast<LinkEditorHost&>(*this));
    return *input_;
}

bool frmMain::editorShowing() const {
    return input_ && input_->isVisible();
}

bool frmMain::handlersHeld() const {
    return editorShowing() || linkMenuShowing_ > 0 || (edits_ && edits_->asking());
}

bool frmMain::Form_Load() {
    // A second instance brings the running one's tab and base bar to the front, the bar above as the running
    // one stacks them, and ends before touching anything. Started with --toggle, it tells the running one to
    // toggle its tab instead.
    Instances* instances = m.services.instances.get();
    if (SecondStart::handOver(instances, m.toggleRequested, {windowTitle(), base_->windowTitle()}))
        return false;

    hide();
    picBack->hide();

    // Every preference with its default; the update check is due again at every start.
    m.prefs.loadAtStart();
    skin = m.prefs[Preferences::Skin];
    picBack->setPicture(imgSkin.image(skin));
    int32_t transparent = 0;
    ApplySkin(*this, *picBack, transparent);
    motion_->placeAtStart();
    updates_->reset();

    // Retracted: the head panel only.
    setHeight(1200);

    // The base bar is loaded (and skinned) with the first stacking of both windows.
    base_->Form_Load();
    stayOnTop_->applyAtStart();
    motion_->startSwitches();
    showSwitchPictures();
    picExit->setPicture(imlButton.image(6));

    picUpdate->setEnabled(false);
    base_->setTop(Top() + 1180);
    base_->setLeft(Left());
    show();
    base_->show();

    panel_->loadPLinks(linkFilePath());
    panel_->showPageNames();
    hotkeys_->setActive(false);
    // Links added from the command line, or the file edited by hand, show at once.
    linkWatch_ = std::make_unique<LinkFileWatch>(linkFilePath(), [this] { reloadLinks(true); });

    // The tab and the cap bypass the window manager: once they are on screen, stack them as asked.
    stayOnTop_->restack();

    if (instances) {
        instances->listen([this](const QString& word) {
            if (word == QLatin1String("toggle"))
                toggleFromKeyboard();
        });
    }
    if (m.toggleRequested)
        QMetaObject::invokeMethod(
            this, [this] { toggleFromKeyboard(); }, Qt::QueuedConnection);
    return true;
}

void frmMain::toggleFromKeyboard() {
    keyboardOpening_ = true;
    toggleTab();
    keyboardOpening_ = false;
}

void frmMain::toggleTab() {
    // Nothing moves while the editor shows or the tab still grows or shrinks: the next press finds it still.
    if (editorShowing() || motion_->busy() || motion_->verticalMotion())
        return;
    motion_->animation();
}

// The one place the four switches get their pictures, each as its owner decides how it looks.
void frmMain::showSwitchPictures() {
    const auto show = [this](PictureBox* button, Switch which, SwitchLook look) {
        if (const std::optional<int> picture = switchPicture(which, look))
            button->setPicture(imlButton.image(*picture));
        // A screen reader reads each switch as the picture shows it.
        button->setAccessibleChecked(button->picture() ==
                                     imlButton.image(*switchPicture(which, SwitchLook::On)));
    };
    show(picStayOnTop, Switch::StayOnTop, stayOnTop_->look());
    show(picMouseover, Switch::HoverOpen, motion_->hoverOpenLook());
    show(picAutoRetract, Switch::AutoRetract, motion_->autoRetractLook());
    show(picSound, Switch::Sound, cues_->look());
}

void frmMain::closeEvent(QCloseEvent* event) {
    int cancel = 0;
    Form_QueryUnload(closeReason_, cancel);
    closeReason_ = 0;
    if (cancel)
        event->ignore();
    else
        event->accept();
}

void frmMain::leaveEvent(QEvent* event) {
    // Where the display server reports no pointer position outside our windows, only this event says the
    // pointer has gone; the pointer-out tick's position test stays for the cases without one.
    panel_->pointerLeft();
    Form::leaveEvent(event);
}

void frmMain::requestClose(int reason) {
    closeReason_ = reason;
    close();
}

// ---- leaving the program: the exit button and every close request pass through one close query ----

void frmMain::picExit_MouseDown() {
    playCue(Paths::kButtonSound);
    picExit->setPicture(imlButton.image(5));
}

void frmMain::picExit_Click() {
    requestClose(1);
}

void frmMain::Form_QueryUnload(int reason, int& cancel) {
    if (reason != 2) {
        const int answer = Runtime::MsgBox(this, QStringLiteral("Are you sure you want to exit Brimvel?"),
                                           Runtime::kYesNo | Runtime::kQuestion, QStringLiteral("Brimvel"));
        if (answer != Runtime::kAnswerYes) {
            cancel = 1;
            picExit->setPicture(imlButton.image(6));
            return;
        }
    }
    // The program ends at once: no further handler or timer runs. Every setting and link is already on disk.
    std::fflush(nullptr);
    ::_exit(0);
}

// ---- operations several subsystems use ----

void frmMain::playCue(const QString& relativePath) {
    cues_->playCue(relativePath);
}

void frmMain::animation() {
    motion_->animation();
}

void frmMain::restoreHoverPicture() {
    panel_->restoreHoverPicture();
}

void frmMain::openAddress(const QString& address) {
    const AddressPolicy::Decision decision = AddressPolicy::decide(address);
    if (!decision.accepted()) {
        // A link that is not opened says why, rather than doing nothing.
        Runtime::MsgBox(this, decision.refusal, Runtime::kOkOnly | Runtime::kExclamation,
                        QStringLiteral("Brimvel"));
        return;
    }
    if (m.services.shell)
        m.services.shell->open(decision.address);
}

QString frmMain::linkFilePath() const {
    return m.linkFile.isEmpty() ? m.dataPath(Paths::kLinkFile) : m.linkFile;
}

// ---- link pages, buttons and lights ----

void frmMain::picMode_MouseDown(int index) {
    const int before = m.currentPage();
    panel_->pressPage(index);
    if (index != before)
        announcePage();
}

void frmMain::picMode_MouseUp(int index) {
    panel_->releasePage(index);
}

void frmMain::picLink_MouseMove(int index) {
    panel_->hover(index);
}

void frmMain::picLink_Click(int index) {
    if (panel_->slotEmpty(index))
        return;
    playCue(Paths::kButtonSound);
    Pause(1);
    motion_->animation();
    Pause(1);
    openAddress(panel_->address(index));
}

void frmMain::picLink_MouseDown(int index, int button) {
    rowPress_.reset();
    if (button & 1)
        rowPress_ = RowPress{index, QCursor::pos()};
    else if (button & 2)
        showLinkMenu(index, QCursor::pos());
}

void frmMain::rowDragMove(int index) {
    if (!rowPress_ || rowPress_->row != index ||
        (QCursor::pos() - rowPress_->at).manhattanLength() < QApplication::startDragDistance())
        return;
    rowPress_.reset();
    if (panel_->slotEmpty(index))
        return;
    drops_->dragRow(picLink[index], m.currentPage(), index, {panel_->address(index), panel_->name(index)});
}

void frmMain::showLinkMenu(int row, QPoint where) {
    if (row < 0 || row >= LinkTable::kSlots || handlersHeld())
        return;
    const int page = m.currentPage();
    // While the menu shows, the tab stays as it is and its handlers wait.
    ++linkMenuShowing_;
    LinkMenu::show(this, where, panel_->table().holdsLink(page, row), page,
                   [this, page, row](LinkMenu::Answer answer) {
                       --linkMenuShowing_;
                       switch (answer.choice) {
                       case LinkMenu::Choice::None:
                           break;
                       case LinkMenu::Choice::Edit:
                           picLinkLight_Click(row);
                           break;
                       case LinkMenu::Choice::Remove:
                           edits_->remove(page, row);
                           break;
                       case LinkMenu::Choice::MoveToPage:
                           edits_->moveToPage(page, row, answer.page);
                           break;
                       }
                   });
}

void frmMain::reloadLinks(bool changedElsewhere) {
    const LinkTable before = panel_->table();
    panel_->loadPLinks(linkFilePath());
    panel_->showPageNames();
    // Our own saves have been read already; only a change made elsewhere is news.
    if (!changedElsewhere)
        return;
    const QString summary = LinkEdits::changeSummary(before, panel_->table());
    if (!summary.isEmpty())
        announce(summary);
}

void frmMain::picLinkLight_MouseDown(int index) {
    playCue(Paths::kButtonSound);
    panel_->pressLight(index);
}

void frmMain::picLinkLight_MouseUp(int index) {
    panel_->releaseLight(index);
}

void frmMain::picLinkLight_Click(int index) {
    input().showEditor(index);
}

// ---- the link editor's view of the tab ----

int frmMain::currentPage() const {
    return m.currentPage();
}

QString frmMain::slotName(int slot) const {
    return panel_->name(slot);
}

QString frmMain::slotAddress(int slot) const {
    return panel_->address(slot);
}

void frmMain::linkSaved(int slot, const QString& name) {
    panel_->loadPLinks(linkFilePath());
    panel_->setCaption(slot, name);
    announce(QStringLiteral("Saved %1").arg(name));
}

bool frmMain::isTabWindow(const QWindow* window) const {
    return window && (window == windowHandle() || window == base_->windowHandle());
}

void frmMain::editorClosed() {
    motion_->editorClosed();
}

// ---- opening and retracting the tab ----

void frmMain::imgMousover_MouseMove() {
    motion_->hoverTrigger();
}

void frmMain::imgMousover_MouseDown() {
    motion_->stripPressed();
}

void frmMain::imgMousover_Click() {
    motion_->clickToggle(TabMotion::ClickFrom::Strip);
}

void frmMain::picMouseover_MouseDown() {
    playCue(Paths::kButtonSound);
}

void frmMain::picMouseover_Click() {
    if (motion_->toggleHoverOpen())
        showSwitchPictures();
}

void frmMain::picAutoRetract_MouseDown() {
    if (motion_->hoverOpenOn())
        playCue(Paths::kButtonSound);
}

void frmMain::picAutoRetract_Click() {
    if (motion_->toggleAutoRetract())
        showSwitchPictures();
}

// ---- the base bar's view of the tab ----

void frmMain::capPressed() {
    playCue(Paths::kButtonSound);
}

void frmMain::capClicked() {
    motion_->clickToggle(TabMotion::ClickFrom::Cap);
}

void frmMain::pointerOnBar() {
    restoreHoverPicture();
}

void frmMain::skinBar(Form& bar, PictureBox& back) {
    int32_t transparent = 0;
    ApplySkin(bar, back, transparent);
}

void frmMain::openVendorHome() {
    openAddress(VendorSite::root());
}

// ---- stay-on-top, dragging, sound ----

void frmMain::picStayOnTop_MouseDown() {
    playCue(Paths::kButtonSound);
}

void frmMain::picStayOnTop_Click() {
    stayOnTop_->toggle();
    showSwitchPictures();
}

void frmMain::imgDrag_MouseDown(double y) {
    motion_->dragStart(y);
}

void frmMain::imgDrag_MouseMove() {
    restoreHoverPicture();
    motion_->dragMove();
}

void frmMain::imgDrag_MouseUp() {
    Form_MouseUp();
}

void frmMain::Form_MouseUp() {
    motion_->pressEnded();
}

void frmMain::Form_MouseMove() {
    restoreHoverPicture();
}

void frmMain::picSound_MouseDown() {
    playCue(Paths::kButtonSound);
}

void frmMain::picSound_Click() {
    cues_->toggle();
    showSwitchPictures();
}

// ---- the update button ----

void frmMain::picUpdate_MouseDown() {
    if (picUpdate->isEnabled())
        playCue(Paths::kButtonSound);
}

void frmMain::picUpdate_Click() {
    const int answer =
        Runtime::MsgBox(this, QStringLiteral("Would you like to download the updated version of Brimvel?"),
                        Runtime::kYesNo | Runtime::kQuestion, QStringLiteral("Brimvel"));
    updates_->answerPrompt(answer == Runtime::kAnswerYes);
}

// ---- the vendor's pages ----

void frmMain::openVendorPage(VendorSite::Page page) {
    openAddress(VendorSite::url(page));
    motion_->releaseSlideGuard();
}

void frmMain::imgHelp_Click() {
    openVendorPage(VendorSite::Page::Help);
}

void frmMain::imgQuickLinks_Click() {
    openVendorPage(VendorSite::Page::Products);
}

void frmMain::imgSearch_Click() {
    openVendorPage(VendorSite::Page::Search);
}

void frmMain::imgLogo_Click() {
    openVendorPage(VendorSite::Page::Downloads);
}

void frmMain::imgGoKestu_Click() {
    openAddress(VendorSite::root());
}

void frmMain::imgGoKestu_MouseMove() {
    restoreHoverPicture();
}

// ---- a link dragged onto the tab ----

Timer& frmMain::tmrDropHover() {
    return drops_->tmrDropHover();
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
    drops_->dragEnter(event);
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
    drops_->dragMove(event);
}

void frmMain::dragLeaveEvent(QDragLeaveEvent* event) {
    drops_->dragLeave(event);
}

void frmMain::dropEvent(QDropEvent* event) {
    drops_->drop(event);
}

// ---- assistive technology and the keyboard ----

void frmMain::describeControls() {
    // What assistive technology is told of each control, one row per control or control array (a "%1" in a
    // name is the member's number). A control without a name has its names from its subsystem: the update
    // button from UpdateCheck, the rows from LinkPanel. imgDrag, imgHidden and the background picture are
    // decoration, and say nothing.
    struct Description {
        const char* name;
        QAccessible::Role role;
        const char* accessibleName; // nullptr: named elsewhere
        const char* description;
    };
    // clang-format off
    static const Description kDescriptions[] = {
        // name            role                        accessible name   description
        {"imgMousover",    QAccessible::Button,        "Open Brimvel",   ""},
        {"imgQuickLinks",  QAccessible::Link,          "Products",       ""},
        {"imgSearch",      QAccessible::Link,          "Search",         ""},
        {"imgHelp",        QAccessible::Link,          "Help",           ""},
        {"imgLogo",        QAccessible::Link,          "Downloads",      ""},
        {"imgGoKestu",     QAccessible::Link,          "Home page",      ""},
        {"picStayOnTop",   QAccessible::CheckBox,      "Stay on top",    ""},
        {"picSound",       QAccessible::CheckBox,      "Sound",          ""},
        {"picAutoRetract", QAccessible::CheckBox,      "Auto-retract",   ""},
        {"picMouseover",   QAccessible::CheckBox,      "Open on hover",  ""},
        {"picUpdate",      QAccessible::Button,        nullptr,          ""},
        {"picExit",        QAccessible::Button,        "Exit",           ""},
        {"picMode",        QAccessible::PageTab,       "Page %1",        ""},
        // The row reads as its link (LinkPanel keeps the name and address); its caption is part of it.
        {"picLink",        QAccessible::Button,        "Empty slot %1",  ""},
        {"lblLink",        QAccessible::NoRole,        nullptr,          ""},
        {"picLinkLight",   QAccessible::Button,        "Edit link %1",   ""},
    };
    // clang-format on
    setAccessibleName(QStringLiteral("Brimvel"));
    for (const Description& row : kDescriptions) {
        for (auto it = byName_.cbegin(); it != byName_.cend(); ++it) {
            const auto& [name, index] = it.key();
            if (name != QLatin1String(row.name))
                continue;
            it.value()->setAccessibleRole(row.role);
            if (!row.accessibleName)
                continue;
            QString text = QString::fromUtf8(row.accessibleName);
            if (index >= 0)
                text = text.arg(index + 1);
            it.value()->setAccessibleTexts(text, QString::fromUtf8(row.description));
        }
    }
    // The strip slides the tab out or in whichever way hover opening is set, as `brimvel --toggle` does.
    imgMousover->setAction(guarded([this] { toggleTab(); }));
    pageTabs = new AccessibleGroup(this, QAccessible::PageTabList, QStringLiteral("Pages"));
    for (PictureBox* selector : picMode)
        selector->joinAccessibleGroup(*pageTabs);
    // Pressed, a row opens its link as a click does (a press of its own would start a drag).
    for (int i = 0; i < 10; ++i)
        picLink[i]->setAction(guarded([this, i] { picLink_Click(i); }));
}

void frmMain::buildKeyboardFocus() {
    // The ring in the skin's colours: the captions' dark blue, edged with their highlighted silver.
    focusRing = new FocusRing(this, kCaptionColour, QColor(0xD0, 0xD1, 0xD4));
    KeyboardFocus::Hooks hooks;
    hooks.currentPage = [this] { return static_cast<int>(m.currentPage()); };
    hooks.close = [this] {
        if (motion_->extended() != 0)
            toggleTab();
    };
    // The editor and the menu opened from a row give the keyboard back to the row.
    hooks.editRow = guarded([this](int row) {
        const FocusReturn::Opening opening(picLink[row]);
        picLinkLight_Click(row);
    });
    hooks.rowMenu = guarded([this](int row) {
        const FocusReturn::Opening opening(picLink[row]);
        linkMenuFromKeyboard(row);
    });
    keyboard_ = std::make_unique<KeyboardFocus>(
        *this, *focusRing,
        KeyboardFocus::Stops{
            picLink, picMode, {picStayOnTop, picSound, picAutoRetract, picMouseover, picUpdate, picExit}},
        std::move(hooks));
    // A message waits until the keyboard is back from a dialog, so that the focus given back follows it.
    announcer = new Announcer(this, [this] { return focusReturn_ && focusReturn_->pending(); });
    focusReturn_ = std::make_unique<FocusReturn>([this](QWidget* opener) { giveKeyboardBack(opener); });
}

void frmMain::giveKeyboardBack(QWidget* opener) {
    // A dialog that slid the tab in (a link opened from a row, say) leaves the keyboard where it went.
    if (motion_->extended() == 0)
        return;
    if (m.services.stacking)
        m.services.stacking->regainFocus(this);
    keyboard_->giveBack(qobject_cast<Control*>(opener));
    announcer->resume();
}

void frmMain::announce(const QString& text) {
    if (motion_->extended() != 0)
        announcer->say(text);
}

void frmMain::announcePage() {
    // The focus comes back to the focused control after the message, so a row renamed in place is read
    // again as it stands now.
    announce(QStringLiteral("Page %1").arg(m.currentPage() + 1));
}

void frmMain::tabSlid(bool out) {
    imgMousover->setAccessibleTexts(out ? QStringLiteral("Close Brimvel") : QStringLiteral("Open Brimvel"));
    base_->tabSlid(out);
    if (out)
        keyboard_->opened(keyboardOpening_);
    else
        keyboard_->closed();
}

void frmMain::linkMenuFromKeyboard(int row) {
    // The menu opens under the row's left end, where a keyboard user's eyes are.
    showLinkMenu(row, picLink[row]->mapToGlobal(QPoint(0, picLink[row]->height())));
}
