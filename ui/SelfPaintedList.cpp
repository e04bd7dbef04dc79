// SPDX-License-Identifier: Apache-2.0
#include "SelfPaintedList.h"

#include <algorithm>

#include "AfxDC.h"
#include "AfxIcon.h"
#include "AfxShell.h"
#include "LocalResource.h"

namespace {

constexpr COLORREF kEvenRow = 0x00F3F0F1;
constexpr COLORREF kOddRow = 0x00FFFFFF;
constexpr COLORREF kSelectedRow = 0x00FACE87;
constexpr COLORREF kSelectedText = 0x00FFFFFF;
constexpr COLORREF kText = 0x00000000;
constexpr int kMaxIcon = 16;

} // namespace

CSelfPaintedList::CSelfPaintedList() {
    // Below the last row the list shows its own white, whatever the desktop's palette.
    SetBkColor(kOddRow);
    // Image 0: the shell's icon of a plain file, for types without one of their own.
    m_Icons.Create(16, 16, ILC_COLOR32 | ILC_MASK, 16, 4);
    SHFILEINFO info{};
    if (SHGetFileInfo("", 0, &info, sizeof info,
                      SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES) != 0 &&
        info.hIcon != nullptr) {
        m_Icons.Add(info.hIcon);
        DestroyIcon(info.hIcon);
    }
}

CSelfPaintedList::~CSelfPaintedList() {
    ClearIconCache(m_IconCache);
}

int CSelfPaintedList::IconIndex(const std::string& extension) {
    return std::max(GetFileIconIndex(&m_Icons, m_IconCache, extension), 0);
}

int CSelfPaintedList::FolderIconIndex() {
    return std::max(GetFileIconIndex(&m_Icons, m_IconCache, std::string(), true), 0);
}

LRESULT CSelfPaintedList::OnCustomDraw(NMLVCUSTOMDRAW* pDraw) {
    if (pDraw->nmcd.dwDrawStage == CDDS_PREPAINT) {
        return CDRF_NOTIFYITEMDRAW;
    }
    if (pDraw->nmcd.dwDrawStage != CDDS_ITEMPREPAINT) {
        return CDRF_DODEFAULT;
    }
    const int row = static_cast<int>(pDraw->nmcd.dwItemSpec);
    CDC* pDC = CDC::FromHandle(pDraw->nmcd.hdc);
    RECT bounds;
    GetItemRect(row, &bounds, LVIR_BOUNDS);
    pDC->FillSolidRect(&bounds, row % 2 == 0 ? kEvenRow : kOddRow);
    PaintRow(pDC, row);
    return CDRF_SKIPDEFAULT;
}

void CSelfPaintedList::PaintRow(CDC* pDC, int nRow) {
    const bool bSelected = GetItemState(nRow, LVIS_SELECTED) != 0;
    if (bSelected) {
        RECT bounds;
        GetItemRect(nRow, &bounds, LVIR_BOUNDS);
        pDC->FillSolidRect(&bounds, kSelectedRow);
    }
    const COLORREF clrText = bSelected ? kSelectedText : kText;
    pDC->SetBkMode(TRANSPARENT);
    PaintCells(pDC, nRow, clrText);
    pDC->SetTextColor(clrText);
    for (int c = 0; c <= LastTextColumn(); ++c) {
        RECT cell;
        if (!GetSubItemRect(nRow, c, LVIR_LABEL, cell)) {
            continue;
        }
        if (c == 0) {
            const int size = std::min<int>(cell.bottom - cell.top, kMaxIcon);
            m_Icons.DrawEx(pDC, IconOfRow(nRow), POINT{cell.left, cell.top}, SIZE{size, size},
                           CLR_DEFAULT, CLR_DEFAULT, ILD_IMAGE);
            cell.left += size + 5;
        }
        pDC->DrawText(GetItemText(nRow, c), &cell, kTextFormat);
    }
    // The keyboard's place, apart from the selection, while the list has the focus.
    if (GetItemState(nRow, LVIS_FOCUSED) != 0 && HasFocus()) {
        RECT bounds;
        GetItemRect(nRow, &bounds, LVIR_BOUNDS);
        pDC->SetTextColor(clrText);
        pDC->DrawFocusRect(&bounds);
    }
}

// ---- Columns, sorting and messages ----------------------------------------------------------

void CSelfPaintedList::SetColumns(const Column* pColumns, int nCount, int nSortable,
                                  DWORD dwExStyle) {
    m_SortTextIds.clear();
    for (int i = 0; i < nCount; ++i) {
        InsertColumn(i, LoadLocalString(pColumns[i].textId).c_str(), pColumns[i].format,
                     pColumns[i].width);
        if (i < nSortable) {
            m_SortTextIds.push_back(pColumns[i].textId);
        }
    }
    SetExtendedStyle(dwExStyle);
    // The name takes what a wide panel has to spare.
    SetFillColumn(0);
}

void CSelfPaintedList::EndSort() {
    if (m_nSortColumn != -1) {
        m_nSortColumn = -1;
        UpdateSortHeader();
    }
}

void CSelfPaintedList::OnColumnClick(int nCol) {
    if (nCol < 0 || nCol >= static_cast<int>(m_SortTextIds.size())) {
        return;
    }
    if (nCol == m_nSortColumn) {
        m_bAscending = !m_bAscending;
    } else {
        m_bAscending = true;
        m_nSortColumn = nCol;
    }
    m_Hover.Clear();
    SortRows(nCol, m_bAscending);
    UpdateSortHeader();
}

