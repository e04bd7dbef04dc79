// SPDX-License-Identifier: Apache-2.0
#include "AfxImageList.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QThread>
#include <vector>

#include "AfxDC.h"
#include "AfxDCQt.h"
#include "AfxQt.h"

#include "AfxIcon.h"

namespace afx::detail {
struct ImageListData {
    int cx = 16;
    int cy = 16;
    std::vector<QImage> images;
    // The theme's icon of each image, drawn at the device's size where it has more than one
    // pixel per pixel; null for images given as pixels.
    std::vector<QIcon> icons;
};
} // namespace afx::detail

using namespace afx::detail;

namespace {

// Theme icons are looked up on the user-interface thread only.
QIcon ThemeIcon(const std::string& name) {
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (name.empty() || app == nullptr || QThread::currentThread() != app->thread())
        return QIcon();
    return QIcon::fromTheme(QString::fromStdString(name));
}

} // namespace

CImageList::CImageList() = default;
CImageList::~CImageList() = default;

BOOL CImageList::Create(int cx, int cy, UINT, int nInitial, int) {
    if (cx <= 0 || cy <= 0)
        return FALSE;
    m_pData = std::make_unique<ImageListData>();
    m_pData->cx = cx;
    m_pData->cy = cy;
    m_pData->images.reserve(nInitial > 0 ? static_cast<size_t>(nInitial) : 0);
    return TRUE;
}

BOOL CImageList::DeleteImageList() {
    bool had = m_pData != nullptr;
    m_pData.reset();
    return had ? TRUE : FALSE;
}

int CImageList::Add(HICON hIcon) {
    const afx::IconImage* img = afx::GetIconImage(hIcon);
    if (img == nullptr || img->argb.size() < static_cast<size_t>(img->width) * img->height)
        return -1;
    const int index = AddImage(img->width, img->height, img->argb.data());
    if (index >= 0)
        m_pData->icons.back() = ThemeIcon(img->themeName);
    return index;
}

int CImageList::AddImage(int width, int height, const uint32_t* argb) {
    if (m_pData == nullptr || argb == nullptr || width <= 0 || height <= 0)
        return -1;
    QImage img(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        std::copy(argb + static_cast<size_t>(y) * width, argb + static_cast<size_t>(y + 1) * width,
                  reinterpret_cast<uint32_t*>(img.scanLine(y)));
    if (width != m_pData->cx || height != m_pData->cy)
        img = img.scaled(m_pData->cx, m_pData->cy, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    m_pData->images.push_back(img.convertToFormat(QImage::Format_ARGB32_Premultiplied));
    m_pData->icons.emplace_back();
    return static_cast<int>(m_pData->images.size()) - 1;
}

int CImageList::GetImageCount() const {
    return m_pData != nullptr ? static_cast<int>(m_pData->images.size()) : 0;
}

SIZE CImageList::GetImageSize() const {
    return m_pData != nullptr ? SIZE{m_pData->cx, m_pData->cy} : SIZE{};
}

HIMAGELIST CImageList::GetSafeHandle() const {
    return m_pData != nullptr ? reinterpret_cast<HIMAGELIST>(const_cast<CImageList*>(this))
                              : nullptr;
}

BOOL CImageList::DrawEx(CDC* pDC, int nImage, POINT pt, SIZE sz, COLORREF clrBk, COLORREF, UINT) {
    if (m_pData == nullptr || nImage < 0 || nImage >= GetImageCount())
        return FALSE;
    QPainter* p = PainterOf(pDC);
    if (p == nullptr)
        return FALSE;
    int w = sz.cx > 0 ? sz.cx : m_pData->cx;
    int h = sz.cy > 0 ? sz.cy : m_pData->cy;
    QRect target(pt.x, pt.y, w, h);
    if (clrBk != CLR_NONE && clrBk != CLR_DEFAULT)
        p->fillRect(target, ToQColor(clrBk));
    p->save();
    p->setRenderHint(QPainter::SmoothPixmapTransform, true);
    const qreal ratio = DevicePixelRatio(p);
    const QIcon& icon = m_pData->icons[static_cast<size_t>(nImage)];
    if (ratio > 1 && !icon.isNull())
        p->drawPixmap(target, icon.pixmap(target.size(), ratio));
    else
        p->drawImage(target, m_pData->images[static_cast<size_t>(nImage)]);
    p->restore();
    return TRUE;
}

BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, int dx, int dy,
                      COLORREF rgbBk, COLORREF rgbFg, UINT fStyle) {
    CImageList* list = CImageList::FromHandle(himl);
    if (list == nullptr)
        return FALSE;
    return list->DrawEx(CDC::FromHandle(hdcDst), i, POINT{x, y}, SIZE{dx, dy}, rgbBk, rgbFg,
                        fStyle);
}
