// SPDX-License-Identifier: Apache-2.0
// Internal: the Qt objects behind fonts and bitmaps.
#pragma once

#include <QFont>
#include <QImage>

class QPainter;

namespace afx::detail {

struct FontData {
    QFont font;
};

struct BitmapData {
    QImage image;
    // A resource bitmap's twin at twice the size, for screens of more than one device pixel
    // per pixel; null when it has none.
    QImage image2x;
    // The memory context painting into this bitmap, if any.
    QPainter* painter = nullptr;
};

} // namespace afx::detail
