// SPDX-License-Identifier: Apache-2.0
#include "AfxDrop.h"

#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "AfxMsg.h"
#include "AfxQt.h"
#include "AfxWnd.h"
#include "AfxWndHook.h"

struct HDROP__ {
    std::vector<std::string> files; // system code page, in the order dropped
};

using namespace afx::detail;

namespace {

constexpr UINT kFileCount = 0xFFFFFFFF;

std::vector<std::string> LocalFiles(const QMimeData* pData) {
    std::vector<std::string> files;
    if (pData == nullptr || !pData->hasUrls()) {
        return files;
    }
    for (const QUrl& url : pData->urls()) {
        if (url.isLocalFile()) {
            files.push_back(ToAnsi(url.toLocalFile()));
        }
    }
    return files;
}

LPARAM ClientPoint(const QDropEvent* e) {
    const QPoint p = e->position().toPoint();
    return MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(p.x())),
                      static_cast<WORD>(static_cast<int16_t>(p.y())));
}

// Whether the window takes the drag's files at its point now.
bool TakesFiles(CWnd* pWnd, const QDropEvent* e) {
    if (LocalFiles(e->mimeData()).empty()) {
        return false;
    }
    bool defaulted = false;
    const LRESULT answer = pWnd->DispatchMessage(WM_QUERYDROPFILES, 0, ClientPoint(e), &defaulted);
    return defaulted || answer != 0;
}

void PostDrop(CWnd* pWnd, const QDropEvent* e) {
    static const bool registered = [] {
        afx::RegisterPostedMessageDisposer(WM_DROPFILES, [](WPARAM wParam, LPARAM) {
            DragFinish(reinterpret_cast<HDROP>(wParam));
        });
        return true;
    }();
    (void)registered;
    auto* pDrop = new HDROP__{LocalFiles(e->mimeData())};
    if (!pWnd->PostMessage(WM_DROPFILES, reinterpret_cast<WPARAM>(pDrop), 0)) {
        DragFinish(pDrop);
    }
}

} // namespace

namespace afx::detail {

bool IsDropEvent(QEvent::Type type) {
    return type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop;
}

bool FilterDropEvent(CWnd* pWnd, QEvent* event) {
    auto* e = static_cast<QDropEvent*>(event);
    if (!TakesFiles(pWnd, e)) {
        e->ignore();
        return true;
    }
    e->acceptProposedAction();
    if (event->type() == QEvent::Drop) {
        PostDrop(pWnd, e);
    }
    return true;
}

} // namespace afx::detail

void DragAcceptFiles(HWND hWnd, BOOL bAccept) {
    if (QWidget* w = ToWidget(hWnd)) {
        w->setAcceptDrops(bAccept != FALSE);
    }
}

UINT DragQueryFile(HDROP hDrop, UINT iFile, char* lpszFile, UINT cch) {
    if (hDrop == nullptr) {
        return 0;
    }
    if (iFile == kFileCount) {
        return static_cast<UINT>(hDrop->files.size());
    }
    if (iFile >= hDrop->files.size()) {
        return 0;
    }
    const std::string& path = hDrop->files[iFile];
    if (lpszFile == nullptr) {
        return static_cast<UINT>(path.size());
    }
    if (cch == 0) {
        return 0;
    }
    const size_t n = std::min<size_t>(path.size(), cch - 1);
    std::memcpy(lpszFile, path.data(), n);
    lpszFile[n] = '\0';
    return static_cast<UINT>(n);
}

void DragFinish(HDROP hDrop) {
    delete hDrop;
}
