// SPDX-License-Identifier: Apache-2.0
#include "DSDirListCtrl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <sys/stat.h>

#include "AfxDC.h"
#include "CoreLib.h"
#include "DSProtocol.h"
#include "DocShelfFileList.h"
#include "DocShelfView.h"
#include "DownloadLog.h"
#include "InvisibleText.h"
#include "LocalResource.h"
#include "PanelController.h"
#include "PanelPort.h"
#include "PanelTransfer.h"
#include "RecordUtil.h"
#include "Records.h"
#include "ResourceIds.h"
#include "SizeText.h"
#include "Trace.h"
#include "WebDavMgr.h"

namespace {

constexpr const char* kFile = "DSDirListCtrl";

constexpr CSelfPaintedList::Column kColumns[] = {{kIdsColumnName, 300, LVCFMT_RIGHT},
                                                 {kIdsColumnUploader, 90, LVCFMT_LEFT},
                                                 {kIdsColumnSize, 100, LVCFMT_LEFT},
                                                 {kIdsColumnDownload, 80, LVCFMT_LEFT},
                                                 {kIdsColumnDelete, 60, LVCFMT_LEFT}};
constexpr int kSortableColumns = 3;

constexpr DWORD kExStyle = 0x420; // full-row select, info tips

} // namespace

CDSDirListCtrl::CDSDirListCtrl() {
    m_bmpDownload.LoadBitmap(kBmpDownload);
    m_bmpDownloadHover.LoadBitmap(kBmpDownloadHover);
    m_bmpDelete.LoadBitmap(kBmpDelete);
    m_bmpDeleteHover.LoadBitmap(kBmpDeleteHover);
}

CDSDirListCtrl::~CDSDirListCtrl() {
    DestroyWindow();
}

// ---- Creation and the root ---------------------------------------------------------------

void CDSDirListCtrl::OnListCreated() {
    SetColumns(kColumns, static_cast<int>(std::size(kColumns)), kSortableColumns, kExStyle);
    InitRoot();
}

void CDSDirListCtrl::InitRoot() {
    m_pRoot = std::make_unique<DSItemInfo>();
    m_pRoot->nType = DSItemType::SystemDir;
    m_pRoot->strRelatedPath = "/";
    m_pRoot->strFileName = kPresenterFolder;
    ListRoot();
}

void CDSDirListCtrl::ListRoot() {
    if (m_pRoot != nullptr) {
        m_pController->ListRoot(m_pRoot->RemotePath(), kRootItem);
    }
}

void CDSDirListCtrl::RefreshRoot() {
    ListRoot();
}

void CDSDirListCtrl::OnMeetingMessage(bool bChatFilter, const std::string& uploadedName) {
    CMeetingPacer::Work asked{uploadedName.empty(), bChatFilter, {}};
    if (!uploadedName.empty()) {
        asked.files.push_back(uploadedName);
    }
    int delayMs = 0;
    RunMeetingWork(m_MeetingPacer.Ask(asked, CMeetingPacer::Clock::now(), delayMs));
    if (delayMs > 0) {
        SetTimer(kMeetingTimerId, static_cast<UINT>(delayMs));
    }
}

void CDSDirListCtrl::RunMeetingWork(const CMeetingPacer::Work& work) {
    if (work.refresh) {
        ListRoot();
    } else if (m_pRoot != nullptr) {
        for (const std::string& name : work.files) {
            GetWebDavMgr()->ListEntry(m_pRoot->RemotePath().c_str(), name, kRootItem);
        }
    }
    if (work.fetchChatFilter) {
        GetWebDavMgr()->FetchChatFilterFile(false);
    }
}

void CDSDirListCtrl::StartRetryTimer(IMXCCItfMgr* pItfMgr) {
    m_pItfMgr = pItfMgr;
    m_nRetryTimer = SetTimer(kRetryTimerId, kRetryPeriodMs);
}

// ---- Records ------------------------------------------------------------------------------

