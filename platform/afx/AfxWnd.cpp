// SPDX-License-Identifier: Apache-2.0
#include "AfxWnd.h"

#include <QCursor>
#include <QWidget>
#include <unordered_map>

#include "AfxDrop.h"
#include "AfxMenu.h"
#include "AfxQt.h"
#include "AfxWndHook.h"

using namespace afx::detail;

namespace {

// Wrappers for windows that no CWnd has taken over (host windows reached as parents).
struct Wrapper {
    std::unique_ptr<CWnd> wnd;
    QMetaObject::Connection gone;
};
std::unordered_map<QWidget*, Wrapper>& Wrappers() {
    static std::unordered_map<QWidget*, Wrapper> map;
    return map;
}

constexpr DWORD kAppliedStyles = WS_VISIBLE | WS_DISABLED;

} // namespace

CWnd::CWnd() = default;

CWnd::~CWnd() {
    if (m_bOwned)
        DestroyWindow();
    else
        Detach();
}

CWnd* CWnd::FromHandle(HWND hWnd) {
    QWidget* w = ToWidget(hWnd);
    if (w == nullptr || !IsUiThread())
        return nullptr;
    if (CWnd* pWnd = LookupWindow(w, 0))
        return pWnd;
    auto& map = Wrappers();
    auto it = map.find(w);
    if (it != map.end())
        return it->second.wnd.get();
    Wrapper wrapper;
    wrapper.wnd = std::make_unique<CWnd>();
    wrapper.wnd->m_hWnd = hWnd;
    wrapper.gone = QObject::connect(w, &QObject::destroyed, [w] { Wrappers().erase(w); });
    CWnd* p = wrapper.wnd.get();
    map.emplace(w, std::move(wrapper));
    return p;
}

void afx::detail::ReleaseWindowWrappers() {
    for (auto& entry : Wrappers())
        QObject::disconnect(entry.second.gone);
    Wrappers().clear();
}

QWidget* CWnd::GetWidget() const {
    return ToWidget(m_hWnd);
}

void CWnd::Attach(QWidget* w, bool owned) {
    m_hWnd = ToHwnd(w);
    m_bOwned = owned;
    m_pHook = std::make_unique<WndHook>(this, w);
    m_pHook->m_serial = RegisterWindow(w, this);
}

void CWnd::Detach() {
    if (m_pHook == nullptr)
        return;
    UnregisterWindow(m_pHook->m_widget);
    m_pHook.reset();
    m_hWnd = nullptr;
    m_bOwned = false;
}

BOOL CWnd::SubclassWindow(HWND hWnd) {
    QWidget* w = ToWidget(hWnd);
    if (w == nullptr || m_hWnd != nullptr || !IsUiThread() || LookupWindow(w, 0) != nullptr)
        return FALSE;
    // The host's widget is now painted by us; Qt's background fill would only flicker.
    m_bHostWasOpaque = w->testAttribute(Qt::WA_OpaquePaintEvent);
    w->setAttribute(Qt::WA_OpaquePaintEvent, true);
    DWORD style = 0;
    if (w->parentWidget() != nullptr)
        style |= WS_CHILD;
    if (w->isVisible())
        style |= WS_VISIBLE;
    if (!w->isEnabled())
        style |= WS_DISABLED;
    m_dwStyle = style;
    Attach(w, false);
    return TRUE;
}

HWND CWnd::UnsubclassWindow() {
    if (m_bOwned || m_pHook == nullptr)
        return nullptr;
    HWND h = m_hWnd;
    if (QWidget* w = GetWidget())
        w->setAttribute(Qt::WA_OpaquePaintEvent, m_bHostWasOpaque);
    Detach();
    return h;
}

QWidget* CWnd::CreateWidget(QWidget* pParent) {
    return new AfxWidget(pParent);
}

BOOL CWnd::Create(DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID) {
    if (m_hWnd != nullptr || !IsUiThread())
        return FALSE;
    QWidget* parent = pParentWnd != nullptr ? pParentWnd->GetWidget() : nullptr;
    QWidget* w = CreateWidget(parent);
    if (w == nullptr)
        return FALSE;
    w->setGeometry(ToQRect(rect));
    m_nID = nID;
    m_dwStyle = dwStyle;
    Attach(w, true);
    if (DispatchMessage(WM_CREATE, 0, 0) == -1) {
        DestroyWindow();
        return FALSE;
    }
    ApplyStyle();
    return TRUE;
}

BOOL CWnd::DestroyWindow() {
    if (m_hWnd == nullptr)
        return FALSE;
    DispatchMessage(WM_DESTROY, 0, 0);
    QWidget* w = GetWidget();
    bool owned = m_bOwned;
    Detach();
    if (!owned || w == nullptr)
        return TRUE;
    OnReleaseWidget(w);
    // Inside an event loop the call may come from one of the widget's own events: Qt then
    // deletes it once that event is done. Children's AfxWidget destructors end their objects.
    if (QThread::currentThread()->loopLevel() > 0) {
        w->hide();
        w->deleteLater();
    } else {
        delete w;
    }
    return TRUE;
}

