#pragma once

#include "AppState.h"
#include "Form.h"
#include "ImageArea.h"
#include "ImageList.h"
#include "Label.h"
#include "PictureBox.h"
#include "Timer.h"

#include "../links/cInifile.h"
#include "../panel/clsMouseOver.h"

#include <QString>
#include <array>
#include <memory>
#include <optional>

class frmBase;
class frmInput;
class VersionFetcher;

// The tab window: the skinned tab docked at the right screen edge, owner of nearly all state and behaviour.
// Its handlers are spread over the program's folders by subject (links/, panel/, tab/, web/).
class frmMain : public Form {
public:
    explicit frmMain(AppState& state);
    ~frmMain() override;

    // Start-up. Returns false when this run is a second instance and must end at once.
    bool Form_Load();
    // The close query: reason 0..5; setting `cancel` nonzero refuses the close.
    void Form_QueryUnload(int reason, int& cancel);

    AppState& state() { return m; }
    frmBase& base() { return *base_; }
    frmInput& input();
    bool editorShowing() const;

    // ---- widgets ----
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

    Timer* tmrOnTop;
    Timer* tmrKey;
    Timer* tmrResetKey;
    Timer* tmrMouseout;
    Timer* tmrUpdate;
    Timer* tmrUpdateBlink;
    Timer* tmrGrow;
    Timer* tmrShrink;
    Timer* TimerRetract;

    ImageList imgSkin{QStringList{QStringLiteral("skin_tab")}};
    ImageList imlButton{QStringLiteral("button"), 10};
    ImageList imlUpdate{QStringLiteral("update"), 2};
    ImageList imlLink{QStringLiteral("link"), 10};
    ImageList imlLinkMouseover{QStringLiteral("linkhover"), 10};
    ImageList imlLinkLight{QStringLiteral("light"), 4};
    ImageList imlMode{QStringLiteral("mode"), 18};

    // ---- fields ----
    int16_t startup = 0;
    int16_t extended = 0;
    int16_t once = 0;
    int16_t poY = 0;
    int16_t skin = 0;
    int16_t upD = 0;
    int16_t onTopToggle = 0;
    int16_t mouseoverButton = 0;
    int16_t autoRetractButton = 0;
    int16_t autoRetractEnabled = 0;
    int16_t blinkCount = 0;
    int16_t updateCheck = 0;
    std::unique_ptr<clsMouseOver> clsMouser;
    std::unique_ptr<cInifile> link_cIni;
    std::unique_ptr<cInifile> plink_cIni;
    std::optional<int16_t> MouseDownForm;
    std::optional<float> MouseDownFormY;

    // ---- shared operations ----
    int16_t ReadReg(const QString& name, int16_t& value);
    int16_t WriteReg(const QString& name, int16_t& value);
    void playCue(const QString& relativePath);
    void loadPLinks();
    void showPageNames();
    void restoreHoverPicture();
    void animation();
    void setTopMost(QWidget* window, bool on);
    void openAddress(const QString& address);
    QString linkFilePath() const;

    // ---- handlers ----
    void picExit_MouseDown();
    void picExit_Click();

    void picMode_MouseDown(int index);
    void picMode_MouseUp(int index);

    void picLink_MouseMove(int index);
    void lblLink_MouseMove(int index);
    void picLink_Click(int index);
    void tmrMouseout_Timer();

    void picLinkLight_MouseDown(int index);
    void picLinkLight_MouseUp(int index);
    void picLinkLight_Click(int index);
    void picLinkLight_MouseMove(int index);

    void tmrKey_Timer();
    // The number-pad scan acts only while the tab is open; closed, neither its timer nor the probe wakes us.
    void setKeyScan(bool on);
    void tmrResetKey_Timer();

    void tmrGrow_Timer();
    void tmrShrink_Timer();

    void imgMousover_MouseMove();
    void imgMousover_MouseDown();
    void imgMousover_Click();
    void picMouseover_MouseDown();
    void picMouseover_Click();
    void picAutoRetract_MouseDown();
    void picAutoRetract_Click();
    void TimerRetract_Timer();

    void picStayOnTop_MouseDown();
    void picStayOnTop_Click();
    void tmrOnTop_Timer();

    void imgDrag_MouseDown(double y);
    void imgDrag_MouseMove();
    void imgDrag_MouseUp();
    void Form_MouseUp();
    void Form_MouseMove();

    void picSound_MouseDown();
    void picSound_Click();

    void tmrUpdate_Timer();
    void tmrUpdateBlink_Timer();
    void picUpdate_MouseDown();
    void picUpdate_Click();
    // Applies the answer of the version download (empty for no answer).
    void applyVersionAnswer(const QString& text);

    void imgHelp_Click();
    void imgQuickLinks_Click();
    void imgSearch_Click();
    void imgLogo_Click();
    void imgGoKestu_Click();
    void imgGoKestu_MouseMove();

    // Set when a close request was confirmed; the program then ends at once.
    bool closeConfirmed() const { return closeConfirmed_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildWidgets();
    void applyLinkLook(int slot, bool highlighted);
    bool slotEmpty(int slot) const;
    bool verticalMotion() const { return tmrGrow->Enabled() || tmrShrink->Enabled(); }
    void startUpdateDownload();

    AppState& m;
    std::unique_ptr<frmBase> base_;
    std::unique_ptr<frmInput> input_;
    std::unique_ptr<VersionFetcher> fetcher_;
    bool closeConfirmed_ = false;
    int closeReason_ = 0;

public:
    // Requests a close with a reason, as the window system would (0 close command, 1 by the program,
    // 2 session end).
    void requestClose(int reason);
};
