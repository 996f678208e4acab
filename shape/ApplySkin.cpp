// SPDX-License-Identifier: MIT
#include "ApplySkin.h"

#include "OutlineScan.h"

#include "../core/Twips.h"
#include "../forms/Form.h"
#include "../forms/PictureBox.h"

#include <QRegion>

void ApplySkin(Form& window, PictureBox& box, int32_t& transparentColour) {
    const Picture* picture = box.picture();
    if (!picture || picture->pixmap().isNull())
        return; // nothing to take the outline from: the window keeps its look
    const QPixmap& pixmap = picture->pixmap();
    const double dpr = pixmap.devicePixelRatio();
    const int cols = static_cast<int>(std::lround(pixmap.width() / dpr));
    const int rows = static_cast<int>(std::lround(pixmap.height() / dpr));
    box.setGeometryTwips(box.Left(), box.Top(), pixelsToTwips(cols), pixelsToTwips(rows));

    window.hide();
    window.setBackgroundPicture(pixmap);
    window.setWidth(box.Width());
    window.setHeight(box.Height());

    const std::vector<QRect> runs = OutlineScan::runs(pixmap.toImage(), transparentColour, rows, cols,
                                                      static_cast<int>(std::lround(dpr)));
    QRegion outline;
    if (!runs.empty())
        outline.setRects(runs.data(), static_cast<int>(runs.size()));
    window.setOutline(outline);

    box.clearPicture();
    window.show();
}
