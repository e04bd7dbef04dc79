// SPDX-License-Identifier: Apache-2.0
#include "AfxDC.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QWidget>

#include "AfxDCQt.h"
#include "AfxGdiQt.h"
#include "AfxQt.h"
#include "AfxWnd.h"

using namespace afx::detail;

namespace afx::detail {

QPainter* PainterOf(const CDC* pDC) {
    if (pDC == nullptr)
        return nullptr;
    const DCData* d = pDC->GetData();
    if (d->sharedFrom != nullptr)
        return PainterOf(d->sharedFrom);
    return d->painter != nullptr && d->painter->isActive() ? d->painter : nullptr;
}

const QImage* ImageOf(const CDC* pDC) {
    if (pDC == nullptr)
        return nullptr;
    const DCData* d = pDC->GetData();
    if (d->sharedFrom != nullptr)
        return ImageOf(d->sharedFrom);
    if (!d->memory || d->selectedBitmap == nullptr || d->selectedBitmap->GetData() == nullptr)
        return nullptr;
    return &d->selectedBitmap->GetData()->image;
}

const QImage* Image2xOf(const CDC* pDC) {
    if (pDC == nullptr)
        return nullptr;
    const DCData* d = pDC->GetData();
    if (d->sharedFrom != nullptr)
        return Image2xOf(d->sharedFrom);
    if (ImageOf(pDC) == nullptr)
        return nullptr;
    const QImage& twin = d->selectedBitmap->GetData()->image2x;
    return twin.isNull() ? nullptr : &twin;
}

qreal DevicePixelRatio(const QPainter* p) {
    const QPaintEngine* engine = p != nullptr ? p->paintEngine() : nullptr;
    const QPaintDevice* device = engine != nullptr ? engine->paintDevice() : nullptr;
    return device != nullptr ? device->devicePixelRatio() : 1.0;
}

QRect DeviceRect(const CDC* pDC, int x, int y, int w, int h) {
    const DCData* d = pDC->GetData();
    return QRect(x - d->windowOrg.x + d->viewportOrg.x, y - d->windowOrg.y + d->viewportOrg.y, w,
                 h);
}

QFont FontOf(const CDC* pDC) {
    const DCData* d = pDC->GetData();
    if (d->selectedFont != nullptr && d->selectedFont->GetData() != nullptr)
        return d->selectedFont->GetData()->font;
    return d->defaultFont;
}

} // namespace afx::detail

