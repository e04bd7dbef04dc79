// SPDX-License-Identifier: Apache-2.0
#include "AfxGdi.h"

#include <QFontMetrics>
#include <QPainter>
#include <cstdlib>

#include "AfxGdiQt.h"
#include "AfxQt.h"

#include "AfxResource.h"

using namespace afx::detail;

namespace {

bool IsWhole(const afx::BitmapResource* res) {
    return res != nullptr && res->width > 0 && res->height > 0 &&
           res->rgb.size() >= static_cast<size_t>(res->width) * res->height * 3;
}

QImage ImageOfResource(const afx::BitmapResource& res) {
    QImage image(res.width, res.height, QImage::Format_RGB32);
    const uint8_t* p = res.rgb.data();
    for (int y = 0; y < res.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < res.width; ++x, p += 3)
            line[x] = qRgb(p[0], p[1], p[2]);
    }
    return image;
}

// The twin counts only when it is exactly twice the bitmap's size.
QImage TwinOf(UINT id, const QImage& image) {
    const afx::BitmapResource* res = afx::FindResourceBitmap(id, 2);
    if (!IsWhole(res) || res->width != image.width() * 2 || res->height != image.height() * 2)
        return QImage();
    return ImageOfResource(*res);
}

} // namespace

CFont::CFont() = default;
CFont::~CFont() = default;

BOOL CFont::CreateFont(int nHeight, int, int, int, int nWeight, BYTE bItalic, BYTE bUnderline,
                       BYTE cStrikeOut, BYTE, BYTE, BYTE, BYTE, BYTE nPitchAndFamily,
                       const char* lpszFacename) {
    auto data = std::make_unique<FontData>();
    QFont& f = data->font;
    if (lpszFacename != nullptr && *lpszFacename != '\0')
        f.setFamily(QString::fromUtf8(lpszFacename));
    if ((nPitchAndFamily & 0xF0) == FF_SWISS)
        f.setStyleHint(QFont::SansSerif);
    int weight = nWeight <= 0 ? FW_NORMAL : nWeight;
    f.setWeight(static_cast<QFont::Weight>(weight < 100 ? 100 : (weight > 900 ? 900 : weight)));
    f.setItalic(bItalic != 0);
    f.setUnderline(bUnderline != 0);
    f.setStrikeOut(cStrikeOut != 0);
    int height = std::abs(nHeight);
    if (height == 0)
        height = 12;
    f.setPixelSize(height);
    if (nHeight > 0) {
        // A positive height names the whole cell (ascent + descent), as the framework does.
        QFontMetrics fm(f);
        if (fm.height() > height) {
            int px = height * height / fm.height();
            f.setPixelSize(px < 1 ? 1 : px);
        }
    }
    m_pData = std::move(data);
    return TRUE;
}

BOOL CFont::DeleteObject() {
    bool had = m_pData != nullptr;
    m_pData.reset();
    return had ? TRUE : FALSE;
}

CBitmap::CBitmap() = default;
CBitmap::~CBitmap() = default;

BOOL CBitmap::CreateCompatibleBitmap(CDC*, int nWidth, int nHeight) {
    if (nWidth < 0 || nHeight < 0 || (m_pData != nullptr && m_pData->painter != nullptr))
        return FALSE;
    auto data = std::make_unique<BitmapData>();
    data->image = QImage(nWidth < 1 ? 1 : nWidth, nHeight < 1 ? 1 : nHeight, QImage::Format_RGB32);
    data->image.fill(Qt::black);
    m_pData = std::move(data);
    return TRUE;
}

BOOL CBitmap::LoadBitmap(UINT nIDResource) {
    const afx::BitmapResource* res = afx::FindResourceBitmap(nIDResource);
    if (!IsWhole(res))
        return FALSE;
    auto data = std::make_unique<BitmapData>();
    data->image = ImageOfResource(*res);
    data->image2x = TwinOf(nIDResource, data->image);
    m_pData = std::move(data);
    return TRUE;
}

int CBitmap::GetBitmap(BITMAP* pBitMap) const {
    if (pBitMap == nullptr || m_pData == nullptr)
        return 0;
    *pBitMap = BITMAP{};
    pBitMap->bmWidth = m_pData->image.width();
    pBitMap->bmHeight = m_pData->image.height();
    pBitMap->bmWidthBytes = static_cast<LONG>(m_pData->image.bytesPerLine());
    pBitMap->bmBitsPixel = 32;
    return static_cast<int>(sizeof(BITMAP));
}

SIZE CBitmap::GetSize() const {
    if (m_pData == nullptr)
        return SIZE{};
    return SIZE{m_pData->image.width(), m_pData->image.height()};
}

BOOL CBitmap::DeleteObject() {
    // A bitmap selected into a context stays until it is deselected.
    if (m_pData == nullptr || m_pData->painter != nullptr)
        return FALSE;
    m_pData.reset();
    return TRUE;
}

COLORREF CBitmap::GetPixel(int x, int y) const {
    if (m_pData == nullptr || !m_pData->image.valid(x, y))
        return CLR_NONE;
    return ToColorRef(QColor(m_pData->image.pixel(x, y)));
}