void CDSDirListCtrl::OnWorkResult(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 920, "pData");
    uint32_t sub = 0;
    rec::GetU32(pData, ds::key::SubMethod, sub);
    switch (sub) {
    case ds::kDirAddEntry:
        AddEntry(pData);
        break;
    case ds::kDirUpdateEntry:
        UpdateEntry(pData);
        break;
    case ds::kDirAddEntries:
        AddEntries(pData);
        break;
    case ds::kDirClearList:
        ClearList();
        break;
    case ds::kDirRelistFolder:
        OnNotifyRefreshDir(pData);
        break;
    case ds::kDirHostMessage:
        m_pController->RelayHostMessage(ds::TakeHostMessage(pData));
        break;
    case ds::kDirListingFinished:
        OnListingFinished(pData);
        break;
    case ds::kDirRelistRoot:
        m_pController->ResetRetry();
        ListRoot();
        break;
    default:
        break;
    }
}

std::unique_ptr<DSItemInfo> CDSDirListCtrl::MakeEntry(const ds::ListingEntryRecord& record) {
    auto pEntry = std::make_unique<DSItemInfo>();
    pEntry->nType = record.bDir ? DSItemType::UserDir : DSItemType::File;
    pEntry->strRelatedPath = record.relatedPath;
    pEntry->strFileName = record.fileName;
    pEntry->strExtName = record.extName;
    if (!record.bDir) {
        pEntry->ullFileLength = record.length;
        pEntry->bLengthKnown = record.bLengthKnown;
        pEntry->strAuthor = record.author;
        pEntry->ullTag = record.tag;
    }
    return pEntry;
}

void CDSDirListCtrl::AddEntry(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 963, "pWorkData");
    AddRow(ds::ReadListingEntry(pData));
}

void CDSDirListCtrl::AddRow(const ds::ListingEntryRecord& record) {
    auto pEntry = MakeEntry(record);
    const DSItemInfo& entry = *pEntry;
    InsertEntry(std::move(pEntry));
    if (record.depth == 2 && entry.IsFile()) {
        m_pController->OnFileListed(entry);
    }
}

void CDSDirListCtrl::AddEntries(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 975, "pWorkData");
    const bool bWhole = ds::ReadListingEntries(pData, [this](const ds::ListingEntryRecord& row) {
        AddRow(row);
        if (m_pFileList != nullptr) {
            m_pFileList->OnListingEntry(row);
        }
    });
    if (!bWhole) {
        TraceError("dshelf - CDSDirListCtrl::AddEntries(); a malformed batch of rows");
    }
}

void CDSDirListCtrl::UpdateEntry(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 985, "pWorkData");
    const ds::ListingEntryRecord record = ds::ReadListingEntry(pData);
    auto pEntry = MakeEntry(record);
    const auto same = std::find_if(m_Entries.begin(), m_Entries.end(), [&](const auto& p) {
        return p->strFileName == record.fileName && p->strRelatedPath == record.relatedPath;
    });
    if (same == m_Entries.end()) {
        AddRow(record);
        return;
    }
    // The row keeps its entry object, so its item data and any open question stay valid.
    pEntry->nImage = pEntry->IsFile() ? IconIndex(pEntry->strExtName) : FolderIconIndex();
    **same = std::move(*pEntry);
    // Its size or author may have changed: the list is no longer sorted, and a reader hears it.
    EndSort();
    LVFINDINFO find{};
    find.flags = LVFI_PARAM;
    find.lParam = reinterpret_cast<LPARAM>(same->get());
    const int row = FindItem(&find);
    RedrawItems(row, row);
    Invalidate(FALSE);
    if (record.depth == 2 && (*same)->IsFile()) {
        m_pController->OnFileListed(**same);
    }
}

void CDSDirListCtrl::InsertEntry(std::unique_ptr<DSItemInfo> pEntry) {
    pEntry->nImage = pEntry->IsFile() ? IconIndex(pEntry->strExtName) : FolderIconIndex();
    const int n = GetItemCount();
    // The row's texts come from its entry when painted: no copy to disagree with it.
    InsertItem(n, nullptr);
    SetItemData(n, reinterpret_cast<DWORD_PTR>(pEntry.get()));
    m_Entries.push_back(std::move(pEntry));
    // A new row stays at the end: the list is no longer sorted.
    EndSort();
}

void CDSDirListCtrl::ClearList() {
    m_Hover.Clear();
    DeleteAllItems();
    m_Entries.clear();
}

