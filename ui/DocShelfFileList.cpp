// SPDX-License-Identifier: Apache-2.0
#include "DocShelfFileList.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iterator>
#include <map>
#include <sys/stat.h>

#include "AfxDC.h"
#include "AfxFile.h"
#include "AfxMenu.h"
#include "AfxPrompt.h"
#include "AfxShell.h"
#include "CoreLib.h"
#include "DSDirListCtrl.h"
#include "DSProtocol.h"
#include "InvisibleText.h"
#include "LocalResource.h"
#include "PanelPort.h"
#include "PanelTransfer.h"
#include "PathCodec.h"
#include "RecordUtil.h"
#include "Records.h"
#include "ResourceIds.h"
#include "SizeText.h"
#include "Trace.h"
#include "WebDavMgr.h"

namespace {

constexpr const char* kFile = "DocShelfFileList";

constexpr CSelfPaintedList::Column kColumns[] = {
    {kIdsTransferColumnName, 300, LVCFMT_LEFT},  {kIdsTransferColumnStatus, 120, LVCFMT_LEFT},
    {kIdsTransferColumnSize, 100, LVCFMT_LEFT},  {kIdsTransferColumnProgress, 80, LVCFMT_LEFT},
    {kIdsTransferColumnSaveAs, 60, LVCFMT_LEFT}, {kIdsTransferColumnOpenFolder, 120, LVCFMT_LEFT}};
constexpr int kSortableColumns = 4;

// Popups of the context menu.
constexpr int kPopupUploaded = 3;
constexpr int kPopupDownloaded = 4;

constexpr DWORD kExStyle = 0x420;

// The progress bar: its inset in the cell, and its colours on a plain and on a selected row
// (the text above it stays readable on both).
constexpr int kBarInset = 3;
constexpr COLORREF kBarTrack = 0x00E6E6E6;
constexpr COLORREF kBarDone = 0x00A8DCA8;
constexpr COLORREF kBarTrackSelected = 0x00C08A4A;
constexpr COLORREF kBarDoneSelected = 0x00327D2E;

// History rows take ids from the top of the range, far from the task manager's.
uint32_t s_nextHistoryId = 2147483647u;

UINT EndedStatus(bool bUpload, uint32_t result) {
    if (bUpload) {
        switch (result) {
        case DS_RESULT_SUCCESS:
            return kIdsUploadFinished;
        case DS_RESULT_LOCAL_FILE_FAILED:
            return kIdsUploadFileFailed;
        case DS_RESULT_REQUEST_FAILED:
            return kIdsUploadNetworkFailed;
        case DS_RESULT_CANCELLED:
            return kIdsUploadCancelled;
        case DS_RESULT_SERVER_ERROR:
            return kIdsUploadServerFailed;
        case DS_RESULT_NO_ROOM:
            return kIdsUploadNoRoom;
        default:
            return kIdsUploadFailed;
        }
    }
    switch (result) {
    case DS_RESULT_SUCCESS:
        return kIdsDownloadFinished;
    case DS_RESULT_LOCAL_FILE_FAILED:
        return kIdsDownloadFileFailed;
    case DS_RESULT_REQUEST_FAILED:
        return kIdsDownloadNetworkFailed;
    case DS_RESULT_CANCELLED:
        return kIdsDownloadCancelled;
    case DS_RESULT_SERVER_ERROR:
        return kIdsDownloadServerFailed;
    case DS_RESULT_NOT_FOUND:
        return kIdsDownloadNotFound;
    default:
        return kIdsDownloadFailed;
    }
}

std::unique_ptr<TransferItem> MakeItem(const std::string& localPath, const std::string& serverPath,
                                       uint64_t ullSize) {
    auto pItem = std::make_unique<TransferItem>();
    pItem->strLocalPath = localPath;
    const size_t slash = localPath.find_last_of('/');
    pItem->strLocalFolder =
        slash == std::string::npos ? std::string() : localPath.substr(0, slash + 1);
    pItem->strFileName = localPath.substr(slash == std::string::npos ? 0 : slash + 1);
    const size_t dot = pItem->strFileName.find_last_of('.');
    pItem->strExtension =
        dot == std::string::npos ? std::string() : pItem->strFileName.substr(dot + 1);
    pItem->strServerPath = serverPath;
    pItem->ullTotal = ullSize;
    return pItem;
}

bool LocalLength(const std::string& path, uint64_t& length) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        return false;
    }
    length = static_cast<uint64_t>(st.st_size);
    return true;
}

