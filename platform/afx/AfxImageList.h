// SPDX-License-Identifier: Apache-2.0
// A list of same-sized icon images, drawn scaled into device contexts. An icon of the theme
// is drawn from the theme at the device's size where it has more than one pixel per pixel.
#pragma once

#include <memory>

#include "AfxTypes.h"

class CDC;
namespace afx::detail {
struct ImageListData;
} // namespace afx::detail

class CImageList {
public:
    CImageList();
    ~CImageList();
    CImageList(const CImageList&) = delete;
    CImageList& operator=(const CImageList&) = delete;

    // cx by cy images; ILC_COLOR32 | ILC_MASK (33) keeps each icon's alpha.
    BOOL Create(int cx, int cy, UINT nFlags, int nInitial, int nGrow);
    BOOL DeleteImageList();
    // Adds the icon's image scaled to the list's size; its index, or -1.
    int Add(HICON hIcon);
    // Adds an image given as top-down 0xAARRGGBB pixels; its index, or -1.
    int AddImage(int width, int height, const uint32_t* argb);
    int GetImageCount() const;
    SIZE GetImageSize() const;
    HIMAGELIST GetSafeHandle() const;
    static CImageList* FromHandle(HIMAGELIST h) { return reinterpret_cast<CImageList*>(h); }

    // Draws image nImage at pt, scaled to sz (the list's size when sz is 0 by 0). A real
    // background colour (not CLR_NONE or CLR_DEFAULT) fills the area first.
    BOOL DrawEx(CDC* pDC, int nImage, POINT pt, SIZE sz, COLORREF clrBk, COLORREF clrFg,
                UINT nStyle);

private:
    std::unique_ptr<afx::detail::ImageListData> m_pData;
};

BOOL ImageList_DrawEx(HIMAGELIST himl, int i, HDC hdcDst, int x, int y, int dx, int dy,
                      COLORREF rgbBk, COLORREF rgbFg, UINT fStyle);
