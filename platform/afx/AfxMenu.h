// SPDX-License-Identifier: Apache-2.0
// Menus built from menu templates, the update pass that enables their items, and popup
// tracking through the prompt service (so nothing modal blocks a test).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AfxTypes.h"

class CWnd;
class CMenu;
namespace afx {
struct MenuTemplate;
struct MenuItemTemplate;
} // namespace afx

// What an enable handler sees of one menu item during the update pass.
class CCmdUI {
public:
    UINT m_nID = 0;
    UINT m_nIndex = 0;
    CMenu* m_pMenu = nullptr;
    bool m_bEnableChanged = false;
    bool m_bEnabled = true; // as the last Enable left it

    void Enable(BOOL bOn = TRUE);
};

class CMenu {
public:
    CMenu();
    ~CMenu();
    CMenu(const CMenu&) = delete;
    CMenu& operator=(const CMenu&) = delete;

    // The template's texts are UTF-8, as stored.
    BOOL LoadMenuIndirect(const afx::MenuTemplate* pTemplate);
    BOOL CreatePopupMenu();
    BOOL DestroyMenu();
    HMENU GetSafeHmenu() const;
    static CMenu* FromHandle(HMENU hMenu) { return reinterpret_cast<CMenu*>(hMenu); }

    // Text in the system code page.
    BOOL AppendMenu(UINT nFlags, UINT_PTR nIDNewItem = 0, const char* lpszNewItem = nullptr);
    // The popup at a position, owned by this menu; null for a plain item.
    CMenu* GetSubMenu(int nPos) const;
    int GetMenuItemCount() const;
    // The command of the item at a position; 0 for a separator, -1 for a popup.
    UINT GetMenuItemID(int nPos) const;
    std::string GetMenuString(UINT nIDItem, UINT nFlags) const; // system code page
    BOOL RemoveMenu(UINT nPosition, UINT nFlags);
    // MF_GRAYED / MF_ENABLED; the previous state, or (UINT)-1 when there is no such item.
    UINT EnableMenuItem(UINT nIDEnableItem, UINT nEnable);
    UINT GetMenuState(UINT nID, UINT nFlags) const;

    // Runs the window's WM_INITMENUPOPUP (the update pass), asks the prompt service for a
    // choice at the screen point and posts the chosen, enabled command to the window as
    // WM_COMMAND. With TPM_RETURNCMD the command is returned instead.
    BOOL TrackPopupMenu(UINT nFlags, int x, int y, CWnd* pWnd, const RECT* lpRect = nullptr);

private:
    struct Item {
        std::string text; // UTF-8
        UINT id = 0;
        bool separator = false;
        bool grayed = false;
        std::unique_ptr<CMenu> popup;
    };
    void Build(const std::vector<afx::MenuItemTemplate>& items);
    Item* Find(UINT nID, UINT nFlags);
    const Item* Find(UINT nID, UINT nFlags) const;

    std::vector<Item> m_items;
    bool m_bCreated = false;
};
