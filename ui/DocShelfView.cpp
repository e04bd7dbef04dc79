// SPDX-License-Identifier: Apache-2.0
#include "DocShelfView.h"

#include <cstring>

#include "AfxAccessibleText.h"
#include "AfxDC.h"
#include "AfxMsg.h"
#include "CoreLib.h"
#include "MemDC.h"
#include "ResourceIds.h"
#include "Trace.h"

#include "DSDirListCtrl.h"
#include "DocShelfFileList.h"
#include "ListCells.h"
#include "LocalResource.h"
#include "PanelController.h"

#include "DSProtocol.h"
#include "ResultPost.h"
#include "WebDavMgr.h"

namespace {

constexpr int kCaptionHeight = 30;
// Child, visible, border, report view, single selection.
constexpr DWORD kListStyle = 0x50800005;
constexpr COLORREF kBackground = 0x00FFF3E0;
constexpr COLORREF kCaptionText = 0x008F604B;

// The strips the captions are painted in.
RECT DirCaptionRect(const RECT& client) {
    return RECT{client.left + 30, client.top, client.right, client.top + kCaptionHeight};
}

RECT TransferCaptionRect(const RECT& client) {
    const LONG half = (client.bottom - client.top) / 2;
    return RECT{client.left + 30, client.top + half, client.right,
                client.top + half + kCaptionHeight};
}

// A record whose window went away before delivery still belongs to the view.
void ReleasePostedRecord(WPARAM wParam, LPARAM) {
    ReleaseWorkResult(reinterpret_cast<IDataRecord*>(wParam));
}

} // namespace

CDocShelfView::CDocShelfView() {
    afx::RegisterPostedMessageDisposer(WM_DSNOTIFY, &ReleasePostedRecord);
}

CDocShelfView::~CDocShelfView() {
    m_hPostWnd = nullptr;
    m_pDirList.reset();
    m_pFileList.reset();
    m_pController.reset();
}

BOOL CDocShelfView::SubclassWindow(HWND hWnd) {
    if (!CWnd::SubclassWindow(hWnd))
        return FALSE;
    m_hPostWnd = hWnd;
    return TRUE;
}

void CDocShelfView::CreateControls(IMXCCItfMgr* pItfMgr) {
    m_pItfMgr = pItfMgr;
    if (m_pCaptionFont == nullptr) {
        m_pCaptionFont = std::make_unique<CFont>();
        m_pCaptionFont->CreateFont(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, 0, 0, 0, 0, 0, FF_SWISS,
                                   "Arial");
    }
    ModifyStyle(0, WS_CLIPCHILDREN);
    // A second DSInit keeps the lists it made the first time.
    if (m_pDirList == nullptr) {
        m_pController = std::make_unique<CPanelController>();
        m_pController->SetView(this);
        auto pDirList = std::make_unique<CDSDirListCtrl>();
        pDirList->SetController(m_pController.get());
        auto pFileList = std::make_unique<CDocShelfFileList>();
        // Several files of the folder at once; one transfer at a time.
        if (pDirList->Create(kListStyle & ~LVS_SINGLESEL, RECT{}, this, 0) &&
            pFileList->Create(kListStyle, RECT{}, this, 0)) {
            m_pFileList = std::move(pFileList);
            m_pController->SetFileList(m_pFileList.get());
            pDirList->SetFileList(m_pFileList.get());
            m_pFileList->SetDropReceiver(pDirList.get());
            pDirList->StartRetryTimer(pItfMgr);
            m_pDirList = std::move(pDirList);
        }
        CreateAccessibleTexts();
    }
    // Lay out at once: a host window already has its size and may not be resized again.
    Layout();
}

int CDocShelfView::PostWorkResult(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, "DocShelfView", 211, "pData", 0);
    HWND hWnd = m_hPostWnd.load();
    // A transfer's progress still queued is replaced by its newer progress: the list shows
    // only the latest anyway, and the queue stays short however fast the transfer runs.
    if (hWnd == nullptr ||
        !::PostMessageSuperseding(hWnd, WM_DSNOTIFY, reinterpret_cast<WPARAM>(pData), 0,
                                  SupersedeKeyOf(pData))) {
        // Not posted: nobody else will ever release it.
        ReleaseWorkResult(pData);
        return 0;
    }
    return 1;
}

void CDocShelfView::InvalidateHeader() {
    // The client area starts at (0, 0); an over-wide strip is cut to the window, so no thread
    // has to read the window's size.
    RECT rc{0, 0, 0x3FFFFFFF, kCaptionHeight};
    InvalidateRect(&rc, TRUE);
}

void CDocShelfView::ComputeLayout(const RECT& client, RECT* pDirList, RECT* pFileList) {
    const LONG x = client.left + 20;
    const LONG w = (client.right - client.left) - 40 < 0 ? 0 : (client.right - client.left) - 40;
    const LONG half = (client.bottom - client.top) / 2;
    auto clamp = [](LONG v) { return v < 0 ? 0 : v; };
    if (pDirList != nullptr) {
        LONG top = client.top + kCaptionHeight;
        *pDirList = RECT{x, top, x + w, top + clamp(half - 30)};
    }
    if (pFileList != nullptr) {
        LONG top = client.top + half + kCaptionHeight;
        *pFileList = RECT{x, top, x + w, top + clamp(half - 50)};
    }
}

