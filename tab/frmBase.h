// SPDX-License-Identifier: MIT
#pragma once

#include "../forms/Form.h"
#include "../forms/ImageArea.h"
#include "../forms/ImageList.h"
#include "../forms/PictureBox.h"

class BaseBarHost;

// The base bar: the skinned bottom cap of the tab's link panel. The tab moves it; a click on the cap toggles
// the tab, its logo spot opens the vendor's home page.
class frmBase : public Form {
public:
    explicit frmBase(BaseBarHost& host);

    void Form_Load();
    void imgMouseClick_Click();
    void imgMouseClick_MouseDown();
    void Form_MouseMove();
    void imgGoKestu_MouseMove();
    void imgGoKestu_Click();

    bool loaded() const { return loaded_; }
    // The cap opens the tab when it is in and closes it when it is out; assistive technology reads which.
    void tabSlid(bool out);

    PictureBox* picBack;
    ImageArea* imgMouseClick;
    ImageArea* imgGoKestu;
    ImageList imlSkin{QStringList{QStringLiteral("skin_base")}};

private:
    BaseBarHost& host;
    bool loaded_ = false;
};