// Copies through a temporary name beside the target, so that a failed copy leaves an
// existing file there as it was.
bool CopyReplacing(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    const std::string temp = CFile::TemporaryNameBeside(to);
    std::error_code ec;
    fs::copy_file(from, temp, fs::copy_options::none, ec);
    if (!ec) {
        fs::rename(temp, to, ec);
    }
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        TraceError("dshelf - CDocShelfFileList::OnSaveAs(); copy to %s failed: %s", to.c_str(),
                   ec.message().c_str());
        return false;
    }
    return true;
}

int CompareInts(uint64_t a, uint64_t b) {
    return a < b ? -1 : a > b;
}

float Ratio(const TransferItem& item) {
    return item.ullTotal == 0 ? -1.0f
                              : static_cast<float>(static_cast<double>(item.ullCurrent) /
                                                   static_cast<double>(item.ullTotal));
}

} // namespace

CDocShelfFileList::CDocShelfFileList() {
    m_bmpSaveAs.LoadBitmap(kBmpSaveAs);
    m_bmpSaveAsHot.LoadBitmap(kBmpSaveAsHot);
    m_bmpOpenFolder.LoadBitmap(kBmpOpenFolder);
    m_bmpOpenFolderHot.LoadBitmap(kBmpOpenFolderHot);
}

CDocShelfFileList::~CDocShelfFileList() {
    DestroyWindow();
}

// ---- The store ------------------------------------------------------------------------------

TransferItem* CDocShelfFileList::ItemOf(uint32_t dwTaskID) const {
    auto it = m_Tasks.find(dwTaskID);
    return it != m_Tasks.end() ? it->second.get() : nullptr;
}

void CDocShelfFileList::AddItem(uint32_t dwTaskID, std::unique_ptr<TransferItem> pItem) {
    pItem->nIcon = IconIndex(pItem->strExtension);
    m_ByServerPath[pItem->strServerPath] = dwTaskID;
    m_Tasks[dwTaskID] = std::move(pItem);
}

const TransferItem* CDocShelfFileList::FindTransfer(const std::string& serverPath) const {
    auto id = m_ByServerPath.find(serverPath);
    if (id == m_ByServerPath.end()) {
        return nullptr;
    }
    auto it = m_Tasks.find(id->second);
    return it != m_Tasks.end() ? it->second.get() : nullptr;
}

const TransferItem* CDocShelfFileList::GetItem(int nRow) const {
    if (nRow < 0 || nRow >= GetItemCount()) {
        return nullptr;
    }
    return ItemOf(static_cast<uint32_t>(GetItemData(nRow)));
}

int CDocShelfFileList::RowOf(uint32_t dwTaskID) const {
    LVFINDINFO find;
    find.flags = LVFI_PARAM;
    find.lParam = static_cast<LPARAM>(dwTaskID);
    return FindItem(&find);
}

void CDocShelfFileList::InsertRow(uint32_t dwTaskID) {
    // The rows under the pointer move down: the next mouse move lights what is there now.
    m_Hover.Clear();
    // Newest on top; the row's texts come from its item when painted.
    InsertItem(0, nullptr);
    SetItemData(0, static_cast<DWORD_PTR>(dwTaskID));
    EndSort();
}

void CDocShelfFileList::AddTransfer(uint32_t dwTaskID, const std::string& localPath,
                                    const std::string& serverPath, uint64_t ullSize, bool bUpload,
                                    bool bSizeKnown) {
    DS_CHECK_RETURN(dwTaskID != 0, kFile, 120, "dwTaskID");
    auto pItem = MakeItem(localPath, serverPath, ullSize);
    pItem->bSizeKnown = bSizeKnown;
    pItem->nState = bUpload ? TransferItem::kUploadWaiting : TransferItem::kDownloadWaiting;
    pItem->nStatusId = bUpload ? kIdsUploadWaiting : kIdsDownloadWaiting;
    AddItem(dwTaskID, std::move(pItem));
    m_AddOrder.push_back(dwTaskID);
    InsertRow(dwTaskID);
}

