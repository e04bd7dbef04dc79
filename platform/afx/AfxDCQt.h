// SPDX-License-Identifier: Apache-2.0
// Internal: the state behind a device context.
#pragma once

#include <QFont>
#include <QPainter>
#include <QRect>

#include "AfxGdi.h"
#include "AfxTypes.h"

class CDC;

namespace afx::detail {

struct DCData {
    QPainter* painter = nullptr;
    bool ownsPainter = false;
    bool memory = false;
    CDC* sharedFrom = nullptr;
    CBitmap stockBitmap;
    CBitmap* selectedBitmap = nullptr;
    CFont* selectedFont = nullptr;
    QFont defaultFont;
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    int mapMode = MM_TEXT;
    SIZE windowExt{1, 1};
    SIZE viewportExt{1, 1};
    POINT windowOrg{};
    POINT viewportOrg{};
    // The paintable area in device pixels.
    QRect deviceClip;
};

// The painter a context draws with (its own, or the shared target's).
QPainter* PainterOf(const CDC* pDC);
// The image a memory context paints into, or null.
const QImage* ImageOf(const CDC* pDC);
// The double-size twin of the bitmap selected into a memory context, or null.
const QImage* Image2xOf(const CDC* pDC);
// Device pixels per pixel of what the painter paints on (a widget rendered into an image
// counts the image's), 1 for none.
qreal DevicePixelRatio(const QPainter* p);
// Device rectangle of a logical one.
QRect DeviceRect(const CDC* pDC, int x, int y, int w, int h);
// The font the context draws with.
QFont FontOf(const CDC* pDC);

} // namespace afx::detail
