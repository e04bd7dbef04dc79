// SPDX-License-Identifier: Apache-2.0
#include "AfxWndHook.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QTimerEvent>

#include "AfxQt.h"
#include "AfxWnd.h"

namespace afx::detail {
namespace {

UINT ModifierKeys(Qt::KeyboardModifiers modifiers) {
    UINT keys = 0;
    if (modifiers & Qt::ShiftModifier)
        keys |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        keys |= MK_CONTROL;
    return keys;
}

WPARAM MouseKeys(const QMouseEvent* e) {
    WPARAM keys = ModifierKeys(e->modifiers());
    if (e->buttons() & Qt::LeftButton)
        keys |= MK_LBUTTON;
    if (e->buttons() & Qt::RightButton)
        keys |= MK_RBUTTON;
    return keys;
}

// The keys the framework's controls know, 0 for the others.
UINT VirtualKey(int qtKey) {
    switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return VK_RETURN;
    case Qt::Key_PageUp:
        return VK_PRIOR;
    case Qt::Key_PageDown:
        return VK_NEXT;
    case Qt::Key_End:
        return VK_END;
    case Qt::Key_Home:
        return VK_HOME;
    case Qt::Key_Up:
        return VK_UP;
    case Qt::Key_Down:
        return VK_DOWN;
    case Qt::Key_Left:
        return VK_LEFT;
    case Qt::Key_Right:
        return VK_RIGHT;
    case Qt::Key_Delete:
        return VK_DELETE;
    case Qt::Key_A:
        return VK_A;
    default:
        return 0;
    }
}

bool IsInputEvent(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ContextMenu:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
        return true;
    default:
        return false;
    }
}

LPARAM MousePoint(const QMouseEvent* e) {
    QPoint p = e->position().toPoint();
    return MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(p.x())),
                      static_cast<WORD>(static_cast<int16_t>(p.y())));
}

} // namespace

WndHook::WndHook(CWnd* pWnd, QWidget* w) : m_widget(w), m_pWnd(pWnd) {
    w->installEventFilter(this);
    // A host may delete its window at any time; the object must forget it at once.
    m_destroyed = QObject::connect(
        w, &QObject::destroyed, this, [this] { m_pWnd->OnWidgetGone(false); },
        Qt::DirectConnection);
}

WndHook::~WndHook() {
    QObject::disconnect(m_destroyed);
    if (m_widget != nullptr)
        m_widget->removeEventFilter(this);
}

bool WndHook::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_widget)
        return false;
    // A window that keeps its widget enabled while WS_DISABLED still gets no input.
    if (IsInputEvent(event->type()) && (m_pWnd->GetStyle() & WS_DISABLED)) {
        event->ignore();
        return true;
    }
    if (IsDropEvent(event->type()))
        return FilterDropEvent(m_pWnd, event);
    switch (event->type()) {
    case QEvent::Paint: {
        auto* pe = static_cast<QPaintEvent*>(event);
        m_paintRect = pe->rect();
        m_inPaint = true;
        bool defaulted = false;
        m_pWnd->DispatchMessage(WM_PAINT, 0, 0, &defaulted);
        m_inPaint = false;
        return !defaulted;
    }
    case QEvent::Resize: {
        auto* re = static_cast<QResizeEvent*>(event);
        m_pWnd->DispatchMessage(WM_SIZE, SIZE_RESTORED,
                                MAKELPARAM(static_cast<WORD>(re->size().width()),
                                           static_cast<WORD>(re->size().height())));
        return false;
    }
    case QEvent::MouseMove: {
        if (!m_widget->isEnabled())
            return false; // a disabled window gets no mouse input; Qt drops it too
        auto* me = static_cast<QMouseEvent*>(event);
        bool defaulted = false;
        m_pWnd->DispatchMessage(WM_MOUSEMOVE, MouseKeys(me), MousePoint(me), &defaulted);
        return !defaulted;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() != Qt::LeftButton || !m_widget->isEnabled())
            return false;
        bool defaulted = false;
        const UINT message =
            event->type() == QEvent::MouseButtonPress ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        m_pWnd->DispatchMessage(message, MouseKeys(me), MousePoint(me), &defaulted);
        return !defaulted;
    }
    case QEvent::Leave: {
        bool defaulted = false;
        m_pWnd->DispatchMessage(WM_MOUSELEAVE, 0, 0, &defaulted);
        return false;
    }
    case QEvent::KeyPress:
        return FilterKeyPress(static_cast<QKeyEvent*>(event));
    default:
        return false;
    }
}

// A key the framework's controls know goes as WM_KEYDOWN with its modifiers in lParam; the text
// of any other goes as WM_CHAR, a code point at a time. Tab and the keys with Alt stay Qt's.
bool WndHook::FilterKeyPress(const QKeyEvent* ke) {
    if (!m_widget->isEnabled() || (ke->modifiers() & Qt::AltModifier))
        return false;
    // Shift+F10 asks for the context menu as the Menu key does.
    UINT key = ke->key() == Qt::Key_F10 && ke->modifiers() == Qt::ShiftModifier
                   ? VK_APPS
                   : VirtualKey(ke->key());
    if (key == VK_A && !(ke->modifiers() & Qt::ControlModifier))
        key = 0; // a plain letter is typed, not a command
    bool defaulted = false;
    if (key != 0) {
        m_pWnd->DispatchMessage(WM_KEYDOWN, key, ModifierKeys(ke->modifiers()), &defaulted);
        return !defaulted;
    }
    const QString text = ke->text();
    if (text.isEmpty() || (ke->modifiers() & Qt::ControlModifier) || !text.at(0).isPrint())
        return false;
    bool bTaken = false;
    for (char32_t c : text.toUcs4()) {
        m_pWnd->DispatchMessage(WM_CHAR, c, 0, &defaulted);
        bTaken = bTaken || !defaulted;
    }
    return bTaken;
}

UINT_PTR WndHook::SetTimer(UINT_PTR id, UINT elapse) {
    KillTimer(id);
    int qtId = startTimer(static_cast<int>(elapse));
    if (qtId == 0)
        return 0;
    m_qtToId[qtId] = id;
    m_idToQt[id] = qtId;
    return id;
}

bool WndHook::KillTimer(UINT_PTR id) {
    auto it = m_idToQt.find(id);
    if (it == m_idToQt.end())
        return false;
    killTimer(it->second);
    m_qtToId.erase(it->second);
    m_idToQt.erase(it);
    return true;
}

void WndHook::timerEvent(QTimerEvent* event) {
    auto it = m_qtToId.find(event->timerId());
    if (it != m_qtToId.end())
        m_pWnd->DispatchMessage(WM_TIMER, it->second, 0);
}

AfxWidget::~AfxWidget() {
    if (CWnd* pWnd = LookupWindow(this, 0))
        pWnd->OnWidgetGone(true);
}

} // namespace afx::detail