void CDocShelfFileList::ClearRows() {
    m_Hover.Clear();
    DeleteAllItems();
}

// ---- Records --------------------------------------------------------------------------------

void CDocShelfFileList::OnTransferRecord(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 300, "pData");
    const ds::TransferEventRecord event = ds::ReadTransferEvent(pData);
    switch (event.sub) {
    case ds::kUploadStarted:
    case ds::kDownloadStarted:
        OnStarted(event.taskId, event.sub == ds::kUploadStarted);
        break;
    case ds::kUploadEnded:
    case ds::kDownloadEnded:
        OnEnded(event.taskId, event.sub == ds::kUploadEnded, event.result);
        break;
    case ds::kUploadProgress:
    case ds::kDownloadProgress:
        OnProgress(ds::ReadProgress(pData));
        break;
    default:
        break;
    }
}

// A transfer whose row was cleared still changes its item: the item says whether the file is
// being downloaded.
void CDocShelfFileList::OnStarted(uint32_t dwTaskID, bool bUpload) {
    TransferItem* pItem = ItemOf(dwTaskID);
    if (pItem == nullptr) {
        return;
    }
    if (bUpload) {
        TraceInfo("dshelf - CDocShelfFileList::OnUploadStart () ;正在上传");
    } else {
        TraceInfo("dshelf - CDocShelfFileList::OnDownloadStart(); 正在下载");
    }
    pItem->nState = bUpload ? TransferItem::kUploading : TransferItem::kDownloading;
    pItem->nStatusId = bUpload ? kIdsUploading : kIdsDownloading;
    RedrawRowOf(dwTaskID);
}

void CDocShelfFileList::OnEnded(uint32_t dwTaskID, bool bUpload, uint32_t dwResult) {
    if (bUpload) {
        TraceInfo("dshelf - CDocShelfFileList::OnUploadStop() dwErrorCode = %u, UserData = %u",
                  dwResult, dwTaskID);
    }
    TransferItem* pItem = ItemOf(dwTaskID);
    if (pItem == nullptr) {
        return;
    }
    pItem->nState = bUpload ? TransferItem::kUploadEnded : TransferItem::kDownloadEnded;
    pItem->bFailed = dwResult != DS_RESULT_SUCCESS;
    pItem->dwResult = dwResult;
    pItem->nStatusId = EndedStatus(bUpload, dwResult);
    TraceInfo(bUpload ? "dshelf - CDocShelfFileList::OnUploadStop() dwErrorCode = %u, %s"
                      : "dshelf - CDocShelfFileList::OnDownloadStop(); %u %s",
              dwResult, LoadLocalString(pItem->nStatusId).c_str());
    RedrawRowOf(dwTaskID);
}

void CDocShelfFileList::OnProgress(const ds::ProgressRecord& progress) {
    TransferItem* pItem = ItemOf(progress.taskId);
    if (pItem == nullptr) {
        return;
    }
    pItem->bTotalKnown = progress.total >= 0;
    if (progress.total >= 0) {
        pItem->ullTotal = static_cast<uint64_t>(progress.total);
        pItem->bSizeKnown = true;
    }
    pItem->ullCurrent = progress.current > 0 ? static_cast<uint64_t>(progress.current) : 0;
    pItem->Rate.OnProgress(pItem->ullCurrent, CTransferRate::Clock::now());
    pItem->bProgress = true;
    RedrawRowOf(progress.taskId);
}

void CDocShelfFileList::RedrawRowOf(uint32_t dwTaskID) {
    if (const int row = RowOf(dwTaskID); row >= 0) {
        RedrawItems(row, row);
    }
}

