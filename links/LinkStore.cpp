// The link table: nine pages of ten links, read whole from the link file.

#include "../app/Paths.h"
#include "../app/frmMain.h"
#include "PrivateProfile.h"

QString frmMain::linkFilePath() const {
    return m.dataPath(Paths::kLinkFile);
}

void frmMain::loadPLinks() {
    if (!plink_cIni)
        plink_cIni = std::make_unique<cInifile>();
    const QString path = linkFilePath();
    // One reading of the file serves the 180 reads below, and they all see the same state of it.
    const PrivateProfile::Snapshot snapshot(path);
    m.pageNames = QStringList(LinkGrid::kSlots, QString());
    m.pageUrls = QStringList(LinkGrid::kSlots, QString());
    for (int p = 0; p < LinkGrid::kPages; ++p) {
        for (int s = 0; s < LinkGrid::kSlots; ++s) {
            plink_cIni->setPath(path);
            plink_cIni->setSection(QString::number(p));
            plink_cIni->setKey(QStringLiteral("name") + QString::number(s));
            m.pageNames[s] = plink_cIni->Value();
            plink_cIni->setKey(QStringLiteral("url") + QString::number(s));
            m.pageUrls[s] = plink_cIni->Value();
        }
        m.linkGrid.cells[static_cast<size_t>(p)][0] = m.pageNames;
        m.linkGrid.cells[static_cast<size_t>(p)][1] = m.pageUrls;
    }
}