void CDocShelfView::Layout() {
    RECT client;
    GetClientRect(&client);
    ComputeLayout(client, &m_rcDirList, &m_rcFileList);
    if (m_pDirList != nullptr)
        m_pDirList->MoveWindow(&m_rcDirList, TRUE);
    if (m_pFileList != nullptr)
        m_pFileList->MoveWindow(&m_rcFileList, TRUE);
    if (m_pStatusText != nullptr)
        m_pStatusText->MoveWindow(DirCaptionRect(client));
    if (m_pTransferText != nullptr)
        m_pTransferText->MoveWindow(TransferCaptionRect(client));
}

void CDocShelfView::CreateAccessibleTexts() {
    if (m_pDirList != nullptr)
        m_pDirList->SetAccessibleName(LoadLocalString(kIdsDirListName));
    if (m_pFileList != nullptr)
        m_pFileList->SetAccessibleName(LoadLocalString(kIdsTransferListName));
    m_pStatusText = std::make_unique<CAccessibleText>();
    m_pTransferText = std::make_unique<CAccessibleText>();
    m_pStatusText->Create(this);
    m_pTransferText->Create(this);
    m_pStatusText->SetName(LoadLocalString(kIdsStatusName));
    UpdateAccessibleTexts();
}

// The captions as painted; an unchanged text announces nothing.
void CDocShelfView::UpdateAccessibleTexts() {
    if (m_pStatusText != nullptr)
        m_pStatusText->SetDescription(GetDirCaption());
    if (m_pTransferText != nullptr)
        m_pTransferText->SetName(GetTransferCaption());
}

void CDocShelfView::OnTransferRecord(IDataRecord* pData) {
    const ds::TransferEventRecord event = ds::ReadTransferEvent(pData);
    if (event.sub == ds::kUploadEnded || event.sub == ds::kDownloadEnded) {
        m_pController->OnTransferEnded(event.taskId, event.result);
    }
}

size_t CDocShelfView::WaitingDownloads() const {
    return m_pController != nullptr ? m_pController->WaitingDownloads() : 0;
}

std::string CDocShelfView::GetTransferCaption() const {
    const size_t waiting = WaitingDownloads();
    return waiting == 0
               ? LoadLocalString(kIdsTransferCaption)
               : FormatOne(LoadLocalString(kIdsTransferCaptionWaiting), std::to_string(waiting));
}

std::string CDocShelfView::GetDirCaption() const {
    std::string status =
        m_pController != nullptr ? m_pController->GetStatusText() : LoadLocalString(kIdsConnecting);
    return FormatOne(LoadLocalString(kIdsDirCaption), status);
}

void CDocShelfView::OnPaint() {
    CPaintDC dc(this);
    RECT client;
    GetClientRect(&client);
    UpdateAccessibleTexts();
    {
        CMemDC mem(&dc);
        mem.FillSolidRect(&client, kBackground);
        CFont* pOldFont =
            m_pCaptionFont != nullptr ? mem.SelectObject(m_pCaptionFont.get()) : nullptr;
        mem.SetTextColor(kCaptionText);
        mem.SetBkMode(TRANSPARENT);

        RECT rcTransfer = TransferCaptionRect(client);
        mem.DrawText(GetTransferCaption(), &rcTransfer, DT_SINGLELINE | DT_VCENTER);

        RECT rcDir = DirCaptionRect(client);
        mem.DrawText(GetDirCaption(), &rcDir, DT_SINGLELINE | DT_VCENTER);

        if (m_pCaptionFont != nullptr)
            mem.SelectObject(pOldFont);
    }
}

LRESULT CDocShelfView::OnDSNotify(WPARAM wParam) {
    DS_CHECK_RETURN(wParam != 0, "DocShelfView", 220, "wParam", 0);
    auto* pData = reinterpret_cast<IDataRecord*>(wParam);
    switch (pData->GetMethod()) {
    case ds::kToDirList:
        if (m_pDirList != nullptr)
            m_pDirList->OnWorkResult(pData);
        break;
    case ds::kToTransferEntries:
        if (m_pFileList != nullptr)
            m_pFileList->OnListingRecord(pData);
        break;
    case ds::kToTransferList:
        if (m_pFileList != nullptr)
            m_pFileList->OnTransferRecord(pData);
        if (m_pController != nullptr)
            OnTransferRecord(pData);
        break;
    case ds::kToWebDavMgr:
        GetWebDavMgr()->OnNotify(pData);
        break;
    default:
        break;
    }
    ReleaseWorkResult(pData);
    return 0;
}

LRESULT CDocShelfView::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        CWnd::WindowProc(message, wParam, lParam);
        Layout();
        return 0;
    case WM_PAINT:
        OnPaint();
        return 0;
    case WM_DESTROY:
        CWnd::WindowProc(message, wParam, lParam);
        m_hPostWnd = nullptr;
        if (m_pFileList != nullptr)
            m_pFileList->DestroyWindow();
        if (m_pDirList != nullptr)
            m_pDirList->DestroyWindow();
        return 0;
    case WM_DSNOTIFY:
        return OnDSNotify(wParam);
    default:
        return CWnd::WindowProc(message, wParam, lParam);
    }
}
