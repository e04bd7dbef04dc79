// SPDX-License-Identifier: Apache-2.0
// The header of a report-view list: one item per column, clickable.
#pragma once

#include <string>

#include "AfxCommCtrl.h"
#include "AfxWnd.h"

class CListCtrl;

class CHeaderCtrl : public CWnd {
public:
    explicit CHeaderCtrl(CListCtrl* pOwner) : m_pOwner(pOwner) {}

    int GetItemCount() const;
    // HDI_TEXT copies the text (system code page, cut to cchTextMax), HDI_WIDTH the width,
    // HDI_FORMAT the format.
    BOOL GetItem(int nPos, HDITEM* pHeaderItem) const;
    BOOL SetItem(int nPos, HDITEM* pHeaderItem);
    std::string GetItemText(int nPos) const;
    BOOL SetItemText(int nPos, const std::string& text);

private:
    CListCtrl* m_pOwner;
};
