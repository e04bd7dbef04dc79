// SPDX-License-Identifier: Apache-2.0
#include "AfxMenu.h"

#include "AfxPrompt.h"
#include "AfxResource.h"
#include "AfxWnd.h"
#include "CodePage.h"

void CCmdUI::Enable(BOOL bOn) {
    if (m_pMenu != nullptr)
        m_pMenu->EnableMenuItem(m_nIndex, MF_BYPOSITION | (bOn ? MF_ENABLED : MF_GRAYED));
    m_bEnableChanged = true;
    m_bEnabled = bOn != FALSE;
}

CMenu::CMenu() = default;
CMenu::~CMenu() = default;

void CMenu::Build(const std::vector<afx::MenuItemTemplate>& items) {
    for (const afx::MenuItemTemplate& t : items) {
        Item item;
        item.text = t.text;
        item.id = t.id;
        item.separator = t.separator;
        if (!t.popup.empty()) {
            item.popup = std::make_unique<CMenu>();
            item.popup->m_bCreated = true;
            item.popup->Build(t.popup);
        }
        m_items.push_back(std::move(item));
    }
}

BOOL CMenu::LoadMenuIndirect(const afx::MenuTemplate* pTemplate) {
    if (pTemplate == nullptr || m_bCreated)
        return FALSE;
    m_bCreated = true;
    Build(pTemplate->items);
    return TRUE;
}

BOOL CMenu::CreatePopupMenu() {
    if (m_bCreated)
        return FALSE;
    m_bCreated = true;
    return TRUE;
}

BOOL CMenu::DestroyMenu() {
    if (!m_bCreated)
        return FALSE;
    m_items.clear();
    m_bCreated = false;
    return TRUE;
}

HMENU CMenu::GetSafeHmenu() const {
    return m_bCreated ? reinterpret_cast<HMENU>(const_cast<CMenu*>(this)) : nullptr;
}

BOOL CMenu::AppendMenu(UINT nFlags, UINT_PTR nIDNewItem, const char* lpszNewItem) {
    if (!m_bCreated || (nFlags & MF_POPUP))
        return FALSE;
    Item item;
    item.separator = (nFlags & MF_SEPARATOR) != 0;
    item.id = item.separator ? 0 : static_cast<UINT>(nIDNewItem);
    item.grayed = (nFlags & (MF_GRAYED | MF_DISABLED)) != 0;
    if (lpszNewItem != nullptr)
        item.text = afx::AnsiToUtf8(lpszNewItem);
    m_items.push_back(std::move(item));
    return TRUE;
}

CMenu* CMenu::GetSubMenu(int nPos) const {
    if (nPos < 0 || nPos >= GetMenuItemCount())
        return nullptr;
    return m_items[static_cast<size_t>(nPos)].popup.get();
}

int CMenu::GetMenuItemCount() const {
    return m_bCreated ? static_cast<int>(m_items.size()) : -1;
}

UINT CMenu::GetMenuItemID(int nPos) const {
    if (nPos < 0 || nPos >= GetMenuItemCount())
        return 0;
    const Item& item = m_items[static_cast<size_t>(nPos)];
    return item.popup != nullptr ? static_cast<UINT>(-1) : item.id;
}

CMenu::Item* CMenu::Find(UINT nID, UINT nFlags) {
    return const_cast<Item*>(static_cast<const CMenu*>(this)->Find(nID, nFlags));
}

const CMenu::Item* CMenu::Find(UINT nID, UINT nFlags) const {
    if (nFlags & MF_BYPOSITION)
        return nID < m_items.size() ? &m_items[nID] : nullptr;
    for (const Item& item : m_items) {
        if (!item.separator && item.popup == nullptr && item.id == nID)
            return &item;
        if (item.popup != nullptr)
            if (const Item* inner = item.popup->Find(nID, nFlags))
                return inner;
    }
    return nullptr;
}

std::string CMenu::GetMenuString(UINT nIDItem, UINT nFlags) const {
    const Item* item = Find(nIDItem, nFlags);
    return item != nullptr ? afx::Utf8ToAnsi(item->text) : std::string();
}

BOOL CMenu::RemoveMenu(UINT nPosition, UINT nFlags) {
    if (nFlags & MF_BYPOSITION) {
        if (nPosition >= m_items.size())
            return FALSE;
        m_items.erase(m_items.begin() + nPosition);
        return TRUE;
    }
    for (size_t i = 0; i < m_items.size(); ++i) {
        Item& item = m_items[i];
        if (!item.separator && item.popup == nullptr && item.id == nPosition) {
            m_items.erase(m_items.begin() + static_cast<ptrdiff_t>(i));
            return TRUE;
        }
        if (item.popup != nullptr && item.popup->RemoveMenu(nPosition, nFlags))
            return TRUE;
    }
    return FALSE;
}

UINT CMenu::EnableMenuItem(UINT nIDEnableItem, UINT nEnable) {
    Item* item = Find(nIDEnableItem, nEnable & MF_BYPOSITION);
    if (item == nullptr)
        return static_cast<UINT>(-1);
    UINT previous = item->grayed ? MF_GRAYED : MF_ENABLED;
    item->grayed = (nEnable & (MF_GRAYED | MF_DISABLED)) != 0;
    return previous;
}

UINT CMenu::GetMenuState(UINT nID, UINT nFlags) const {
    const Item* item = Find(nID, nFlags);
    if (item == nullptr)
        return static_cast<UINT>(-1);
    UINT state = item->grayed ? MF_GRAYED : MF_ENABLED;
    if (item->separator)
        state |= MF_SEPARATOR;
    if (item->popup != nullptr)
        state |= MF_POPUP;
    return state;
}

BOOL CMenu::TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, const RECT*) {
    if (!m_bCreated || pWnd == nullptr || pWnd->GetSafeHwnd() == nullptr)
        return FALSE;
    pWnd->SendMessage(WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(GetSafeHmenu()), MAKELPARAM(0, 0));
    std::vector<afx::PopupItem> items;
    for (const Item& item : m_items) {
        afx::PopupItem p;
        p.text = item.text;
        p.id = item.popup != nullptr ? 0 : item.id;
        p.separator = item.separator;
        // Nested popups are not offered; none of the component's menus has one.
        p.enabled = !item.grayed && item.popup == nullptr;
        items.push_back(std::move(p));
    }
    const UINT chosen = afx::Prompts().TrackPopup(items, POINT{x, y}, pWnd->GetSafeHwnd());
    // Only an item that is there and enabled can be chosen.
    bool valid = false;
    for (const afx::PopupItem& p : items)
        valid |= chosen != 0 && p.enabled && !p.separator && p.id == chosen;
    if (!valid)
        return (nFlags & TPM_RETURNCMD) ? 0 : TRUE;
    if (nFlags & TPM_RETURNCMD)
        return static_cast<BOOL>(chosen);
    return pWnd->PostMessage(WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
}
