#include "SelfPaintedList.h"

#include <algorithm>

#include "AfxDC.h"
#include "AfxIcon.h"
#include "AfxShell.h"

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
}
