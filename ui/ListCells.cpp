// SPDX-License-Identifier: Apache-2.0
#include "ListCells.h"

#include <algorithm>

#include "AfxDC.h"
#include "AfxGdi.h"
#include "AfxListCtrl.h"
#include "AfxMenu.h"
#include "LocalResource.h"
#include "ResourceIds.h"

namespace {

constexpr COLORREF kTransparent = 0x000000FF;

} // namespace

void DrawCellBitmap(CDC* pDC, CBitmap& bmp, const RECT& cell) {
    BITMAP info{};
    if (bmp.GetBitmap(&info) == 0) {
        return;
    }
    const int side = std::min<int>(info.bmHeight, (cell.bottom - cell.top) - 2);
    if (side <= 0) {
        return;
    }
    CDC mem;
    mem.CreateCompatibleDC(pDC);
    CBitmap* pOld = mem.SelectObject(&bmp);
    pDC->TransparentBlt(cell.left + 5, cell.top + 2, side, side, &mem, 0, 0, info.bmWidth,
                        info.bmHeight, kTransparent);
    mem.SelectObject(pOld);
}

bool PointIn(const RECT& r, POINT pt) {
    return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
}

std::string FormatOne(const std::string& format, const std::string& arg) {
    std::string out = format;
    size_t pos = out.find("%s");
    if (pos != std::string::npos) {
        out.replace(pos, 2, arg);
    }
    return out;
}

void SetSortHeader(CListCtrl* pList, const UINT* textIds, int count, int sortColumn,
                   bool ascending) {
    CHeaderCtrl* pHeader = pList->GetHeaderCtrl();
    if (pHeader == nullptr) {
        return;
    }
    for (int c = 0; c < count; ++c) {
        std::string text = LoadLocalString(textIds[c]);
        if (c == sortColumn) {
            text += LoadLocalString(ascending ? kIdsArrowUp : kIdsArrowDown);
        }
        if (pHeader->GetItemText(c) != text) {
            pHeader->SetItemText(c, text);
        }
    }
}

void TrackListPopup(CListCtrl* pList, int nPopup, POINT pt, std::initializer_list<UINT> remove) {
    CMenu menu;
    if (!menu.LoadMenuIndirect(LoadLocalMenu(kMenuRowCommands))) {
        return;
    }
    CMenu* pPopup = menu.GetSubMenu(nPopup);
    if (pPopup == nullptr) {
        return;
    }
    for (UINT id : remove) {
        pPopup->RemoveMenu(id, MF_BYCOMMAND);
    }
    POINT screen = pt;
    pList->ClientToScreen(&screen);
    pPopup->TrackPopupMenu(TPM_LEFTALIGN | TPM_RIGHTBUTTON, screen.x, screen.y, pList);
}

void CCellHover::Move(int nRow, int nColumn, bool bOnTarget) {
    if (nRow != m_nLastRow || nColumn != m_nLastColumn || bOnTarget != m_bLastOnTarget) {
        if (m_bLastOnTarget) {
            Set(m_nLastRow, m_nLastColumn, false);
        }
        if (bOnTarget) {
            Set(nRow, nColumn, true);
        }
    }
    m_nLastRow = nRow;
    m_nLastColumn = nColumn;
    m_bLastOnTarget = bOnTarget;
}

void CCellHover::Clear() {
    if (m_bHover && m_nLastRow >= 0) {
        Set(m_nLastRow, m_nLastColumn, false);
    }
    m_bHover = false;
    m_nColumn = -1;
    m_nLastRow = -1;
    m_nLastColumn = -1;
    m_bLastOnTarget = false;
}

bool CCellHover::IsHovered(int nRow, int nColumn) const {
    return m_bHover && m_nColumn == nColumn && nRow >= 0 && nRow < m_pList->GetItemCount() &&
           m_pList->GetItemData(nRow) == m_Data;
}

void CCellHover::Set(int nRow, int nColumn, bool bHover) {
    if (nRow < 0 || nRow >= m_pList->GetItemCount()) {
        return;
    }
    const DWORD_PTR data = m_pList->GetItemData(nRow);
    if (bHover) {
        m_Data = data;
        m_nColumn = nColumn;
        m_bHover = true;
    } else if (m_bHover && data == m_Data && nColumn == m_nColumn) {
        m_bHover = false;
    }
    RECT cell;
    if (m_pList->GetSubItemRect(nRow, nColumn, LVIR_LABEL, cell)) {
        m_pList->RedrawWindow(&cell, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    }
}
