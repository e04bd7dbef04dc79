// SPDX-License-Identifier: Apache-2.0
// An off-screen device context: painting goes into a bitmap that is copied to the target in
// one step when the context goes out of scope, so the window never shows half a picture.
#pragma once

#include "AfxDC.h"
#include "AfxGdi.h"
#include "AfxTypes.h"

class CMemDC : public CDC {
public:
    // Paints pRect of the target (its clip box when null), starting from a copy of the
    // target's picture when bCopyBackground is set, else from its background colour.
    explicit CMemDC(CDC* pDC, const RECT* pRect = nullptr, bool bCopyBackground = false);
    ~CMemDC() override;
    CMemDC(const CMemDC&) = delete;
    CMemDC& operator=(const CMemDC&) = delete;

    const RECT& GetRect() const { return m_rect; }
    bool IsOffScreen() const { return m_bMemDC; }

private:
    CBitmap m_bitmap;
    CBitmap* m_pOldBitmap = nullptr;
    CDC* m_pDC = nullptr;
    RECT m_rect{};
    bool m_bMemDC = false;
    bool m_bCopyBackground = false;
};
