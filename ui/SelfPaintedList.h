// SPDX-License-Identifier: Apache-2.0
// The base of the panel's two lists: rows painted in alternating colours with the selection,
// the file's icon and texts cut with an ellipsis, clickable cells drawn by the list itself,
// and the icons of file types. It routes the lists' messages: the column table and its header
// with the sort arrow, the hover and clicks of clickable cells, the row's popup and commands,
// and files dropped from the desktop. Each list supplies its columns, the text of a cell, the
// order of a column, what a click on a cell does and whether it takes dropped files.
#pragma once

#include <string>
#include <vector>

#include "AfxDrop.h"
#include "AfxImageList.h"
#include "AfxListCtrl.h"
#include "FileIconIndex.h"
#include "ListCells.h"

class CDC;

class CSelfPaintedList : public CListCtrl {
public:
    CSelfPaintedList();
    ~CSelfPaintedList() override;

    struct Column {
        UINT textId; // the header's text
        int width;
        int format;
    };

    // The column the rows are sorted by (-1: none, as added) and its direction.
    int GetSortColumn() const { return m_nSortColumn; }
    bool IsAscending() const { return m_bAscending; }

protected:
    // The list's columns, set up when its window is made; the first nSortable sort when their
    // header is clicked.
    void SetColumns(const Column* pColumns, int nCount, int nSortable, DWORD dwExStyle);
    // A new row ends the sort: the rows are no longer in the header's order.
    void EndSort();

    // Each list's own part.
    virtual void OnListCreated() {}
    virtual bool OnCommand(UINT nID) = 0;
    // Rows by a sortable column, compared as the list shows them.
    virtual void SortRows(int nCol, bool bAscending) = 0;
    // Whether the point is on a clickable area of the row, and a click there (the row is
    // selected first).
    virtual bool IsOnClickableCell(int nRow, POINT pt) const = 0;
    virtual void OnCellClick(int nRow, POINT pt) = 0;
    // For a screen reader: a cell with a clickable area is a button, pressed as a click there.
    bool IsCellButton(int nRow, int nCol) const override;
    bool PressCellButton(int nRow, int nCol) override;
    // The row's popup menu (the row is selected first), and a double click.
    virtual void OnRowContextMenu(int nRow, POINT pt) = 0;
    virtual bool OnRowDoubleClick() { return false; }
    // Enter on the list, and a key of its own (Delete) on it.
    virtual void OnRowsActivated() {}
    virtual void OnListKey(UINT /*nKey*/) {}
    // Files dropped from the desktop: whether the list takes them now (asked while they are
    // dragged over it, and again at the drop), and the drop, its paths in the order dropped.
    virtual bool TakesDroppedFiles() const { return false; }
    virtual void OnFilesDropped(const std::vector<std::string>& /*paths*/) {}

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    // Cell texts: one line, centred vertically, cut with an ellipsis.
    static constexpr UINT kTextFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

    // The image of a file type (0 when the shell has none), added to the icons once. A name
    // without an extension, or ending in ".", is a plain file.
    int IconIndex(const std::string& extension);
    // The image of a folder.
    int FolderIconIndex();
    // Custom draw: the answer for each stage.
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* pDraw);

    // What each list draws of a row.
    virtual void PaintCells(CDC* pDC, int nRow, COLORREF clrText) = 0;
    virtual int IconOfRow(int nRow) const = 0;
    // Texts are drawn in columns 0 to this one.
    virtual int LastTextColumn() const = 0;

    CCellHover m_Hover{this};

private:
    void PaintRow(CDC* pDC, int nRow);
    // The first clickable point along the middle of the cell.
    bool FindClickablePoint(int nRow, int nCol, POINT* pPt) const;
    int OnLButtonDown(POINT pt, UINT nKeys);
    void OnMouseMove(POINT pt);
    void OnContextMenu(POINT pt);
    void OnColumnClick(int nCol);
    void OnDropFiles(HDROP hDrop);
    void UpdateSortHeader();
    LRESULT OnReflectedNotify(UINT message, WPARAM wParam, LPARAM lParam);

    std::vector<UINT> m_SortTextIds; // the sortable columns' header texts
    int m_nSortColumn = -1;
    bool m_bAscending = true;

    CImageList m_Icons;
    IconCache m_IconCache;
};
