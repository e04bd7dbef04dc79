// The base of the panel's two lists: rows painted in alternating colours with the selection,
// the file's icon and texts cut with an ellipsis, clickable cells drawn by the list itself,
// and the icons of file types.
#pragma once

#include <string>

#include "AfxImageList.h"
#include "AfxListCtrl.h"
#include "FileIconIndex.h"
#include "ListCells.h"

class CDC;

class CSelfPaintedList : public CListCtrl {
public:
    CSelfPaintedList();
    ~CSelfPaintedList() override;

protected:
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

    CImageList m_Icons;
    IconCache m_IconCache;
};
