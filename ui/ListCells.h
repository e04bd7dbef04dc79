// SPDX-License-Identifier: Apache-2.0
// What the panel's two self-painted lists share: a bitmap drawn in a cell, the header's sort
// mark, the popup of a row, and the hover state of their clickable cells.
#pragma once

#include <initializer_list>
#include <string>

#include "AfxCommCtrl.h"
#include "AfxTypes.h"

class CBitmap;
class CDC;
class CListCtrl;
class CWnd;

// The bitmap at the cell's left + 5, top + 2, scaled down in a cell lower than it, without
// its transparent red.
void DrawCellBitmap(CDC* pDC, CBitmap& bmp, const RECT& cell);

bool PointIn(const RECT& r, POINT pt);

// "%s" in a text replaced by the argument; the text is never used as a format.
std::string FormatOne(const std::string& format, const std::string& arg);

// Rewrites the header texts of columns 0 to count - 1 (string ids), the sort column with its
// arrow. Texts that did not change are left alone.
void SetSortHeader(CListCtrl* pList, const UINT* textIds, int count, int sortColumn,
                   bool ascending);

// Popup nPopup of menu 1000 at a client point of the list, its commands sent to the list.
// The commands in remove are taken out first.
void TrackListPopup(CListCtrl* pList, int nPopup, POINT pt,
                    std::initializer_list<UINT> remove = {});

// The clickable cell under the mouse. It is remembered by the row's item data, so that a
// reorder cannot move it to another row.
class CCellHover {
public:
    explicit CCellHover(CListCtrl* pList) : m_pList(pList) {}

    // A mouse move: row and column under the point, and whether it is on a clickable area.
    void Move(int nRow, int nColumn, bool bOnTarget);
    // The mouse left, or the rows changed.
    void Clear();
    bool IsHovered(int nRow, int nColumn) const;

private:
    void Set(int nRow, int nColumn, bool bHover);

    CListCtrl* m_pList;
    DWORD_PTR m_Data = 0;
    bool m_bHover = false;
    int m_nColumn = -1;
    int m_nLastRow = -1;
    int m_nLastColumn = -1;
    bool m_bLastOnTarget = false;
};
