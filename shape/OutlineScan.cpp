// SPDX-License-Identifier: MIT
#include "OutlineScan.h"

namespace OutlineScan {

uint32_t toBgr(QRgb rgb) {
    return static_cast<uint32_t>(qRed(rgb)) | (static_cast<uint32_t>(qGreen(rgb)) << 8) |
           (static_cast<uint32_t>(qBlue(rgb)) << 16);
}

std::vector<QRect> runs(const QImage& source, int32_t& transparentBgr, int rows, int cols, int scale) {
    std::vector<QRect> result;
    if (source.isNull() || rows <= 0 || cols <= 0 || scale < 1)
        return result;
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    if (transparentBgr < 1)
        transparentBgr = static_cast<int32_t>(toBgr(image.pixel(0, 0)));
    const uint32_t key = static_cast<uint32_t>(transparentBgr);
    const int width = std::min(cols, image.width() / scale);
    const int height = std::min(rows, image.height() / scale);
    for (int y = 0; y < height; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y * scale));
        int x = 0;
        while (x < width) {
            while (x < width && toBgr(line[x * scale]) == key)
                ++x;
            if (x >= width)
                break;
            const int start = x;
            while (x < width && toBgr(line[x * scale]) != key)
                ++x;
            result.emplace_back(start, y, x - start, 1);
        }
    }
    return result;
}

} // namespace OutlineScan