void CSelfPaintedList::UpdateSortHeader() {
    SetSortHeader(this, m_SortTextIds.data(), static_cast<int>(m_SortTextIds.size()), m_nSortColumn,
                  m_bAscending);
}

void CSelfPaintedList::OnMouseMove(POINT pt) {
    LVHITTESTINFO hit;
    hit.pt = pt;
    SubItemHitTest(&hit);
    m_Hover.Move(hit.iItem, hit.iSubItem, hit.iItem >= 0 && IsOnClickableCell(hit.iItem, pt));
}

int CSelfPaintedList::OnLButtonDown(POINT pt, UINT nKeys) {
    const int row = HitTest(pt);
    if (row < 0) {
        return -1;
    }
    // Control and Shift make a selection; a plain click selects the row and may press a cell.
    if ((nKeys & (MK_SHIFT | MK_CONTROL)) == 0) {
        SelectOnly(row);
        OnCellClick(row, pt);
    }
    return 0;
}

bool CSelfPaintedList::FindClickablePoint(int nRow, int nCol, POINT* pPt) const {
    RECT cell;
    if (!GetSubItemRect(nRow, nCol, LVIR_LABEL, cell)) {
        return false;
    }
    const LONG y = (cell.top + cell.bottom) / 2;
    for (LONG x = cell.left; x < cell.right; ++x) {
        if (IsOnClickableCell(nRow, POINT{x, y})) {
            *pPt = POINT{x, y};
            return true;
        }
    }
    return false;
}

bool CSelfPaintedList::IsCellButton(int nRow, int nCol) const {
    POINT pt;
    return FindClickablePoint(nRow, nCol, &pt);
}

bool CSelfPaintedList::PressCellButton(int nRow, int nCol) {
    POINT pt;
    if (!FindClickablePoint(nRow, nCol, &pt)) {
        return false;
    }
    SelectOnly(nRow);
    OnCellClick(nRow, pt);
    return true;
}

void CSelfPaintedList::OnContextMenu(POINT pt) {
    const int row = HitTest(pt);
    if (row < 0) {
        return;
    }
    if (!GetItemState(row, LVIS_SELECTED)) {
        SelectOnly(row);
    }
    OnRowContextMenu(row, pt);
}

void CSelfPaintedList::OnDropFiles(HDROP hDrop) {
    std::vector<std::string> paths;
    const UINT count = DragQueryFile(hDrop, 0xFFFFFFFF, nullptr, 0);
    for (UINT i = 0; i < count; ++i) {
        std::vector<char> path(DragQueryFile(hDrop, i, nullptr, 0) + 1);
        DragQueryFile(hDrop, i, path.data(), static_cast<UINT>(path.size()));
        paths.emplace_back(path.data());
    }
    DragFinish(hDrop);
    // The rights may have changed since the drag was last over the list.
    if (!paths.empty() && TakesDroppedFiles()) {
        OnFilesDropped(paths);
    }
}

LRESULT CSelfPaintedList::OnReflectedNotify(UINT message, WPARAM wParam, LPARAM lParam) {
    auto* pHeader = reinterpret_cast<NMHDR*>(lParam);
    switch (pHeader->code) {
    case NM_CUSTOMDRAW:
        return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(pHeader));
    case LVN_COLUMNCLICK:
        OnColumnClick(reinterpret_cast<NMLISTVIEW*>(pHeader)->iSubItem);
        return 0;
    case NM_DBLCLK:
        return OnRowDoubleClick() ? 0 : CListCtrl::WindowProc(message, wParam, lParam);
    case NM_RETURN:
        OnRowsActivated();
        return 0;
    case LVN_KEYDOWN:
        OnListKey(reinterpret_cast<NMLVKEYDOWN*>(pHeader)->wVKey);
        return 0;
    case NM_RCLICK:
        OnContextMenu(reinterpret_cast<NMITEMACTIVATE*>(pHeader)->ptAction);
        return 0;
    default:
        return CListCtrl::WindowProc(message, wParam, lParam);
    }
}

LRESULT CSelfPaintedList::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const POINT pt{static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(lParam))),
                   static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(lParam)))};
    switch (message) {
    case WM_CREATE:
        if (CListCtrl::WindowProc(message, wParam, lParam) == -1) {
            return -1;
        }
        OnListCreated();
        DragAcceptFiles(TRUE);
        return 0;
    case WM_QUERYDROPFILES:
        return TakesDroppedFiles() ? 1 : 0;
    case WM_DROPFILES:
        OnDropFiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam)) ? 0 : CListCtrl::WindowProc(message, wParam, lParam);
    case WM_LBUTTONDOWN:
        if (OnLButtonDown(pt, static_cast<UINT>(wParam)) == -1) {
            return -1;
        }
        return CListCtrl::WindowProc(message, wParam, lParam);
    case WM_MOUSEMOVE:
        OnMouseMove(pt);
        return CListCtrl::WindowProc(message, wParam, lParam);
    case WM_MOUSELEAVE:
        m_Hover.Clear();
        return CListCtrl::WindowProc(message, wParam, lParam);
    case OCM_NOTIFY:
        return OnReflectedNotify(message, wParam, lParam);
    default:
        return CListCtrl::WindowProc(message, wParam, lParam);
    }
}
