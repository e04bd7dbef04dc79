// SPDX-License-Identifier: Apache-2.0
// Internal: the event filter that turns a widget's events into window messages.
#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <unordered_map>

#include "AfxTypes.h"

class CWnd;
class QKeyEvent;

namespace afx::detail {

class WndHook final : public QObject {
public:
    WndHook(CWnd* pWnd, QWidget* w);
    ~WndHook() override;

    bool eventFilter(QObject* watched, QEvent* event) override;
    UINT_PTR SetTimer(UINT_PTR id, UINT elapse);
    bool KillTimer(UINT_PTR id);

    QWidget* m_widget;
    QRect m_paintRect;
    bool m_inPaint = false;
    uint64_t m_serial = 0;

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    bool FilterKeyPress(const QKeyEvent* ke);

    CWnd* m_pWnd;
    std::unordered_map<int, UINT_PTR> m_qtToId;
    std::unordered_map<UINT_PTR, int> m_idToQt;
    QMetaObject::Connection m_destroyed;
};

// Base of the widgets the layer creates: tells its window object it is going away while the
// widget is still whole (before Qt deletes its children).
class AfxWidget : public QWidget {
public:
    explicit AfxWidget(QWidget* parent) : QWidget(parent) {}
    ~AfxWidget() override;
};

// The drag and drop events of a window that takes dropped files (AfxDrop.cpp): answered from
// its WM_QUERYDROPFILES, a drop posted to it as WM_DROPFILES.
bool IsDropEvent(QEvent::Type type);
bool FilterDropEvent(CWnd* pWnd, QEvent* event);

// Internal message that applies a style change asked for on another thread.
constexpr UINT AFXM_APPLYSTYLE = WM_USER + 0x7EF0;
// Internal message that invalidates, on the user-interface thread, a rectangle asked for on
// another thread (wParam: a heap RECT or null for all, lParam: erase flag).
constexpr UINT AFXM_INVALIDATE = WM_USER + 0x7EF1;

} // namespace afx::detail