void CWnd::OnReleaseWidget(QWidget*) {}

void CWnd::OnWidgetGone(bool stillValid) {
    if (stillValid) {
        // Our own widget, still whole: the usual order, WM_DESTROY with the window alive.
        DispatchMessage(WM_DESTROY, 0, 0);
        Detach();
        return;
    }
    // A host window already reduced to a bare QObject: forget it first, then tell the
    // object. The hook is inside its own slot, so it goes later.
    if (m_pHook != nullptr) {
        UnregisterWindow(m_pHook->m_widget);
        m_pHook->m_widget = nullptr;
        m_pHook.release()->deleteLater();
    }
    m_hWnd = nullptr;
    m_bOwned = false;
    WindowProc(WM_DESTROY, 0, 0);
}

LRESULT CWnd::DispatchMessage(UINT message, WPARAM wParam, LPARAM lParam, bool* pDefaulted) {
    if (message == AFXM_APPLYSTYLE) {
        ApplyStyle();
        return 0;
    }
    if (message == AFXM_INVALIDATE) {
        std::unique_ptr<RECT> rect(reinterpret_cast<RECT*>(wParam));
        InvalidateRect(rect.get(), lParam != 0);
        return 0;
    }
    // Each message keeps its own answer about reaching DefWindowProc, nested ones included.
    const bool saved = m_bDefaulted;
    m_bDefaulted = false;
    LRESULT result = WindowProc(message, wParam, lParam);
    if (pDefaulted != nullptr)
        *pDefaulted = m_bDefaulted;
    m_bDefaulted = saved;
    return result;
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITMENUPOPUP) {
        UpdateMenuCommands(CMenu::FromHandle(reinterpret_cast<HMENU>(wParam)));
        return 0;
    }
    return DefWindowProc(message, wParam, lParam);
}

bool CWnd::OnUpdateCommandUI(CCmdUI*) {
    return false;
}

void CWnd::UpdateMenuCommands(CMenu* pPopup) {
    if (pPopup == nullptr)
        return;
    const int count = pPopup->GetMenuItemCount();
    for (int i = 0; i < count; ++i) {
        const UINT id = pPopup->GetMenuItemID(i);
        if (id == 0 || id == static_cast<UINT>(-1))
            continue; // separators and popups
        CCmdUI ui;
        ui.m_nID = id;
        ui.m_nIndex = static_cast<UINT>(i);
        ui.m_pMenu = pPopup;
        OnUpdateCommandUI(&ui);
    }
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wParam, LPARAM) {
    m_bDefaulted = true;
    // Dropped files nobody handled are let go here.
    if (message == WM_DROPFILES)
        DragFinish(reinterpret_cast<HDROP>(wParam));
    return 0;
}

void CWnd::DragAcceptFiles(BOOL bAccept) {
    ::DragAcceptFiles(m_hWnd, bAccept);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::PostMessage(m_hWnd, message, wParam, lParam);
}

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return ::SendMessage(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT) {
    DWORD oldStyle = m_dwStyle.load();
    DWORD newStyle = 0;
    do {
        newStyle = (oldStyle & ~dwRemove) | dwAdd;
    } while (!m_dwStyle.compare_exchange_weak(oldStyle, newStyle));
    if (oldStyle == newStyle)
        return FALSE;
    if (((oldStyle ^ newStyle) & kAppliedStyles) == 0 || m_hWnd == nullptr)
        return TRUE;
    if (IsUiThread())
        ApplyStyle();
    else
        ::PostMessage(m_hWnd, AFXM_APPLYSTYLE, 0, 0);
    return TRUE;
}

void CWnd::ApplyStyle() {
    QWidget* w = GetWidget();
    if (w == nullptr)
        return;
    DWORD style = m_dwStyle.load();
    ApplyEnabled(w, (style & WS_DISABLED) == 0);
    if (m_bOwned)
        w->setVisible((style & WS_VISIBLE) != 0);
}

CWnd* CWnd::GetParent() const {
    QWidget* w = GetWidget();
    return w != nullptr ? FromHandle(ToHwnd(w->parentWidget())) : nullptr;
}

CWnd* CWnd::GetTopLevelParent() const {
    QWidget* w = GetWidget();
    return w != nullptr ? FromHandle(ToHwnd(w->window())) : nullptr;
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint) {
    QWidget* w = GetWidget();
    if (w == nullptr)
        return;
    w->setGeometry(x, y, nWidth < 0 ? 0 : nWidth, nHeight < 0 ? 0 : nHeight);
    if (bRepaint)
        w->update();
}

void CWnd::MoveWindow(const RECT* pRect, BOOL bRepaint) {
    if (pRect != nullptr)
        MoveWindow(pRect->left, pRect->top, pRect->right - pRect->left, pRect->bottom - pRect->top,
                   bRepaint);
}

void CWnd::GetClientRect(RECT* pRect) const {
    if (pRect == nullptr)
        return;
    QWidget* w = GetWidget();
    *pRect = w != nullptr ? ToRect(w->rect()) : RECT{};
}

