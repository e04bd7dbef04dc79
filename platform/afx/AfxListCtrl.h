// SPDX-License-Identifier: Apache-2.0
// A report-view list control: columns under a clickable header, rows with item data and
// state, custom draw raised to the control itself, vertical scrolling. Notifications
// (NM_CUSTOMDRAW, NM_CLICK, NM_RCLICK, NM_DBLCLK, NM_RETURN, LVN_COLUMNCLICK,
// LVN_ITEMCHANGED) reach the control's own window procedure as OCM_NOTIFY with an NMHDR* in
// lParam, as reflected notifications.
//
// Texts: a control whose rows stand for objects of its own overrides OnGetItemText and keeps
// no texts here; SetItemText stores texts for the others. Rows are found by item data through
// a hash. Insertions and deletions relayout and repaint once per pass of the event loop, and
// painting touches only the visible rows.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "AfxCommCtrl.h"
#include "AfxHeaderCtrl.h"
#include "AfxWnd.h"

class CDC;
namespace afx::detail {
class ListWidget;
class AccessibleList;
} // namespace afx::detail

class CListCtrl : public CWnd {
public:
    CListCtrl();
    ~CListCtrl() override;

    int InsertColumn(int nCol, const char* lpszColumnHeading, int nFormat = LVCFMT_LEFT,
                     int nWidth = -1, int nSubItem = -1);
    BOOL DeleteColumn(int nCol);
    int GetColumnCount() const { return static_cast<int>(m_columns.size()); }
    int GetColumnWidth(int nCol) const;
    BOOL SetColumnWidth(int nCol, int cx);
    // The column that takes the room the others leave in a wide list (-1: none). Its width
    // stays what was set; only the drawn width grows.
    void SetFillColumn(int nCol);
    // The width the column is drawn with.
    int GetShownColumnWidth(int nCol) const;
    DWORD SetExtendedStyle(DWORD dwNewStyle);
    DWORD GetExtendedStyle() const { return m_dwExStyle; }
    // The colour of the client area where no row is drawn; CLR_DEFAULT (or CLR_NONE) takes
    // the palette's base colour.
    BOOL SetBkColor(COLORREF cr);
    CHeaderCtrl* GetHeaderCtrl() { return m_hWnd != nullptr ? &m_header : nullptr; }

    // Inserts before nItem (appends past the end); the new row's index, or -1.
    int InsertItem(int nItem, const char* lpszItem);
    BOOL SetItemText(int nItem, int nSubItem, const char* lpszText);
    std::string GetItemText(int nItem, int nSubItem) const;
    // What hovering the cell shows (empty: no tooltip); by default its whole text when the
    // column cuts it.
    std::string GetItemTip(int nItem, int nSubItem) const;
    BOOL SetItemData(int nItem, DWORD_PTR dwData);
    DWORD_PTR GetItemData(int nItem) const;
    BOOL SetItemState(int nItem, UINT nState, UINT nMask);
    UINT GetItemState(int nItem, UINT nMask) const;
    // LVFI_PARAM: the first row after nStart whose item data is lParam; -1 when none. From the
    // top (nStart -1) this is a hash lookup.
    int FindItem(LVFINDINFO* pFindInfo, int nStart = -1) const;
    BOOL DeleteItem(int nItem);
    BOOL DeleteAllItems();
    int GetItemCount() const { return static_cast<int>(m_items.size()); }
    POSITION GetFirstSelectedItemPosition() const;
    int GetNextSelectedItem(POSITION& pos) const;
    // LVNI_SELECTED: the next selected row after nItem (-1 starts at the top).
    int GetNextItem(int nItem, int nFlags) const;

    // Client coordinates; LVIR_BOUNDS, LVIR_ICON or LVIR_LABEL.
    BOOL GetItemRect(int nItem, RECT* lpRect, UINT nCode) const;
    // Sub-item 0 with LVIR_BOUNDS is the whole row, as the framework has it.
    BOOL GetSubItemRect(int iItem, int iSubItem, int nArea, RECT& ref) const;
    int HitTest(POINT pt, UINT* pFlags = nullptr) const;
    int HitTest(LVHITTESTINFO* pHitTestInfo) const;
    int SubItemHitTest(LVHITTESTINFO* pInfo) const;

    // Reorders the rows by pfnCompare over their item data. The rows keep their places
    // while the comparison runs, so it may look rows up by data and read their texts; the
    // fast comparison compares the item data's objects directly.
    BOOL SortItems(PFNLVCOMPARE pfnCompare, DWORD_PTR dwData);

