// The fixed shortcuts to the vendor's pages on the tab window.

#include "../app/frmMain.h"
#include "VendorSite.h"

void frmMain::imgHelp_Click() {
    openAddress(VendorSite::url(QStringLiteral("/download/Brimvel/help.htm")));
    once = 0;
}

void frmMain::imgQuickLinks_Click() {
    openAddress(VendorSite::url(QStringLiteral("/download/Brimvel/products.htm")));
    once = 0;
}

void frmMain::imgSearch_Click() {
    openAddress(VendorSite::url(QStringLiteral("/download/Brimvel/search.htm")));
    once = 0;
}

void frmMain::imgLogo_Click() {
    openAddress(VendorSite::url(QStringLiteral("/download/")));
    once = 0;
}

void frmMain::imgGoKestu_Click() {
    openAddress(VendorSite::root());
}

void frmMain::imgGoKestu_MouseMove() {
    restoreHoverPicture();
}
