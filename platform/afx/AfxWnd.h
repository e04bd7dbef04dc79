// SPDX-License-Identifier: Apache-2.0
// A window object over a Qt widget: subclassing an existing window, child windows, the
// window procedure, invalidation, geometry and timers.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "AfxMsg.h"
#include "AfxTypes.h"

class QWidget;
class CCmdUI;
class CMenu;
namespace afx::detail {
class WndHook;
class AfxWidget;
} // namespace afx::detail

class CWnd {
public:
    CWnd();
    virtual ~CWnd();
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    // Read by any thread (posting, style changes); written on the user-interface thread.
    std::atomic<HWND> m_hWnd{nullptr};
    HWND GetSafeHwnd() const { return m_hWnd.load(); }

    // UI thread. The window object of a handle: the one attached to it, else a wrapper that
    // lives as long as the widget.
    static CWnd* FromHandle(HWND hWnd);

    // Takes over an existing window: its paint, size, mouse, timer and posted messages go to
    // this object's window procedure from now on. The window stays the host's.
    BOOL SubclassWindow(HWND hWnd);
    HWND UnsubclassWindow();

    // A child window owned by this object, with style bits, a rectangle in the parent's
    // client coordinates, a parent and a control id. WM_CREATE answering -1 fails it.
    BOOL Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID);
    // Sends WM_DESTROY and ends the window (a subclassed host window is only released).
    virtual BOOL DestroyWindow();

    // UI thread: runs the window procedure; pDefaulted tells whether the message reached
    // DefWindowProc (nested messages keep their own answer).
    LRESULT DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* pDefaulted = nullptr);
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);
    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    DWORD GetStyle() const { return m_dwStyle.load(); }
    // Any thread; the change reaches the widget on the user-interface thread.
    BOOL ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags = 0);
    UINT GetDlgCtrlID() const { return m_nID; }
    CWnd* GetParent() const;
    CWnd* GetTopLevelParent() const;

    void MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void MoveWindow(const RECT* pRect, BOOL bRepaint = TRUE);
    void GetClientRect(RECT* pRect) const;
    // In screen coordinates.
    void GetWindowRect(RECT* pRect) const;
    void ClientToScreen(POINT* pPoint) const;
    void ScreenToClient(POINT* pPoint) const;
    void ScreenToClient(RECT* pRect) const;
    // Any thread; from a worker the repaint is asked for on the user-interface thread.
    void Invalidate(BOOL bErase = TRUE);
    void InvalidateRect(const RECT* pRect, BOOL bErase = TRUE);
    // RDW_UPDATENOW repaints before returning.
    BOOL RedrawWindow(const RECT* pRect = nullptr, void* pRgn = nullptr,
                      UINT nFlags = RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    void UpdateWindow();
    BOOL EnableWindow(BOOL bEnable = TRUE);
    BOOL IsWindowEnabled() const;
    // Whether the window has the keyboard's focus.
    bool HasFocus() const;
    // What a screen reader calls the window (system code page).
    void SetAccessibleName(const std::string& name);
    BOOL IsWindowVisible() const;

    // Files dropped from the desktop reach the window from now on, or no longer (AfxDrop.h).
    void DragAcceptFiles(BOOL bAccept = TRUE);

    // UI thread only. Starts (or restarts) timer nIDEvent; WM_TIMER carries the id.
    UINT_PTR SetTimer(UINT_PTR nIDEvent, UINT nElapse, void* pfnUnused = nullptr);
    BOOL KillTimer(UINT_PTR nIDEvent);

    // The update pass over a popup about to open: every plain item goes through
    // OnUpdateCommandUI. WM_INITMENUPOPUP does this unless a window handles it otherwise.
    void UpdateMenuCommands(CMenu* pPopup);

    // During WM_PAINT: the area to repaint, in client coordinates (the client rect otherwise).
    RECT GetPaintRect() const;
    // Internal: the widget of this window, or null.
    QWidget* GetWidget() const;

protected:
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // What happens to a message the object does not handle: Qt's own handling of the event.
    LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The enable handler of a command: set pCmdUI->Enable(...) and answer true when the
    // command is known. Items nobody answers for keep their state.
    virtual bool OnUpdateCommandUI(CCmdUI* pCmdUI);
    // Builds the widget of a child window; derived controls supply their own.
    virtual QWidget* CreateWidget(QWidget* pParent);
    // The object lets go of its own widget, which Qt may delete later.
    virtual void OnReleaseWidget(QWidget* pWidget);
    // WS_DISABLED on the widget. Qt takes the keyboard focus from a disabled widget; a control
    // that keeps it, as the framework's do, overrides this and gets no input meanwhile.
    virtual void ApplyEnabled(QWidget* pWidget, bool bEnabled);

private:
    friend class afx::detail::WndHook;
    friend class afx::detail::AfxWidget;
    void Attach(QWidget* w, bool owned);
    void Detach();
    void OnWidgetGone(bool stillValid);
    void ApplyStyle();

    std::unique_ptr<afx::detail::WndHook> m_pHook;
    std::atomic<DWORD> m_dwStyle{0};
    UINT m_nID = 0;
    bool m_bOwned = false;
    bool m_bHostWasOpaque = false;
    bool m_bDefaulted = false;
};

BOOL GetCursorPos(POINT* pPoint);