void CDocShelfFileList::OnListingRecord(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 340, "pData");
    uint32_t sub = 0;
    rec::GetU32(pData, ds::key::SubMethod, sub);
    if (sub == ds::kTransferListingEntry) {
        OnListingEntry(ds::ReadListingEntry(pData));
    }
}

void CDocShelfFileList::OnListingEntry(const ds::ListingEntryRecord& entry) {
    if (entry.bDir) {
        return;
    }
    const std::string& name = entry.fileName;
    const std::string serverPath = entry.relatedPath + name;
    const std::string dir = GetPanelPort()->GetLocalDirectory();
    if (dir.empty() || IsUnsafeLocalName(name) || FindTransfer(serverPath) != nullptr) {
        return;
    }
    uint64_t localLength = 0;
    const std::string local = dir + name;
    if (!LocalLength(local, localLength) || localLength != entry.length) {
        return;
    }
    auto pItem = MakeItem(local, serverPath, localLength);
    pItem->strExtension = entry.extName;
    pItem->nState = TransferItem::kDownloadEnded;
    pItem->nStatusId = kIdsHistory;
    pItem->ullCurrent = localLength;
    const uint32_t id = s_nextHistoryId--;
    AddItem(id, std::move(pItem));
    InsertRow(id);
}

// ---- Texts ----------------------------------------------------------------------------------

std::string CDocShelfFileList::ProgressText(const TransferItem& item) {
    if (item.bFailed) {
        return "N/A";
    }
    if (item.nStatusId == kIdsHistory) {
        return "100.0%";
    }
    // Nothing reported yet, or a total the library does not know: no figure to show.
    if (!item.bProgress || !item.bTotalKnown || item.ullTotal == 0) {
        return std::string();
    }
    const float percent = static_cast<float>(static_cast<double>(item.ullCurrent) * 100.0 /
                                             static_cast<double>(item.ullTotal));
    char text[32];
    std::snprintf(text, sizeof text, "%2.1f%%", static_cast<double>(percent));
    return text;
}

std::string CDocShelfFileList::OnGetItemText(int nItem, int nSubItem) const {
    const TransferItem* pItem = GetItem(nItem);
    if (pItem == nullptr) {
        return std::string();
    }
    switch (nSubItem) {
    case kColName:
        return ds::ShowInvisible(pItem->strFileName);
    case kColStatus:
        return LoadLocalString(pItem->nStatusId);
    case kColSize:
        return pItem->bSizeKnown ? SpaceSizeText(pItem->ullTotal) : std::string();
    case kColProgress:
        return ProgressText(*pItem);
    default:
        return std::string();
    }
}

std::string CDocShelfFileList::OnGetItemTip(int nItem, int nSubItem) const {
    const TransferItem* pItem = GetItem(nItem);
    if (pItem == nullptr) {
        return std::string();
    }
    if (nSubItem == kColSaveAs || nSubItem == kColOpenFolder) {
        return LoadLocalString(kColumns[nSubItem].textId);
    }
    std::string tip = CSelfPaintedList::OnGetItemTip(nItem, nSubItem);
    const std::string details = TransferDetails(*pItem);
    if (!details.empty()) {
        tip += tip.empty() ? details : "\n" + details;
    }
    return tip;
}

// The percent the progress cell shows, as its bar draws it.
bool CDocShelfFileList::GetCellProgress(int nItem, int nSubItem, double& percent) const {
    const TransferItem* pItem = GetItem(nItem);
    if (nSubItem != kColProgress || pItem == nullptr || pItem->bFailed ||
        ProgressText(*pItem).empty()) {
        return false;
    }
    percent = pItem->nStatusId == kIdsHistory
                  ? 100.0
                  : 100.0 * static_cast<double>(std::clamp(Ratio(*pItem), 0.0f, 1.0f));
    return true;
}

// ---- Painting -------------------------------------------------------------------------------

void CDocShelfFileList::PaintCells(CDC* pDC, int nRow, COLORREF) {
    PaintProgressBar(pDC, nRow);
    PaintLink(pDC, nRow, kColSaveAs);
    PaintLink(pDC, nRow, kColOpenFolder);
}

