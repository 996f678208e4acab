// SPDX-License-Identifier: MIT
#pragma once

#include <QImage>
#include <QRect>
#include <cstdint>
#include <vector>

// The opaque outline of a skin bitmap: one rectangle per horizontal run of pixels that differ from the
// transparent colour, row by row, with no attempt to join rows.
namespace OutlineScan {

// A colour in the 0x00BBGGRR form the skins' transparent colour is given in.
uint32_t toBgr(QRgb rgb);

// Scans `rows` x `cols` logical pixels of `image`, whose pixel (x, y) is read at (x * scale, y * scale).
// `transparentBgr` below 1 means: take the colour of the top-left pixel, and write it back.
std::vector<QRect> runs(const QImage& image, int32_t& transparentBgr, int rows, int cols, int scale = 1);

} // namespace OutlineScan