void CWnd::GetWindowRect(RECT* pRect) const {
    if (pRect == nullptr)
        return;
    QWidget* w = GetWidget();
    if (w == nullptr) {
        *pRect = RECT{};
        return;
    }
    QPoint tl = w->mapToGlobal(QPoint(0, 0));
    *pRect = RECT{tl.x(), tl.y(), tl.x() + w->width(), tl.y() + w->height()};
}

void CWnd::ClientToScreen(POINT* pPoint) const {
    QWidget* w = GetWidget();
    if (w == nullptr || pPoint == nullptr)
        return;
    QPoint p = w->mapToGlobal(QPoint(pPoint->x, pPoint->y));
    *pPoint = POINT{p.x(), p.y()};
}

void CWnd::ScreenToClient(POINT* pPoint) const {
    QWidget* w = GetWidget();
    if (w == nullptr || pPoint == nullptr)
        return;
    QPoint p = w->mapFromGlobal(QPoint(pPoint->x, pPoint->y));
    *pPoint = POINT{p.x(), p.y()};
}

void CWnd::ScreenToClient(RECT* pRect) const {
    if (pRect == nullptr)
        return;
    POINT tl{pRect->left, pRect->top};
    POINT br{pRect->right, pRect->bottom};
    ScreenToClient(&tl);
    ScreenToClient(&br);
    *pRect = RECT{tl.x, tl.y, br.x, br.y};
}

void CWnd::Invalidate(BOOL bErase) {
    InvalidateRect(nullptr, bErase);
}

void CWnd::InvalidateRect(const RECT* pRect, BOOL bErase) {
    if (m_hWnd == nullptr)
        return;
    if (!IsUiThread()) {
        // Worker threads may ask for a repaint; the widget is only touched on its own thread.
        static const bool registered = [] {
            afx::RegisterPostedMessageDisposer(AFXM_INVALIDATE, [](WPARAM wParam, LPARAM) {
                delete reinterpret_cast<RECT*>(wParam);
            });
            return true;
        }();
        (void)registered;
        RECT* copy = pRect != nullptr ? new RECT(*pRect) : nullptr;
        if (!::PostMessage(m_hWnd, AFXM_INVALIDATE, reinterpret_cast<WPARAM>(copy), bErase))
            delete copy;
        return;
    }
    QWidget* w = GetWidget();
    if (w == nullptr)
        return;
    if (pRect == nullptr)
        w->update();
    else
        w->update(ToQRect(*pRect));
}

BOOL CWnd::RedrawWindow(const RECT* pRect, void*, UINT nFlags) {
    QWidget* w = GetWidget();
    if (w == nullptr)
        return FALSE;
    QRect r = pRect != nullptr ? ToQRect(*pRect) : w->rect();
    if (nFlags & RDW_UPDATENOW)
        w->repaint(r);
    else if (nFlags & RDW_INVALIDATE)
        w->update(r);
    return TRUE;
}

void CWnd::UpdateWindow() {
    if (QWidget* w = GetWidget())
        w->repaint();
}

void CWnd::ApplyEnabled(QWidget* pWidget, bool bEnabled) {
    pWidget->setEnabled(bEnabled);
}

BOOL CWnd::EnableWindow(BOOL bEnable) {
    BOOL wasDisabled = (GetStyle() & WS_DISABLED) != 0;
    ModifyStyle(bEnable ? WS_DISABLED : 0, bEnable ? 0 : WS_DISABLED);
    return wasDisabled;
}

bool CWnd::HasFocus() const {
    QWidget* w = GetWidget();
    return w != nullptr && w->hasFocus();
}

void CWnd::SetAccessibleName(const std::string& name) {
    if (QWidget* w = GetWidget())
        w->setAccessibleName(afx::detail::FromAnsi(name));
}

BOOL CWnd::IsWindowEnabled() const {
    QWidget* w = GetWidget();
    return w != nullptr && w->isEnabled() && (GetStyle() & WS_DISABLED) == 0;
}

BOOL CWnd::IsWindowVisible() const {
    QWidget* w = GetWidget();
    return w != nullptr && w->isVisible();
}

UINT_PTR CWnd::SetTimer(UINT_PTR nIDEvent, UINT nElapse, void*) {
    if (m_pHook == nullptr || !IsUiThread())
        return 0;
    return m_pHook->SetTimer(nIDEvent, nElapse);
}

BOOL CWnd::KillTimer(UINT_PTR nIDEvent) {
    if (m_pHook == nullptr || !IsUiThread())
        return FALSE;
    return m_pHook->KillTimer(nIDEvent) ? TRUE : FALSE;
}

RECT CWnd::GetPaintRect() const {
    if (m_pHook != nullptr && m_pHook->m_inPaint)
        return ToRect(m_pHook->m_paintRect);
    RECT r;
    GetClientRect(&r);
    return r;
}

BOOL GetCursorPos(POINT* pPoint) {
    if (pPoint == nullptr)
        return FALSE;
    QPoint p = QCursor::pos();
    *pPoint = POINT{p.x(), p.y()};
    return TRUE;
}
