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
    // The memory context painting into this bitmap, if any.
    QPainter* painter = nullptr;
};

} // namespace afx::detail