int CDocShelfFileList::IconOfRow(int nRow) const {
    const TransferItem* pItem = GetItem(nRow);
    return pItem != nullptr ? pItem->nIcon : 0;
}

void CDocShelfFileList::PaintProgressBar(CDC* pDC, int nRow) {
    RECT cell;
    double percent = 0;
    if (!GetCellProgress(nRow, kColProgress, percent) ||
        !GetSubItemRect(nRow, kColProgress, LVIR_LABEL, cell)) {
        return;
    }
    const float ratio = static_cast<float>(percent / 100.0);
    const bool bSelected = GetItemState(nRow, LVIS_SELECTED) != 0;
    RECT track{cell.left + kBarInset, cell.top + kBarInset, cell.right - kBarInset,
               cell.bottom - kBarInset};
    if (track.right <= track.left || track.bottom <= track.top) {
        return;
    }
    pDC->FillSolidRect(&track, bSelected ? kBarTrackSelected : kBarTrack);
    RECT done = track;
    done.right =
        track.left + static_cast<LONG>(static_cast<float>(track.right - track.left) * ratio);
    if (done.right > done.left) {
        pDC->FillSolidRect(&done, bSelected ? kBarDoneSelected : kBarDone);
    }
}

void CDocShelfFileList::PaintLink(CDC* pDC, int nRow, int nCol) {
    RECT cell;
    if (!GetSubItemRect(nRow, nCol, LVIR_LABEL, cell)) {
        return;
    }
    const bool bHot = IsLinkHovered(nRow, nCol);
    CBitmap& bmp = nCol == kColSaveAs ? (bHot ? m_bmpSaveAsHot : m_bmpSaveAs)
                                      : (bHot ? m_bmpOpenFolderHot : m_bmpOpenFolder);
    DrawCellBitmap(pDC, bmp, cell);
}

// ---- Links and the mouse --------------------------------------------------------------------

RECT CDocShelfFileList::LinkArea(int nRow, int nCol) const {
    RECT cell{};
    if (!GetSubItemRect(nRow, nCol, LVIR_LABEL, cell)) {
        return RECT{};
    }
    const LONG h = cell.bottom - cell.top;
    return RECT{cell.left + 5, cell.top + 2, cell.left + h + 3, cell.bottom};
}

bool CDocShelfFileList::IsLinkHovered(int nRow, int nCol) const {
    return m_Hover.IsHovered(nRow, nCol);
}

bool CDocShelfFileList::IsOnClickableCell(int nRow, POINT pt) const {
    return PointIn(LinkArea(nRow, kColSaveAs), pt) || PointIn(LinkArea(nRow, kColOpenFolder), pt);
}

void CDocShelfFileList::OnCellClick(int row, POINT pt) {
    if (PointIn(LinkArea(row, kColSaveAs), pt)) {
        OnSaveAs();
    } else if (PointIn(LinkArea(row, kColOpenFolder), pt)) {
        OnOpenFolder();
    }
}

void CDocShelfFileList::OnRowContextMenu(int row, POINT pt) {
    const TransferItem* pItem = GetItem(row);
    DS_CHECK_RETURN(pItem != nullptr, kFile, 610, "pInfo");
    const int popup = IsUpload(*pItem) ? kPopupUploaded : kPopupDownloaded;
    // Cancel while the transfer has not ended, Retry once it failed.
    if (IsCancellable(pItem)) {
        TrackListPopup(this, popup, pt, {kCmdRetry});
    } else if (pItem->bFailed) {
        TrackListPopup(this, popup, pt, {kCmdCancel});
    } else {
        TrackListPopup(this, popup, pt, {kCmdCancel, kCmdRetry});
    }
}

bool CDocShelfFileList::OnRowDoubleClick() {
    OnOpen();
    return true;
}

void CDocShelfFileList::OnRowsActivated() {
    const TransferItem* pItem = Selected();
    if (IsOpenable(pItem) && !IsCancellable(pItem) && !pItem->bFailed) {
        OnOpen();
    }
}

// ---- Sorting --------------------------------------------------------------------------------

