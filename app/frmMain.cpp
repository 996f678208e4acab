#include "frmMain.h"

#include "Paths.h"
#include "Statement.h"
#include "Twips.h"
#include "modRegistry.h"

#include "../links/frmInput.h"
#include "../shape/ApplySkin.h"
#include "../tab/frmBase.h"
#include "../web/VersionFetcher.h"

#include <QCloseEvent>
#include <QFont>
#include <QIcon>

namespace {
QFont captionFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(6.75);
    font.setBold(true);
    font.setStyleStrategy(QFont::PreferAntialias);
    return font;
}

const QColor kCaptionColour(0x20, 0x39, 0x61);
} // namespace

frmMain::frmMain(AppState& state) : Form(true), m(state) {
    setWindowTitle(QStringLiteral("Brimvel-Blue"));
    setObjectName(QStringLiteral("frmMain"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/img/icon_%1.png").arg(size));
    setWindowIcon(icon);
    buildWidgets();
    moveTwips(0, 0, 3105, 4530);
}

frmMain::~frmMain() = default;

void frmMain::buildWidgets() {
    // Image hit areas first: they lie beneath every picture box.
    imgMousover = new ImageArea(this, 0, 15, 180, 1170);
    imgDrag = new ImageArea(this, 2640, 30, 465, 1170);
    imgHidden = new ImageArea(this, 180, 1485, 2490, 3015);
    imgQuickLinks = new ImageArea(this, 255, 60, 825, 210);
    imgSearch = new ImageArea(this, 1335, 60, 630, 210);
    imgHelp = new ImageArea(this, 2145, 75, 480, 210);
    imgLogo = new ImageArea(this, 480, 360, 2025, 435);
    imgGoKestu = new ImageArea(this, 630, 885, 1575, 210);
    for (ImageArea* hand : {imgDrag, imgQuickLinks, imgSearch, imgHelp, imgLogo, imgGoKestu})
        hand->setPointer(Control::Pointer::Hand);

    picBack = new PictureBox(this, 0, 0, 3105, 4530, imgSkin.image(1));
    picStayOnTop = new PictureBox(this, 2670, 30, 165, 180, imlButton.image(4));
    picUpdate = new PictureBox(this, 2820, 30, 255, 270, imlUpdate.image(2));
    picSound = new PictureBox(this, 2895, 780, 165, 195, imlButton.image(10));
    picAutoRetract = new PictureBox(this, 2670, 795, 165, 180, imlButton.image(8));
    picMouseover = new PictureBox(this, 2670, 975, 165, 180, imlButton.image(2));
    picExit = new PictureBox(this, 2895, 975, 165, 180, imlButton.image(6));

    for (int k = 0; k < 9; ++k)
        picMode[k] = new PictureBox(this, 225 + 270 * k, 1230, 240, 240, imlMode.image(2 * k + 1));

    // Until the first look is given, each button carries a design-time picture of its own, which counts as
    // neither its normal nor its highlighted image.
    static std::array<Picture, 10> designPictures;
    const QFont font = captionFont();
    for (int i = 0; i < 10; ++i) {
        if (designPictures[i].pixmap.isNull() && imlLink.image(i + 1))
            designPictures[i].pixmap = imlLink.image(i + 1)->pixmap;
        picLink[i] = new PictureBox(this, 180, 1500 + 300 * i, 2490, 315, &designPictures[i]);
        picLink[i]->setPointer(Control::Pointer::Hand);
        const int left = (i == 8 || i == 9) ? 270 : 255;
        const int width = (i == 9 || i == 4) ? 2025 : 2040;
        lblLink[i] = new Label(picLink[i], left, 60, width, 195, font, kCaptionColour);
    }
    for (int i = 0; i < 10; ++i)
        picLinkLight[i] = new PictureBox(this, 2475, 1515 + 300 * i, 165, 180, imlLinkLight.image(1));

    // Timers run from the window's creation as listed.
    tmrOnTop = new Timer(this, 500, true, [this] { tmrOnTop_Timer(); });
    tmrKey = new Timer(this, 50, true, [this] { tmrKey_Timer(); });
    tmrResetKey = new Timer(this, 5000, true, [this] { tmrResetKey_Timer(); });
    tmrMouseout = new Timer(this, 15, true, [this] { tmrMouseout_Timer(); });
    tmrUpdate = new Timer(this, 60000, true, [this] { tmrUpdate_Timer(); });
    tmrUpdateBlink = new Timer(this, 250, false, [this] { tmrUpdateBlink_Timer(); });
    tmrGrow = new Timer(this, 15, false, [this] { tmrGrow_Timer(); });
    tmrShrink = new Timer(this, 15, false, [this] { tmrShrink_Timer(); });
    TimerRetract = new Timer(this, 15000, false, [this] { TimerRetract_Timer(); });

    // Pointer events.
    auto any = [](auto f) { return [f](int, int, double, double) { f(); }; };
    imgMousover->onMouseMove = any([this] { imgMousover_MouseMove(); });
    imgMousover->onMouseDown = any([this] { imgMousover_MouseDown(); });
    imgMousover->onClick = [this] { imgMousover_Click(); };
    imgDrag->onMouseDown = [this](int, int, double, double y) { imgDrag_MouseDown(y); };
    imgDrag->onMouseMove = any([this] { imgDrag_MouseMove(); });
    imgDrag->onMouseUp = any([this] { imgDrag_MouseUp(); });
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

    picStayOnTop->onMouseDown = any([this] { picStayOnTop_MouseDown(); });
    picStayOnTop->onClick = [this] { picStayOnTop_Click(); };
    picUpdate->onMouseDown = any([this] { picUpdate_MouseDown(); });
    picUpdate->onClick = [this] { picUpdate_Click(); };
    picSound->onMouseDown = any([this] { picSound_MouseDown(); });
    picSound->onClick = [this] { picSound_Click(); };
    picAutoRetract->onMouseDown = any([this] { picAutoRetract_MouseDown(); });
    picAutoRetract->onClick = [this] { picAutoRetract_Click(); };
    picMouseover->onMouseDown = any([this] { picMouseover_MouseDown(); });
    picMouseover->onClick = [this] { picMouseover_Click(); };
    picExit->onMouseDown = any([this] { picExit_MouseDown(); });
    picExit->onClick = [this] { picExit_Click(); };

    for (int k = 0; k < 9; ++k) {
        picMode[k]->onMouseDown = any([this, k] { picMode_MouseDown(k); });
        picMode[k]->onMouseUp = any([this, k] { picMode_MouseUp(k); });
    }
    for (int i = 0; i < 10; ++i) {
        picLink[i]->onMouseMove = any([this, i] { picLink_MouseMove(i); });
        picLink[i]->onClick = [this, i] { picLink_Click(i); };
        lblLink[i]->onMouseMove = any([this, i] { lblLink_MouseMove(i); });
        lblLink[i]->onClick = [this, i] { picLink_Click(i); };
        picLinkLight[i]->onMouseDown = any([this, i] { picLinkLight_MouseDown(i); });
        picLinkLight[i]->onMouseUp = any([this, i] { picLinkLight_MouseUp(i); });
        picLinkLight[i]->onClick = [this, i] { picLinkLight_Click(i); };
        picLinkLight[i]->onMouseMove = any([this, i] { picLinkLight_MouseMove(i); });
    }
    onMouseMove = any([this] { Form_MouseMove(); });
    onMouseUp = any([this] { Form_MouseUp(); });
}

frmInput& frmMain::input() {
    // The dialog exists, hidden, from the first time anything asks about it.
    if (!input_)
        input_ = std::make_unique<frmInput>(*this);
    return *input_;
}

bool frmMain::editorShowing() const {
    return input_ && input_->isVisible();
}

int16_t frmMain::ReadReg(const QString& name, int16_t& value) {
    return modRegistry::ReadRegValue(m.services.settings.get(), modRegistry::kCurrentUser,
                                     modRegistry::kKeyPath, name, value);
}

int16_t frmMain::WriteReg(const QString& name, int16_t& value) {
    return modRegistry::WriteRegValue(m.services.settings.get(), modRegistry::kCurrentUser,
                                      modRegistry::kKeyPath, name, value);
}

bool frmMain::Form_Load() {
    // 1
    m.lastKey = 10;
    m.pressedKey = 10;
    startup = -1;
    m.openBusy = 0;
    m.tabOpen = 0;
    m.hoverLink = 0;

    // 2: a second instance activates the running one and ends before touching anything.
    Instances* instances = m.services.instances.get();
    if (instances && (instances->anotherInstanceRunning() ||
                      instances->findWindow(QStringLiteral("Brimvel-Blue"), QStringLiteral("Brimvel")))) {
        instances->activateWindow(QStringLiteral("Brimvel"));
        return false;
    }

    // 3
    hide();
    picBack->hide();

    // Read-else-default: a read that reports 0 sets the default, applies its effect and writes it.
    // Answers whether the stored text converted.
    auto readElseDefault = [this](const QString& name, int16_t& variable, int16_t fallback, auto onDefault) {
        bool converted = false;
        statement([&] {
            m.regResult = ReadReg(name, variable);
            converted = true;
        });
        if (m.regResult == 0) {
            variable = fallback;
            onDefault();
            statement([&] { m.regResult = WriteReg(name, variable); });
        }
        return converted;
    };
    auto nothing = [] {};

    // 4, 5, 6
    readElseDefault(QStringLiteral("skn"), skin, 1, nothing);
    picBack->setPicture(imgSkin.image(skin));
    int32_t transparent = 0;
    ApplySkin(*this, *picBack, transparent);

    // 7, 8
    setLeft(screenWidthTwips() - 91);
    readElseDefault(QStringLiteral("poy"), poY, 80, nothing);
    setTop(poY);

    // 9, 10
    upD = 1;
    blinkCount = 0;
    updateCheck = 0;
    statement([&] { m.regResult = WriteReg(QStringLiteral("upd"), upD); });
    picUpdate->setPicture(imlUpdate.image(1));

    // 11 .. 15
    readElseDefault(QStringLiteral("ont"), onTopToggle, 1, [this] {
        tmrOnTop->setInterval(1000);
        picStayOnTop->setPicture(imlButton.image(4));
    });
    readElseDefault(QStringLiteral("mso"), mouseoverButton, 0,
                    [this] { picMouseover->setPicture(imlButton.image(2)); });
    const bool pageConverted = readElseDefault(QStringLiteral("mdt"), m.currentPage, 0, nothing);
    if (!pageConverted || m.currentPage < 0 || m.currentPage >= LinkGrid::kPages) {
        // A page that is not one of the nine (edited by hand) would name no page of the table: start on
        // the first, and store it.
        m.currentPage = 0;
        statement([&] { m.regResult = WriteReg(QStringLiteral("mdt"), m.currentPage); });
    }
    readElseDefault(QStringLiteral("sdo"), m.soundOn, 1,
                    [this] { picSound->setPicture(imlButton.image(10)); });
    readElseDefault(QStringLiteral("atr"), autoRetractButton, 0, [this] {
        autoRetractEnabled = 0;
        picAutoRetract->setPicture(imlButton.image(8));
    });

    // 16
    startup = 0;
    extended = 0;
    setHeight(1200);

    // 17: loads and shows the base bar on its first use.
    base_ = std::make_unique<frmBase>(*this);
    base_->Form_Load();
    if (onTopToggle == 1) {
        picStayOnTop->setPicture(imlButton.image(4));
        setTopMost(this, true);
        setTopMost(base_.get(), true);
        tmrOnTop->setInterval(1000);
    } else {
        picStayOnTop->setPicture(imlButton.image(3));
        setTopMost(this, false);
        setTopMost(base_.get(), false);
        tmrOnTop->setInterval(0);
    }

    // 18 .. 21
    picMouseover->setPicture(imlButton.image(mouseoverButton == 1 ? 2 : 1));
    picSound->setPicture(imlButton.image(m.soundOn == 1 ? 10 : 9));
    picExit->setPicture(imlButton.image(6));
    if (autoRetractButton == 1) {
        if (mouseoverButton == 1) {
            picAutoRetract->setPicture(imlButton.image(8));
            autoRetractEnabled = -1;
        } else if (mouseoverButton == 0) {
            picAutoRetract->setPicture(imlButton.image(7));
            autoRetractEnabled = 0;
        }
    } else {
        picAutoRetract->setPicture(imlButton.image(7));
        if (mouseoverButton == 1)
            autoRetractEnabled = -1;
        else if (mouseoverButton == 0)
            autoRetractEnabled = 0;
    }

    // 22 .. 27
    picUpdate->setEnabled(false);
    base_->setTop(Top() + 1180);
    base_->setLeft(Left());
    show();
    clsMouser = std::make_unique<clsMouseOver>();
    clsMouser->SetBorderStyle(0);
    base_->show();
    once = 0;

    // 28, 29
    loadPLinks();
    showPageNames();
    setKeyScan(false);

    // The tab and the cap bypass the window manager: once they are on screen, stack them as asked.
    setTopMost(this, onTopToggle == 1);
    setTopMost(base_.get(), onTopToggle == 1);
    return true;
}

void frmMain::setTopMost(QWidget* window, bool on) {
    if (m.services.stacking && window)
        m.services.stacking->setTopMost(window, on);
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

void frmMain::requestClose(int reason) {
    closeReason_ = reason;
    close();
}
