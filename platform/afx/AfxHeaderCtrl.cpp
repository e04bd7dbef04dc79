// SPDX-License-Identifier: Apache-2.0
#include "AfxHeaderCtrl.h"

#include <cstring>

#include "AfxListCtrl.h"

int CHeaderCtrl::GetItemCount() const {
    return m_pOwner->GetColumnCount();
}

BOOL CHeaderCtrl::GetItem(int nPos, HDITEM* pHeaderItem) const {
    if (pHeaderItem == nullptr || nPos < 0 || nPos >= GetItemCount())
        return FALSE;
    const auto& col = m_pOwner->m_columns[static_cast<size_t>(nPos)];
    if (pHeaderItem->mask & HDI_TEXT) {
        if (pHeaderItem->pszText == nullptr || pHeaderItem->cchTextMax <= 0)
            return FALSE;
        size_t n = std::min(col.text.size(), static_cast<size_t>(pHeaderItem->cchTextMax - 1));
        std::memcpy(pHeaderItem->pszText, col.text.data(), n);
        pHeaderItem->pszText[n] = '\0';
    }
    if (pHeaderItem->mask & HDI_WIDTH)
        pHeaderItem->cxy = col.width;
    if (pHeaderItem->mask & HDI_FORMAT)
        pHeaderItem->fmt = col.format;
    return TRUE;
}

BOOL CHeaderCtrl::SetItem(int nPos, HDITEM* pHeaderItem) {
    if (pHeaderItem == nullptr || nPos < 0 || nPos >= GetItemCount())
        return FALSE;
    auto& col = m_pOwner->m_columns[static_cast<size_t>(nPos)];
    if (pHeaderItem->mask & HDI_TEXT)
        col.text = pHeaderItem->pszText != nullptr ? pHeaderItem->pszText : "";
    if (pHeaderItem->mask & HDI_WIDTH)
        col.width = pHeaderItem->cxy < 0 ? 0 : pHeaderItem->cxy;
    if (pHeaderItem->mask & HDI_FORMAT)
        col.format = pHeaderItem->fmt;
    m_pOwner->SyncHeader();
    return TRUE;
}

std::string CHeaderCtrl::GetItemText(int nPos) const {
    if (nPos < 0 || nPos >= GetItemCount())
        return std::string();
    return m_pOwner->m_columns[static_cast<size_t>(nPos)].text;
}

BOOL CHeaderCtrl::SetItemText(int nPos, const std::string& text) {
    HDITEM item;
    item.mask = HDI_TEXT;
    item.pszText = const_cast<char*>(text.c_str());
    return SetItem(nPos, &item);
}