void CDocShelfFileList::SortRows(int nCol, bool bAscending) {
    // The comparison reads the items directly; ids are looked up in the task map.
    // Status texts are compared as shown, each loaded once rather than per comparison.
    std::map<UINT, std::string> statusTexts;
    if (nCol == kColStatus) {
        for (const auto& [id, pItem] : m_Tasks) {
            statusTexts.try_emplace(pItem->nStatusId, LoadLocalString(pItem->nStatusId));
        }
    }
    struct Context {
        CDocShelfFileList* self;
        int column;
        bool ascending;
        const std::map<UINT, std::string>* statusTexts;
    } ctx{this, nCol, bAscending, &statusTexts};
    SortItems(
        [](LPARAM a, LPARAM b, LPARAM context) {
            const auto& c = *reinterpret_cast<const Context*>(context);
            const TransferItem* pa = c.self->ItemOf(static_cast<uint32_t>(a));
            const TransferItem* pb = c.self->ItemOf(static_cast<uint32_t>(b));
            if (pa == nullptr || pb == nullptr) {
                return 0;
            }
            int r = 0;
            switch (c.column) {
            case kColSize:
                r = CompareInts(pa->ullTotal, pb->ullTotal);
                break;
            case kColProgress: {
                const float x = Ratio(*pa), y = Ratio(*pb);
                r = x < y ? -1 : x > y;
                break;
            }
            case kColName:
                r = std::strcmp(pa->strFileName.c_str(), pb->strFileName.c_str());
                break;
            default:
                r = c.statusTexts->at(pa->nStatusId).compare(c.statusTexts->at(pb->nStatusId));
                break;
            }
            r = r < 0 ? -1 : r > 0;
            return c.ascending ? r : -r;
        },
        reinterpret_cast<DWORD_PTR>(&ctx));
}

// ---- Commands -------------------------------------------------------------------------------

const TransferItem* CDocShelfFileList::Selected() const {
    return GetItem(GetNextItem(-1, LVNI_SELECTED));
}

bool CDocShelfFileList::IsUpload(const TransferItem& item) {
    return item.nState == TransferItem::kUploadWaiting ||
           item.nState == TransferItem::kUploadEnded || item.nState == TransferItem::kUploading;
}

bool CDocShelfFileList::IsCancellable(const TransferItem* pItem) {
    return pItem != nullptr && (pItem->nState == TransferItem::kUploadWaiting ||
                                pItem->nState == TransferItem::kDownloadWaiting ||
                                pItem->nState == TransferItem::kUploading ||
                                pItem->nState == TransferItem::kDownloading);
}

// A failed transfer, the newest of its server path (not one already started again), with the
// right for its direction.
bool CDocShelfFileList::IsRetryable(const TransferItem* pItem) const {
    if (pItem == nullptr || !pItem->bFailed || FindTransfer(pItem->strServerPath) != pItem) {
        return false;
    }
    IPanelPort* pShelf = GetPanelPort();
    return IsUpload(*pItem) ? pShelf->CanUpload() != 0 : pShelf->CanDownload() != 0;
}

bool CDocShelfFileList::IsOpenable(const TransferItem* pItem) {
    return pItem != nullptr && pItem->nState != TransferItem::kDownloadWaiting &&
           pItem->nState != TransferItem::kDownloading;
}

void CDocShelfFileList::OnOpen() {
    const TransferItem* pItem = Selected();
    if (!IsOpenable(pItem)) {
        return;
    }
    // Dialogs run the event loop: what they need is copied first.
    const std::string path = pItem->strLocalPath;
    const intptr_t result = ShellExecute(GetSafeHwnd(), "open", path.c_str(), nullptr, nullptr, 1);
    if (result > 32) {
        return;
    }
    TraceError("dshelf - CDocShelfFileList::OnOpen() open file failed! hi=%d",
               static_cast<int>(result));
    if (result == 31) {
        // No program for the type: the user chooses one.
        afx::OpenWithDialog(path);
    } else {
        GetPanelPort()->ShowMessage(LoadLocalString(kIdsOpenFailed).c_str(), MB_OK);
    }
}