namespace {

void ApplyOrigin(DCData* d) {
    if (d->painter != nullptr && d->painter->isActive())
        d->painter->setTransform(QTransform::fromTranslate(d->viewportOrg.x - d->windowOrg.x,
                                                           d->viewportOrg.y - d->windowOrg.y));
}

void EndBitmapPainter(DCData* d) {
    if (!d->memory || d->painter == nullptr)
        return;
    d->painter->end();
    delete d->painter;
    d->painter = nullptr;
    if (d->selectedBitmap != nullptr && d->selectedBitmap->GetData() != nullptr)
        d->selectedBitmap->GetData()->painter = nullptr;
}

// Pixels of the key colour become transparent.
QImage WithoutKey(const QImage& part, UINT clrTransparent) {
    QImage out = part.convertToFormat(QImage::Format_ARGB32);
    QRgb key =
        qRgb(GetRValue(clrTransparent), GetGValue(clrTransparent), GetBValue(clrTransparent));
    for (int row = 0; row < out.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(out.scanLine(row));
        for (int col = 0; col < out.width(); ++col)
            if ((line[col] & 0x00FFFFFF) == (key & 0x00FFFFFF))
                line[col] = 0;
    }
    return out;
}

// The twin's part of the source rectangle at the device's size. The key goes first, so that
// smoothing (for a ratio other than 2) blends with transparency, never with the key colour.
QImage FinePart(const QImage& twin, const QRect& from, const QSize& device, UINT clrTransparent) {
    QImage part = WithoutKey(twin.copy(QRect(from.topLeft() * 2, from.size() * 2)), clrTransparent);
    if (part.size() != device)
        part = part.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                   .scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return part;
}

// Windows leaves text alone unless the mnemonic prefix is processed.
int QtTextFlags(UINT nFormat) {
    int flags = 0;
    if (nFormat & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (nFormat & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (nFormat & DT_SINGLELINE) {
        if (nFormat & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (nFormat & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
        flags |= Qt::TextSingleLine;
    } else {
        flags |= Qt::AlignTop;
        if (nFormat & DT_WORDBREAK)
            flags |= Qt::TextWordWrap;
    }
    if (!(nFormat & DT_NOPREFIX))
        flags |= Qt::TextShowMnemonic;
    return flags;
}

} // namespace

CDC::CDC() : m_pData(std::make_unique<DCData>()) {
    if (QCoreApplication::instance() != nullptr && qobject_cast<QApplication*>(qApp))
        m_pData->defaultFont = QApplication::font();
}

CDC::~CDC() {
    // A derived context that shares a target has let it go already.
    DeleteDC();
}

bool CDC::CanPaint() const {
    return PainterOf(this) != nullptr;
}

BOOL CDC::CreateCompatibleDC(CDC*) {
    if (m_pData->painter != nullptr || m_pData->sharedFrom != nullptr)
        return FALSE;
    m_pData->memory = true;
    m_pData->stockBitmap.CreateCompatibleBitmap(nullptr, 1, 1);
    SelectObject(&m_pData->stockBitmap);
    return TRUE;
}

BOOL CDC::DeleteDC() {
    DCData* d = m_pData.get();
    if (d->memory) {
        EndBitmapPainter(d);
        d->selectedBitmap = nullptr;
        d->memory = false;
        return TRUE;
    }
    if (d->painter != nullptr) {
        if (d->ownsPainter) {
            d->painter->end();
            delete d->painter;
        }
        d->painter = nullptr;
        return TRUE;
    }
    return FALSE;
}

CBitmap* CDC::SelectObject(CBitmap* pBitmap) {
    DCData* d = m_pData.get();
    if (!d->memory || pBitmap == nullptr || pBitmap->GetData() == nullptr)
        return nullptr;
    BitmapData* bd = pBitmap->GetData();
    if (bd->painter != nullptr && pBitmap != d->selectedBitmap)
        return nullptr; // one context at a time, as the framework has it
    CBitmap* previous = d->selectedBitmap;
    EndBitmapPainter(d);
    d->selectedBitmap = pBitmap;
    d->painter = new QPainter(&bd->image);
    bd->painter = d->painter;
    d->deviceClip = bd->image.rect();
    ApplyOrigin(d);
    return previous;
}

CFont* CDC::SelectObject(CFont* pFont) {
    CFont* previous = m_pData->selectedFont;
    m_pData->selectedFont = pFont;
    return previous;
}

CFont* CDC::GetCurrentFont() const {
    return m_pData->selectedFont;
}

COLORREF CDC::SetTextColor(COLORREF crColor) {
    COLORREF old = m_pData->textColor;
    m_pData->textColor = crColor;
    return old;
}
COLORREF CDC::GetTextColor() const {
    return m_pData->textColor;
}
COLORREF CDC::SetBkColor(COLORREF crColor) {
    COLORREF old = m_pData->bkColor;
    m_pData->bkColor = crColor;
    return old;
}
COLORREF CDC::GetBkColor() const {
    return m_pData->bkColor;
}
int CDC::SetBkMode(int nBkMode) {
    int old = m_pData->bkMode;
    m_pData->bkMode = nBkMode;
    return old;
}
int CDC::GetBkMode() const {
    return m_pData->bkMode;
}

void CDC::FillSolidRect(const RECT* pRect, COLORREF clr) {
    if (pRect != nullptr)
        FillSolidRect(pRect->left, pRect->top, pRect->right - pRect->left,
                      pRect->bottom - pRect->top, clr);
}

void CDC::DrawFocusRect(const RECT* lpRect) {
    QPainter* p = PainterOf(this);
    if (p == nullptr || lpRect == nullptr || lpRect->right - lpRect->left < 2 ||
        lpRect->bottom - lpRect->top < 2)
        return;
    p->save();
    QPen pen(ToQColor(m_pData->textColor));
    pen.setStyle(Qt::DotLine);
    pen.setCosmetic(true);
    p->setPen(pen);
    p->setBrush(Qt::NoBrush);
    p->drawRect(QRectF(lpRect->left + 0.5, lpRect->top + 0.5, lpRect->right - lpRect->left - 1,
                       lpRect->bottom - lpRect->top - 1));
    p->restore();
}

void CDC::FillSolidRect(int x, int y, int cx, int cy, COLORREF clr) {
    m_pData->bkColor = clr;
    QPainter* p = PainterOf(this);
    if (p == nullptr || cx <= 0 || cy <= 0)
        return;
    p->fillRect(QRect(x, y, cx, cy), ToQColor(clr));
}

int CDC::DrawText(const std::string& str, RECT* lpRect, UINT nFormat) {
    return DrawText(str.c_str(), static_cast<int>(str.size()), lpRect, nFormat);
}

int CDC::DrawText(const char* lpszString, int nCount, RECT* lpRect, UINT nFormat) {
    if (lpszString == nullptr || lpRect == nullptr)
        return 0;
    size_t len =
        nCount < 0 ? std::char_traits<char>::length(lpszString) : static_cast<size_t>(nCount);
    QString text = FromAnsi(std::string_view(lpszString, len));
    if (nFormat & DT_SINGLELINE) {
        text.replace(QLatin1String("\r\n"), QLatin1String(" "));
        text.replace(QLatin1Char('\n'), QLatin1Char(' '));
        text.replace(QLatin1Char('\r'), QLatin1Char(' '));
    }
    QFont font = FontOf(this);
    QFontMetrics fm(font);
    QRect rect = ToQRect(*lpRect);
    int flags = QtTextFlags(nFormat);
    if (nFormat & DT_END_ELLIPSIS)
        text = fm.elidedText(text, Qt::ElideRight, rect.width() < 0 ? 0 : rect.width(),
                             flags & Qt::TextShowMnemonic);
    QRect bounds = fm.boundingRect(rect, flags, text);
    if (nFormat & DT_CALCRECT) {
        lpRect->right = lpRect->left + bounds.width();
        lpRect->bottom = lpRect->top + bounds.height();
        return bounds.height();
    }
    QPainter* p = PainterOf(this);
    if (p == nullptr)
        return bounds.height();
    p->save();
    if (!(nFormat & DT_NOCLIP))
        p->setClipRect(rect, Qt::IntersectClip);
    if (m_pData->bkMode == OPAQUE)
        p->fillRect(bounds, ToQColor(m_pData->bkColor));
    p->setFont(font);
    p->setPen(ToQColor(m_pData->textColor));
    p->drawText(rect, flags, text);
    p->restore();
    return bounds.height();
}

BOOL CDC::TextOut(int x, int y, const char* lpszString, int nCount) {
    if (lpszString == nullptr)
        return FALSE;
    RECT r{x, y, x + 0x3FFFFFFF, y + 0x3FFFFFFF};
    DrawText(lpszString, nCount, &r, DT_NOPREFIX | DT_NOCLIP);
    return TRUE;
}

SIZE CDC::GetTextExtent(const std::string& str) const {
    QFontMetrics fm(FontOf(this));
    QString text = FromAnsi(str);
    return SIZE{fm.horizontalAdvance(text), fm.height()};
}

BOOL CDC::BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc, DWORD) {
    QPainter* p = PainterOf(this);
    const QImage* src = ImageOf(pSrcDC);
    // Only memory contexts can be read back; a window's picture is not kept.
    if (p == nullptr || src == nullptr || nWidth <= 0 || nHeight <= 0)
        return FALSE;
    QRect from = DeviceRect(pSrcDC, xSrc, ySrc, nWidth, nHeight);
    p->save();
    p->setCompositionMode(QPainter::CompositionMode_Source);
    p->drawImage(QRect(x, y, nWidth, nHeight), *src, from);
    p->restore();
    return TRUE;
}

BOOL CDC::TransparentBlt(int xDest, int yDest, int nDestWidth, int nDestHeight, CDC* pSrcDC,
                         int xSrc, int ySrc, int nSrcWidth, int nSrcHeight, UINT clrTransparent) {
    QPainter* p = PainterOf(this);
    const QImage* src = ImageOf(pSrcDC);
    if (p == nullptr || src == nullptr || nDestWidth <= 0 || nDestHeight <= 0 || nSrcWidth <= 0 ||
        nSrcHeight <= 0)
        return FALSE;
    const QRect from = DeviceRect(pSrcDC, xSrc, ySrc, nSrcWidth, nSrcHeight);
    // More than one device pixel per pixel: the double-size twin, where the bitmap has one.
    const qreal ratio = DevicePixelRatio(p);
    const QImage* twin = ratio > 1 ? Image2xOf(pSrcDC) : nullptr;
    if (twin != nullptr) {
        const QSize device(qRound(nDestWidth * ratio), qRound(nDestHeight * ratio));
        QImage part = FinePart(*twin, from, device, clrTransparent);
        part.setDevicePixelRatio(ratio);
        p->drawImage(QPointF(xDest, yDest), part);
        return TRUE;
    }
    QImage part = src->copy(from);
    // Nearest-neighbour scaling keeps the key colour exact, so no tinted fringe survives.
    if (part.width() != nDestWidth || part.height() != nDestHeight)
        part = part.scaled(nDestWidth, nDestHeight, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    p->drawImage(QPoint(xDest, yDest), WithoutKey(part, clrTransparent));
    return TRUE;
}

COLORREF CDC::GetPixel(int x, int y) const {
    const QImage* img = ImageOf(this);
    if (img == nullptr)
        return CLR_NONE;
    QRect r = DeviceRect(this, x, y, 1, 1);
    if (!img->valid(r.topLeft()))
        return CLR_NONE;
    return ToColorRef(QColor(img->pixel(r.topLeft())));
}

int CDC::GetClipBox(RECT* lpRect) const {
    if (lpRect == nullptr)
        return 0;
    const DCData* d =
        m_pData->sharedFrom != nullptr ? m_pData->sharedFrom->GetData() : m_pData.get();
    QRect r = d->deviceClip.translated(d->windowOrg.x - d->viewportOrg.x,
                                       d->windowOrg.y - d->viewportOrg.y);
    *lpRect = ToRect(r);
    return r.isEmpty() ? 1 : 2; // NULLREGION : SIMPLEREGION
}

BOOL CDC::PtVisible(int x, int y) const {
    RECT r;
    GetClipBox(&r);
    return x >= r.left && x < r.right && y >= r.top && y < r.bottom;
}

BOOL CDC::RectVisible(const RECT* lpRect) const {
    if (lpRect == nullptr)
        return FALSE;
    RECT r;
    GetClipBox(&r);
    return ToQRect(r).intersects(ToQRect(*lpRect));
}

int CDC::SetMapMode(int nMapMode) {
    int old = m_pData->mapMode;
    m_pData->mapMode = nMapMode;
    return old;
}
int CDC::GetMapMode() const {
    return m_pData->mapMode;
}
SIZE CDC::SetWindowExt(SIZE size) {
    SIZE old = m_pData->windowExt;
    m_pData->windowExt = size;
    return old;
}
SIZE CDC::GetWindowExt() const {
    return m_pData->windowExt;
}
SIZE CDC::SetViewportExt(SIZE size) {
    SIZE old = m_pData->viewportExt;
    m_pData->viewportExt = size;
    return old;
}
SIZE CDC::GetViewportExt() const {
    return m_pData->viewportExt;
}
POINT CDC::SetWindowOrg(int x, int y) {
    POINT old = m_pData->windowOrg;
    m_pData->windowOrg = POINT{x, y};
    ApplyOrigin(m_pData.get());
    return old;
}
POINT CDC::GetWindowOrg() const {
    return m_pData->windowOrg;
}
POINT CDC::SetViewportOrg(int x, int y) {
    POINT old = m_pData->viewportOrg;
    m_pData->viewportOrg = POINT{x, y};
    ApplyOrigin(m_pData.get());
    return old;
}
POINT CDC::GetViewportOrg() const {
    return m_pData->viewportOrg;
}

void CDC::LPtoDP(POINT* lpPoint) const {
    if (lpPoint == nullptr)
        return;
    lpPoint->x += m_pData->viewportOrg.x - m_pData->windowOrg.x;
    lpPoint->y += m_pData->viewportOrg.y - m_pData->windowOrg.y;
}
void CDC::DPtoLP(POINT* lpPoint) const {
    if (lpPoint == nullptr)
        return;
    lpPoint->x -= m_pData->viewportOrg.x - m_pData->windowOrg.x;
    lpPoint->y -= m_pData->viewportOrg.y - m_pData->windowOrg.y;
}
void CDC::LPtoDP(RECT* lpRect) const {
    if (lpRect == nullptr)
        return;
    POINT tl{lpRect->left, lpRect->top}, br{lpRect->right, lpRect->bottom};
    LPtoDP(&tl);
    LPtoDP(&br);
    *lpRect = RECT{tl.x, tl.y, br.x, br.y};
}
void CDC::DPtoLP(RECT* lpRect) const {
    if (lpRect == nullptr)
        return;
    POINT tl{lpRect->left, lpRect->top}, br{lpRect->right, lpRect->bottom};
    DPtoLP(&tl);
    DPtoLP(&br);
    *lpRect = RECT{tl.x, tl.y, br.x, br.y};
}

void CDC::ShareOutput(CDC* pTarget) {
    if (pTarget != this)
        m_pData->sharedFrom = pTarget;
}

void CDC::ReleaseOutput() {
    m_pData->sharedFrom = nullptr;
}

CPaintDC::CPaintDC(CWnd* pWnd) {
    QWidget* w = pWnd != nullptr ? pWnd->GetWidget() : nullptr;
    if (w == nullptr)
        return;
    // Qt lets a widget be painted only while it handles its paint event.
    if (!w->testAttribute(Qt::WA_WState_InPaintEvent))
        return;
    m_pData->painter = new QPainter(w);
    m_pData->ownsPainter = true;
    m_pData->defaultFont = w->font();
    m_pData->deviceClip = ToQRect(pWnd->GetPaintRect());
}

CPaintDC::~CPaintDC() = default;
