// SPDX-License-Identifier: Apache-2.0
#include "MemDC.h"

CMemDC::CMemDC(CDC* pDC, const RECT* pRect, bool bCopyBackground)
    : m_pDC(pDC), m_bCopyBackground(bCopyBackground) {
    if (m_pDC == nullptr)
        return;
    if (pRect != nullptr)
        m_rect = *pRect;
    else
        m_pDC->GetClipBox(&m_rect);
    m_bMemDC = !m_pDC->IsPrinting();

    if (m_bMemDC) {
        CreateCompatibleDC(m_pDC);
        m_pDC->LPtoDP(&m_rect);
        m_bitmap.CreateCompatibleBitmap(m_pDC, m_rect.right - m_rect.left,
                                        m_rect.bottom - m_rect.top);
        m_pOldBitmap = SelectObject(&m_bitmap);
        SetMapMode(m_pDC->GetMapMode());
        SetWindowExt(m_pDC->GetWindowExt());
        SetViewportExt(m_pDC->GetViewportExt());
        m_pDC->DPtoLP(&m_rect);
        SetWindowOrg(m_rect.left, m_rect.top);
    } else {
        ShareOutput(m_pDC);
    }

    if (m_bMemDC && m_bCopyBackground)
        BitBlt(m_rect.left, m_rect.top, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top,
               m_pDC, m_rect.left, m_rect.top, SRCCOPY);
    else
        FillSolidRect(&m_rect, m_pDC->GetBkColor());
}

CMemDC::~CMemDC() {
    if (m_pDC == nullptr)
        return;
    if (m_bMemDC) {
        m_pDC->BitBlt(m_rect.left, m_rect.top, m_rect.right - m_rect.left,
                      m_rect.bottom - m_rect.top, this, m_rect.left, m_rect.top, SRCCOPY);
        if (m_pOldBitmap != nullptr)
            SelectObject(m_pOldBitmap);
    } else {
        ReleaseOutput();
    }
    DeleteDC();
    m_bitmap.DeleteObject();
}