void CDSDirListCtrl::OnNotifyRefreshDir(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 1086, "pWorkData");
    TraceInfo("dshelf - CDSTreeCtrl::OnNotifyRefreshDir()");
    std::string path = rec::GetStr(pData, ds::key::FullPath);
    path = path.substr(0, path.find_last_of('/') + 1);
    std::string folder = "/" + GetWebDavMgr()->ToRelativePath(path);
    GetWebDavMgr()->ListDirectory(folder.c_str(), kRootItem, 2, ds::key::InternalUserData);
}

void CDSDirListCtrl::OnListingFinished(IDataRecord* pData) {
    const uint32_t result = ds::ReadListingDone(pData).listResult;
    m_pController->OnListingFinished(result == ds::kListOk, GetUsedSpace(),
                                     result == ds::kListNoConnection);
}

uint64_t CDSDirListCtrl::GetUsedSpace() const {
    uint64_t used = 0;
    for (const auto& pEntry : m_Entries) {
        used = SaturatingAdd(used, pEntry->ullFileLength);
    }
    return used;
}

void CDSDirListCtrl::OnServerAvailable(bool bAvailable) {
    m_pController->OnServerAvailable(bAvailable);
}

std::string CDSDirListCtrl::GetStatusText() const {
    return m_pController->GetStatusText();
}

void CDSDirListCtrl::OnTimer(UINT_PTR nIDEvent) {
    if (nIDEvent == kMeetingTimerId) {
        KillTimer(kMeetingTimerId);
        RunMeetingWork(m_MeetingPacer.OnTimer(CMeetingPacer::Clock::now()));
    } else if (nIDEvent == m_nRetryTimer && m_nRetryTimer != 0) {
        m_pController->OnRetryTick();
    }
}

// ---- Texts ----------------------------------------------------------------------------------

const DSItemInfo* CDSDirListCtrl::GetEntry(int nItem) const {
    return reinterpret_cast<const DSItemInfo*>(GetItemData(nItem));
}

std::string CDSDirListCtrl::SizeText(uint64_t ullLength) {
    static const char* const kUnits[] = {"Byte", "KB", "MB", "GB"};
    double value = static_cast<double>(ullLength);
    int unit = 0;
    while (value >= 1024 && unit < 3) {
        value /= 1024;
        ++unit;
    }
    char text[64];
    std::snprintf(text, sizeof text, "%0.2lf %s", value, kUnits[unit]);
    return text;
}

std::string CDSDirListCtrl::OnGetItemText(int nItem, int nSubItem) const {
    const DSItemInfo* pEntry = GetEntry(nItem);
    if (pEntry == nullptr) {
        return std::string();
    }
    // Names and authors come from the server: nothing in them may reorder or hide what is shown.
    switch (nSubItem) {
    case kColName:
        return ds::ShowInvisible(pEntry->strFileName);
    case kColAuthor:
        return ds::ShowInvisible(pEntry->strAuthor);
    case kColSize:
        return pEntry->bLengthKnown || !pEntry->IsFile() ? SizeText(pEntry->ullFileLength)
                                                         : std::string();
    default:
        return std::string();
    }
}

std::string CDSDirListCtrl::OnGetItemTip(int nItem, int nSubItem) const {
    if (nSubItem != kColDownload && nSubItem != kColDelete) {
        return CSelfPaintedList::OnGetItemTip(nItem, nSubItem);
    }
    if (nSubItem == kColDownload && !HasDownloadButton(nItem)) {
        return std::string();
    }
    IPanelPort* pShelf = GetPanelPort();
    const bool bAllowed = nSubItem == kColDownload ? pShelf->CanDownload() : pShelf->CanDelete();
    return LoadLocalString(bAllowed ? kColumns[nSubItem].textId : kIdsNoPermission);
}

// ---- Painting -------------------------------------------------------------------------------

void CDSDirListCtrl::PaintCells(CDC* pDC, int nRow, COLORREF clrText) {
    // A folder cannot be downloaded: its row has no Download button.
    if (HasDownloadButton(nRow)) {
        PaintButton(pDC, nRow, kColDownload, clrText);
    }
    PaintButton(pDC, nRow, kColDelete, clrText);
}

