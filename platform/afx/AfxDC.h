// SPDX-License-Identifier: Apache-2.0
// Device contexts over QPainter: a window's paint context and memory contexts that paint
// into bitmaps. Coordinates are logical; only the MM_TEXT mapping (with origins) exists.
#pragma once

#include <memory>
#include <string>

#include "AfxGdi.h"
#include "AfxTypes.h"

class CWnd;
namespace afx::detail {
struct DCData;
} // namespace afx::detail

class CDC {
public:
    CDC();
    virtual ~CDC();
    CDC(const CDC&) = delete;
    CDC& operator=(const CDC&) = delete;

    HDC GetSafeHdc() const { return reinterpret_cast<HDC>(const_cast<CDC*>(this)); }
    static CDC* FromHandle(HDC hDC) { return reinterpret_cast<CDC*>(hDC); }

    // A memory context: paints into the bitmap selected into it (1 by 1 until then).
    BOOL CreateCompatibleDC(CDC* pDC);
    BOOL DeleteDC();
    BOOL IsPrinting() const { return FALSE; }
    // True when the context has somewhere to paint.
    bool CanPaint() const;

    CBitmap* SelectObject(CBitmap* pBitmap);
    CFont* SelectObject(CFont* pFont);
    CFont* GetCurrentFont() const;

    COLORREF SetTextColor(COLORREF crColor);
    COLORREF GetTextColor() const;
    COLORREF SetBkColor(COLORREF crColor);
    COLORREF GetBkColor() const;
    int SetBkMode(int nBkMode);
    int GetBkMode() const;

    // Fills with the colour, which also becomes the background colour.
    void FillSolidRect(const RECT* pRect, COLORREF clr);
    // A dotted frame inside the rectangle, in the text colour: the keyboard's focus.
    void DrawFocusRect(const RECT* lpRect);
    void FillSolidRect(int x, int y, int cx, int cy, COLORREF clr);
    // Narrow text in the system code page. Returns the text height; DT_CALCRECT only
    // measures, setting the rectangle's right and bottom.
    virtual int DrawText(const char* lpszString, int nCount, RECT* lpRect, UINT nFormat);
    int DrawText(const std::string& str, RECT* lpRect, UINT nFormat);
    virtual BOOL TextOut(int x, int y, const char* lpszString, int nCount);
    SIZE GetTextExtent(const std::string& str) const;

    BOOL BitBlt(int x, int y, int nWidth, int nHeight, CDC* pSrcDC, int xSrc, int ySrc,
                DWORD dwRop);
    // Copies the source rectangle scaled into the destination, leaving out every source pixel
    // of the transparent colour.
    BOOL TransparentBlt(int xDest, int yDest, int nDestWidth, int nDestHeight, CDC* pSrcDC,
                        int xSrc, int ySrc, int nSrcWidth, int nSrcHeight, UINT clrTransparent);
    COLORREF GetPixel(int x, int y) const;

    int GetClipBox(RECT* lpRect) const;
    virtual BOOL PtVisible(int x, int y) const;
    virtual BOOL RectVisible(const RECT* lpRect) const;

    int SetMapMode(int nMapMode);
    int GetMapMode() const;
    SIZE SetWindowExt(SIZE size);
    SIZE GetWindowExt() const;
    SIZE SetViewportExt(SIZE size);
    SIZE GetViewportExt() const;
    POINT SetWindowOrg(int x, int y);
    POINT GetWindowOrg() const;
    POINT SetViewportOrg(int x, int y);
    POINT GetViewportOrg() const;
    void LPtoDP(RECT* lpRect) const;
    void DPtoLP(RECT* lpRect) const;
    void LPtoDP(POINT* lpPoint) const;
    void DPtoLP(POINT* lpPoint) const;

    // Paint straight into another context's output (as a printer context is shared), and
    // let it go again.
    void ShareOutput(CDC* pTarget);
    void ReleaseOutput();

    afx::detail::DCData* GetData() const { return m_pData.get(); }

protected:
    std::unique_ptr<afx::detail::DCData> m_pData;
};

// The context of WM_PAINT: paints the area being repainted.
class CPaintDC : public CDC {
public:
    explicit CPaintDC(CWnd* pWnd);
    ~CPaintDC() override;
};

// Bits for ImageList_DrawEx and friends take a context by handle.
inline CDC* DCFromHandle(HDC hDC) {
    return CDC::FromHandle(hDC);
}
