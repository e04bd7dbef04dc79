// SPDX-License-Identifier: Apache-2.0
// Internal to the layer: maps handles to Qt objects. Component code never includes this.
#pragma once

#include <QColor>
#include <QCoreApplication>
#include <QRect>
#include <QString>
#include <QThread>
#include <QWidget>
#include <string_view>

#include "AfxTypes.h"
#include "CodePage.h"

class CWnd;

namespace afx::detail {

inline QWidget* ToWidget(HWND hWnd) {
    return reinterpret_cast<QWidget*>(hWnd);
}
inline HWND ToHwnd(QWidget* w) {
    return reinterpret_cast<HWND>(w);
}

inline QColor ToQColor(COLORREF c) {
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}
inline COLORREF ToColorRef(QColor c) {
    return RGB(static_cast<BYTE>(c.red()), static_cast<BYTE>(c.green()),
               static_cast<BYTE>(c.blue()));
}
inline QRect ToQRect(const RECT& r) {
    return QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}
inline RECT ToRect(const QRect& r) {
    return RECT{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

// Narrow strings of the component are in the system code page.
inline QString FromAnsi(std::string_view s) {
    std::string u = afx::AnsiToUtf8(s);
    return QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size()));
}
inline std::string ToAnsi(const QString& s) {
    QByteArray u = s.toUtf8();
    return afx::Utf8ToAnsi(std::string_view(u.constData(), static_cast<size_t>(u.size())));
}

// True on the thread of the application object (the user-interface thread).
inline bool IsUiThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

// Window registry: which CWnd a widget belongs to. The serial tells a live window from a
// later one that happens to get the same address.
uint64_t RegisterWindow(QWidget* w, CWnd* pWnd);
void UnregisterWindow(QWidget* w);
// Any thread. 0 when the widget is not a registered window.
uint64_t WindowSerial(QWidget* w);
// UI thread: the CWnd of a live registered window with that serial (any serial when 0).
CWnd* LookupWindow(QWidget* w, uint64_t serial);
// UI thread: drops the wrappers of foreign windows (and their connections).
void ReleaseWindowWrappers();

} // namespace afx::detail
