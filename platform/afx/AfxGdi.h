// SPDX-License-Identifier: Apache-2.0
// Drawing objects: fonts and bitmaps a device context can select.
#pragma once

#include <memory>

#include "AfxTypes.h"

class CDC;
namespace afx::detail {
struct FontData;
struct BitmapData;
} // namespace afx::detail

class CFont {
public:
    CFont();
    ~CFont();
    CFont(const CFont&) = delete;
    CFont& operator=(const CFont&) = delete;

    // Height > 0 is the cell height, < 0 the character height, in pixels.
    BOOL CreateFont(int nHeight, int nWidth, int nEscapement, int nOrientation, int nWeight,
                    BYTE bItalic, BYTE bUnderline, BYTE cStrikeOut, BYTE nCharSet,
                    BYTE nOutPrecision, BYTE nClipPrecision, BYTE nQuality, BYTE nPitchAndFamily,
                    const char* lpszFacename);
    BOOL DeleteObject();
    bool IsCreated() const { return m_pData != nullptr; }
    afx::detail::FontData* GetData() const { return m_pData.get(); }

private:
    std::unique_ptr<afx::detail::FontData> m_pData;
};

class CBitmap {
public:
    CBitmap();
    ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    BOOL CreateCompatibleBitmap(CDC* pDC, int nWidth, int nHeight);
    // A bitmap of the component's resources, with its double-size twin where there is one.
    BOOL LoadBitmap(UINT nIDResource);
    int GetBitmap(BITMAP* pBitMap) const;
    SIZE GetSize() const;
    BOOL DeleteObject();
    bool IsCreated() const { return m_pData != nullptr; }
    afx::detail::BitmapData* GetData() const { return m_pData.get(); }
    // Pixel access for checks: COLORREF at (x, y), CLR_NONE outside.
    COLORREF GetPixel(int x, int y) const;

private:
    friend class CDC;
    std::unique_ptr<afx::detail::BitmapData> m_pData;
};