void CDocShelfFileList::OnOpenFolder() {
    const TransferItem* pItem = Selected();
    if (pItem == nullptr) {
        return;
    }
    if (ShellExecute(GetSafeHwnd(), "open", pItem->strLocalFolder.c_str(), nullptr, nullptr, 1) <=
        32) {
        TraceInfo("dshelf - CDocShelfFileList::OnOpenFolder(); 打开文件夹失败或文件夹不存在");
        GetPanelPort()->ShowMessage(LoadLocalString(kIdsOpenFailed).c_str(), MB_OK);
    }
}

void CDocShelfFileList::OnSaveAs() {
    const TransferItem* pItem = Selected();
    if (IsOpenable(pItem)) {
        // Dialogs run the event loop: what they need is copied first.
        const TransferItem item = *pItem;
        uint64_t length = 0;
        if (!LocalLength(item.strLocalPath, length)) {
            GetPanelPort()->ShowMessage(LoadLocalString(kIdsFileMissing).c_str(), MB_OK);
        } else {
            CFileDialog dialog(FALSE, item.strExtension.c_str(), item.strFileName.c_str(),
                               OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
            if (dialog.DoModal() == IDOK &&
                !CopyReplacing(item.strLocalPath, dialog.GetPathName())) {
                // A full disk or a folder the user cannot write is said, not swallowed.
                GetPanelPort()->ShowMessage(LoadLocalString(kIdsCopyFailed).c_str(), MB_OK);
            }
        }
    }
    Invalidate(TRUE);
}

void CDocShelfFileList::OnCancel() {
    const int row = GetNextItem(-1, LVNI_SELECTED);
    if (!IsCancellable(GetItem(row))) {
        return;
    }
    // The row changes when the transfer's end arrives, as "cancelled".
    GetWebDavMgr()->CancelTransfer(static_cast<uint32_t>(GetItemData(row)));
}

void CDocShelfFileList::OnRetry() {
    const TransferItem* pItem = Selected();
    if (!IsRetryable(pItem)) {
        return;
    }
    const TransferItem item = *pItem; // the new transfer adds a row
    // A download picks up a partial file the engine kept.
    StartPanelTransfer(
        this, PanelTransfer{IsUpload(item), item.strServerPath, item.strLocalPath, item.ullTotal});
}

bool CDocShelfFileList::OnUpdateCommandUI(CCmdUI* pCmdUI) {
    switch (pCmdUI->m_nID) {
    case kCmdCancel:
        pCmdUI->Enable(IsCancellable(Selected()));
        return true;
    case kCmdRetry:
        pCmdUI->Enable(IsRetryable(Selected()));
        return true;
    case kCmdOpen:
    case kCmdSaveAs:
        pCmdUI->Enable(IsOpenable(Selected()));
        return true;
    case kCmdOpenFolder:
        pCmdUI->Enable(TRUE);
        return true;
    default:
        return CListCtrl::OnUpdateCommandUI(pCmdUI);
    }
}

// ---- Messages -------------------------------------------------------------------------------

void CDocShelfFileList::OnListCreated() {
    SetColumns(kColumns, static_cast<int>(std::size(kColumns)), kSortableColumns, kExStyle);
}

bool CDocShelfFileList::OnCommand(UINT nID) {
    switch (nID) {
    case kCmdOpen:
        OnOpen();
        return true;
    case kCmdSaveAs:
        OnSaveAs();
        return true;
    case kCmdOpenFolder:
        OnOpenFolder();
        return true;
    case kCmdCancel:
        OnCancel();
        return true;
    case kCmdRetry:
        OnRetry();
        return true;
    default:
        return false;
    }
}

// ---- Dropped files --------------------------------------------------------------------------

bool CDocShelfFileList::TakesDroppedFiles() const {
    return m_pDropReceiver != nullptr && m_pDropReceiver->AcceptsUploads();
}

void CDocShelfFileList::OnFilesDropped(const std::vector<std::string>& paths) {
    if (m_pDropReceiver != nullptr) {
        m_pDropReceiver->UploadFiles(paths);
    }
}