bool CDSDirListCtrl::HasDownloadButton(int nRow) const {
    const DSItemInfo* pEntry = GetEntry(nRow);
    return pEntry != nullptr && pEntry->IsFile();
}

int CDSDirListCtrl::IconOfRow(int nRow) const {
    const DSItemInfo* pEntry = GetEntry(nRow);
    return pEntry != nullptr && pEntry->nImage >= 0 ? pEntry->nImage : 0;
}

void CDSDirListCtrl::PaintButton(CDC* pDC, int nItem, int nCol, COLORREF clrText) {
    RECT cell;
    if (!GetSubItemRect(nItem, nCol, LVIR_LABEL, cell)) {
        return;
    }
    IPanelPort* pShelf = GetPanelPort();
    const bool bAllowed = nCol == kColDownload ? pShelf->CanDownload() : pShelf->CanDelete();
    if (!bAllowed) {
        pDC->SetTextColor(clrText);
        pDC->DrawText(LoadLocalString(kIdsNoPermission), &cell, kTextFormat);
        return;
    }
    const bool bHover = IsButtonHovered(nItem, nCol);
    CBitmap& bmp = nCol == kColDownload ? (bHover ? m_bmpDownloadHover : m_bmpDownload)
                                        : (bHover ? m_bmpDeleteHover : m_bmpDelete);
    DrawCellBitmap(pDC, bmp, cell);
}

// ---- Buttons and hover ----------------------------------------------------------------------

RECT CDSDirListCtrl::ButtonArea(int nItem, int nCol) const {
    RECT cell{};
    if (!GetSubItemRect(nItem, nCol, LVIR_LABEL, cell)) {
        return RECT{};
    }
    const LONG h = cell.bottom - cell.top;
    return RECT{cell.left + 5, cell.bottom - h + 1, cell.left + h + 4, cell.bottom};
}

bool CDSDirListCtrl::IsButtonHovered(int nItem, int nCol) const {
    return m_Hover.IsHovered(nItem, nCol);
}

bool CDSDirListCtrl::IsOnClickableCell(int nItem, POINT pt) const {
    return (HasDownloadButton(nItem) && PointIn(ButtonArea(nItem, kColDownload), pt)) ||
           PointIn(ButtonArea(nItem, kColDelete), pt);
}

// ---- Sorting --------------------------------------------------------------------------------

namespace {

// Compares the entries themselves: no row is looked up per comparison.
int CompareEntries(LPARAM lParam1, LPARAM lParam2, LPARAM lParamSort) {
    const auto* a = reinterpret_cast<const DSItemInfo*>(lParam1);
    const auto* b = reinterpret_cast<const DSItemInfo*>(lParam2);
    const int column = static_cast<int>(lParamSort & 0xFF);
    const bool bAscending = (lParamSort & 0x100) != 0;
    int result = 0;
    if (a == nullptr || b == nullptr) {
        return 0;
    }
    if (column == CDSDirListCtrl::kColSize) {
        result = a->ullFileLength < b->ullFileLength ? -1 : a->ullFileLength > b->ullFileLength;
    } else {
        const std::string& ta = column == CDSDirListCtrl::kColName ? a->strFileName : a->strAuthor;
        const std::string& tb = column == CDSDirListCtrl::kColName ? b->strFileName : b->strAuthor;
        int c = std::strcmp(ta.c_str(), tb.c_str());
        result = c < 0 ? -1 : c > 0;
    }
    return bAscending ? result : -result;
}

} // namespace

void CDSDirListCtrl::SortRows(int nCol, bool bAscending) {
    SortItems(&CompareEntries, static_cast<DWORD_PTR>(nCol | (bAscending ? 0x100 : 0)));
}

// ---- Messages -------------------------------------------------------------------------------

LRESULT CDSDirListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        OnTimer(static_cast<UINT_PTR>(wParam));
        return 0;
    case WM_DESTROY:
        KillTimer(kMeetingTimerId);
        if (m_nRetryTimer != 0) {
            KillTimer(m_nRetryTimer);
            m_nRetryTimer = 0;
        }
        return CSelfPaintedList::WindowProc(message, wParam, lParam);
    default:
        return CSelfPaintedList::WindowProc(message, wParam, lParam);
    }
}
