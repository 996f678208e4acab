// SPDX-License-Identifier: MIT
#include "frmInput.h"

#include "../core/AddressPolicy.h"
#include "../core/LinkFileLocation.h"
#include "../core/Twips.h"
#include "../core/VendorSite.h"
#include "../forms/ImageList.h"
#include "../forms/Runtime.h"
#include "LinkEditorHost.h"

#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>

#include "../core/LinkStore.h"
#include <QWindow>

namespace {
QString trimSpaces(const QString& text) {
    int first = 0, last = static_cast<int>(text.size()) - 1;
    while (first <= last && text.at(first) == QLatin1Char(' '))
        ++first;
    while (last >= first && text.at(last) == QLatin1Char(' '))
        --last;
    return text.mid(first, last - first + 1);
}

QFont boxFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPointSizeF(8.25);
    return font;
}

void placeTwips(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(twipsToPixels(left), twipsToPixels(top), twipsToPixels(width), twipsToPixels(height));
}
} // namespace

frmInput::frmInput(LinkEditorHost& host) : Form(false), tab(host) {
    setWindowTitle(QStringLiteral("Brimvel"));
    setObjectName(QStringLiteral("frmInput"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setBackgroundPicture(ImageList::load(QStringLiteral("input_bg")));
    setFixedSize(392, 89);

    imgLogo = new ImageArea(this, 75, 45, 1065, 240);
    imgGoKestu = new ImageArea(this, 4215, 60, 1575, 210);
    imgDrag = new ImageArea(this, 0, 0, 5865, 330);
    imgLogo->setPointer(Control::Pointer::Hand);
    imgGoKestu->setPointer(Control::Pointer::Hand);
    // The logo spots lie on the drag strip and take the pointer there.
    imgLogo->raise();
    imgGoKestu->raise();

    txtURL = new QLineEdit(this);
    txtURL->setObjectName(QStringLiteral("txtURL"));
    placeTwips(txtURL, 1140, 480, 4500, 225);
    txtName = new QLineEdit(this);
    txtName->setObjectName(QStringLiteral("txtName"));
    placeTwips(txtName, 1275, 855, 2550, 210);
    for (QLineEdit* box : {txtURL, txtName}) {
        box->setFont(boxFont());
        box->setFrame(false);
        box->setTextMargins(2, 0, 2, 0);
        box->installEventFilter(this);
    }
    cmdOK = new QPushButton(QStringLiteral("OK"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    placeTwips(cmdOK, 3960, 825, 840, 270);
    cmdCancel = new QPushButton(QStringLiteral("Cancel"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    placeTwips(cmdCancel, 4830, 825, 840, 270);
    cmdOK->setDefault(true);
    cmdOK->setAutoDefault(true);
    cmdOK->setEnabled(false);
    setTabOrder(txtURL, txtName);
    setTabOrder(txtName, cmdOK);
    setTabOrder(cmdOK, cmdCancel);

    describeControls();

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* now) { focusMoved(now); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    imgDrag->onMouseDown = [this](int, int, double x, double y) { imgDrag_MouseDown(x, y); };
    imgDrag->onMouseMove = [this](int, int, double, double) { imgDrag_MouseMove(); };
    imgDrag->onMouseUp = [this](int, int, double, double) { imgDrag_MouseUp(); };
    imgLogo->onClick = [this] { imgLogo_Click(); };
    imgGoKestu->onClick = [this] { imgGoKestu_Click(); };
}

void frmInput::describeControls() {
    // The boxes' captions are painted on the dialog's picture: the boxes carry them as their names.
    setAccessibleRole(QAccessible::Dialog);
    setAccessibleName(QStringLiteral("Brimvel link editor"));
    txtURL->setAccessibleName(QStringLiteral("Enter URL"));
    txtName->setAccessibleName(QStringLiteral("Enter Name"));
    imgLogo->setAccessibleRole(QAccessible::Link);
    imgLogo->setAccessibleTexts(QStringLiteral("Brimvel product page"));
    imgGoKestu->setAccessibleRole(QAccessible::Link);
    imgGoKestu->setAccessibleTexts(QStringLiteral("Home page"));
}

void frmInput::showEditor(int slot) {
    given_.reset();
    editIndex_ = slot;
    // Assistive technology reads which row of which page the dialog edits.
    setAccessibleName(
        QStringLiteral("Brimvel link editor, link %1, page %2").arg(slot + 1).arg(tab.currentPage() + 1));
    if (isVisible()) {
        activateWindow();
        return;
    }
    shownForSlot_ = true;
    show();
    raise();
    activateWindow();
    // Shown again soon after it was hidden, the dialog may never be reported as newly activated: the toolkit
    // still counts it as the active window while the window system's focus change is pending. Fill it now;
    // the activation that normally follows fills it again with the same texts.
    Form_Activate();
}

void frmInput::showEditor(int slot, const QString& name, const QString& address) {
    showEditor(slot);
    given_ = GivenTexts{name, address};
    Form_Activate();
}

void frmInput::focusMoved(QWindow* now) {
    if (!now || now != windowHandle()) {
        cameFrom_ = !now ? CameFrom::AnotherProgram
                         : (tab.isTabWindow(now) ? CameFrom::TabWindow : CameFrom::OwnMessage);
        // The activation that follows a showing has had its chance: it waits no longer.
        if (!isVisible() || !now)
            shownForSlot_ = false;
    }
}

bool frmInput::event(QEvent* event) {
    // The boxes are filled again when the dialog comes back from the tab window, never when the user returns
    // from another program (with an address copied there, say) or from the dialog's own message: what was
    // typed stays. Showing the dialog for a slot fills it in any case (showEditor). The activation is judged
    // by where the keyboard was before it, so no flag waits for an activation that may never come.
    if (event->type() == QEvent::WindowActivate && (cameFrom_ == CameFrom::TabWindow || shownForSlot_)) {
        // After a showing, this also centres the dialog where the window manager has just placed it.
        shownForSlot_ = false;
        Form_Activate();
    } else if (event->type() == QEvent::Hide) {
        shownForSlot_ = false;
    }
    if (event->type() == QEvent::Show)
        Runtime::dialogShowing(this, true);
    else if (event->type() == QEvent::Hide)
        Runtime::dialogShowing(this, false);
    if (event->type() == QEvent::KeyPress) {
        // Escape answers Cancel, as a dialog's keyboard user expects.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            cmdCancel_Click();
            return true;
        }
    }
    return Form::event(event);
}

bool frmInput::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyRelease) {
        if (watched == txtName)
            txtName_KeyUp();
        else if (watched == txtURL)
            txtURL_KeyUp();
    } else if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            if (cmdOK->isEnabled())
                cmdOK->click();
            return true;
        }
        if (key == Qt::Key_Escape) {
            cmdCancel_Click();
            return true;
        }
    }
    return Form::eventFilter(watched, event);
}

void frmInput::closeEvent(QCloseEvent* event) {
    // Closing the dialog from the window manager counts as Cancel.
    event->ignore();
    cmdCancel_Click();
}

void frmInput::Form_Activate() {
    const int w = pixelsToTwips(width());
    const int h = pixelsToTwips(height());
    const QRect screen = screenTwips();
    move(twipsToPixels(screen.x() + (screen.width() - w) / 2),
         twipsToPixels(screen.y() + (screen.height() - h) / 2));
    txtName->setText(given_ ? given_->name : tab.slotName(editIndex_));
    txtURL->setText(given_ ? given_->address : tab.slotAddress(editIndex_));
    updateOk();
    txtURL->setFocus(Qt::ActiveWindowFocusReason);
}

void frmInput::updateOk() {
    cmdOK->setEnabled(!trimSpaces(txtURL->text()).isEmpty() && !trimSpaces(txtName->text()).isEmpty());
}

void frmInput::txtName_KeyUp() {
    updateOk();
}

void frmInput::txtURL_KeyUp() {
    updateOk();
}

void frmInput::cmdOK_Click() {
    const QString name = trimSpaces(txtName->text());
    const QString address = trimSpaces(txtURL->text());
    if (name.isEmpty() || address.isEmpty())
        return;
    // Only an address the tab can open is saved.
    if (const QString refusal = AddressPolicy::editorRefusal(address); !refusal.isEmpty()) {
        showMessage(refusal);
        return;
    }
    const QString path = tab.linkFilePath();
    switch (LinkStore(path).save(tab.currentPage(), editIndex_, name, address)) {
    case LinkStore::Result::Saved:
        break;
    case LinkStore::Result::Unsaved:
    case LinkStore::Result::Changed:
        reportUnsaved();
        return;
    }
    tab.linkSaved(editIndex_, name);
    finish();
}

void frmInput::reportUnsaved() {
    // A link that could not be written must not look saved: the dialog stays with the typed texts.
    showMessage(QStringLiteral("The link could not be saved to %1.").arg(tab.linkFilePath()));
}

void frmInput::showMessage(const QString& text) {
    Runtime::MsgBox(this, text, Runtime::kExclamation, QStringLiteral("Brimvel"));
}

void frmInput::cmdCancel_Click() {
    finish();
}

void frmInput::finish() {
    given_.reset();
    txtName->clear();
    txtURL->clear();
    cmdOK->setEnabled(false);
    hide();
    tab.editorClosed();
}

void frmInput::imgDrag_MouseDown(double x, double y) {
    dragFlag = 1;
    grabX = static_cast<float>(x);
    grabY = static_cast<float>(y);
}

void frmInput::imgDrag_MouseMove() {
    if (dragFlag != 1)
        return;
    // The strip is a picture, not the window manager's title bar: the grabbed point follows the pointer.
    const QPoint p = QCursor::pos();
    const QRect frame = frameGeometry();
    const QPoint clientOffset = geometry().topLeft() - frame.topLeft();
    const int top = twipsToPixels(p.y() * kTwipsPerPixel - grabY);
    const int left = twipsToPixels(p.x() * kTwipsPerPixel - grabX);
    move(QPoint(left, top) - clientOffset);
}

void frmInput::imgDrag_MouseUp() {
    dragFlag = 0;
}

void frmInput::imgLogo_Click() {
    tab.openAddress(VendorSite::url(QStringLiteral("/download/Brimvel/index.htm")));
}

void frmInput::imgGoKestu_Click() {
    tab.openAddress(VendorSite::root());
}