    BOOL EnsureVisible(int nItem, BOOL bPartialOK);
    // Repaints the rows from nFirst to nLast that are on screen; the others cost nothing.
    BOOL RedrawItems(int nFirst, int nLast);
    // Tells a screen reader that a cell's text or tip changed (RedrawItems tells it of whole
    // rows); nothing when no reader listens.
    void NotifyAccessibleCellChanged(int nItem, int nSubItem);
    int GetTopIndex() const { return m_nTopIndex; }
    int GetCountPerPage() const;
    // Report view scrolls whole rows: cy pixels round to rows.
    BOOL Scroll(SIZE size);
    int GetRowHeight() const;
    int GetHeaderHeight() const;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    QWidget* CreateWidget(QWidget* pParent) override;
    void OnReleaseWidget(QWidget* pWidget) override;
    // Keeps the keyboard focus while disabled: a relisting must not send it elsewhere.
    void ApplyEnabled(QWidget* pWidget, bool bEnabled) override;
    // Sends a notification to the control's own window procedure (OCM_NOTIFY).
    LRESULT ReflectNotify(NMHDR* pHeader);
    // The row as the control draws it when custom draw does not skip it.
    virtual void DrawItemDefault(CDC* pDC, int nItem, COLORREF clrText, COLORREF clrTextBk);
    // The text of a cell: by default what SetItemText stored.
    virtual std::string OnGetItemText(int nItem, int nSubItem) const;
    virtual std::string OnGetItemTip(int nItem, int nSubItem) const;
    // Whether the text, drawn with the list's font, fits the cell's width less its padding.
    bool TextFits(const std::string& text, int nSubItem) const;
    // Selects nItem alone, focused and the anchor of a Shift selection; -1 selects nothing.
    void SelectOnly(int nItem);
    // For a screen reader: whether the cell is a button, and pressing it as a click would.
    virtual bool IsCellButton(int /*nItem*/, int /*nSubItem*/) const { return false; }
    virtual bool PressCellButton(int /*nItem*/, int /*nSubItem*/) { return false; }
    // A cell that shows a progress: its percent, 0 to 100.
    virtual bool GetCellProgress(int /*nItem*/, int /*nSubItem*/, double& /*percent*/) const {
        return false;
    }

private:
    friend class afx::detail::ListWidget;
    friend class afx::detail::AccessibleList;
    friend class CHeaderCtrl;
    struct Column {
        std::string text;
        int format = LVCFMT_LEFT;
        int width = 0;
    };
    struct Item {
        std::vector<std::string> texts;
        DWORD_PTR data = 0;
        UINT state = 0;
    };

    void OnPaint();
    void OnLButtonDown(POINT pt, UINT nKeys);
    void OnLButtonUp(POINT pt);
    void OnKeyDown(UINT nKey, UINT nKeys);
    void OnChar(char32_t c);
    // The keyboard arrived: without a focused row, the first one takes the focus mark.
    void OnFocusGained();
    static bool IsNavigationKey(UINT nKey);
    bool IsMultiSelect() const { return (GetStyle() & LVS_SINGLESEL) == 0; }
    int FocusedRow() const;
    void SetFocusRow(int nItem);
    void SelectRange(int nFrom, int nTo);
    void MoveTo(int nItem, UINT nKeys, bool bToggle);
    void NotifyItemChanged(int nItem, UINT nOldState, UINT nNewState);
    void SyncHeader();
    void SyncScroll();
    void SyncHorizontalScroll();
    // Relayout after insertions or deletions, once per pass of the event loop.
    void ScheduleSync();
    void FlushSync();
    void IndexRows() const;
    void SetTopIndex(int nTop);
    // Horizontal scrolling, in pixels, while the columns are wider than the list.
    void SetScrollX(int nX);
    int ColumnsWidth() const;
    int RowsWidth() const;
    int ExtraFillWidth() const;
    void OnSectionResized(int nCol, int nNewSize);
    void InvalidateItem(int nItem);
    int ColumnLeft(int nCol) const;
    int TotalWidth() const;
    bool IsRowVisible(int nItem) const;
    afx::detail::ListWidget* Widget() const;
    void OnWidgetGoing();
    void OnColumnClick(int nCol);
    void OnRightClick(POINT pt);
    // The Menu key or Shift+F10: the selected row's menu, at that row.
    void OnKeyboardContextMenu();
    void OnDoubleClick(POINT pt);
    void NotifyActivate(int nCode, POINT pt);

    std::vector<Column> m_columns;
    std::vector<Item> m_items;
    DWORD m_dwExStyle = 0;
    COLORREF m_clrBk = CLR_DEFAULT;
    int m_nTopIndex = 0;
    int m_nScrollX = 0;
    int m_nFillColumn = -1;
    bool m_bSyncingHeader = false;
    CHeaderCtrl m_header;
    // Item data -> first row with it; rebuilt on the next lookup after a change of order.
    mutable std::unordered_map<DWORD_PTR, int> m_dataIndex;
    mutable bool m_bDataIndexValid = true;
    bool m_bSyncPending = false;
    bool m_bPressed = false;
    int m_nAnchor = -1; // where a Shift selection starts
    // Type-ahead: what was typed, and when last.
    static constexpr auto kTypeAheadPause = std::chrono::seconds(1);
    std::u32string m_typed;
    std::chrono::steady_clock::time_point m_lastTyped;
    // Font metrics are measured once per font.
    mutable int m_nRowHeight = 0;
};
