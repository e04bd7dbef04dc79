// SPDX-License-Identifier: Apache-2.0
// The lower list of the panel: one row per upload or download, newest on top, with status,
// size and progress, icons to save a downloaded file elsewhere and to open its folder, and
// history rows for files an earlier run already downloaded. A waiting or running transfer can be
// cancelled and a failed one started again from its row's menu.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "AfxGdi.h"
#include "Records.h"
#include "SelfPaintedList.h"
#include "TransferDetails.h"

class CDC;
class CDSDirListCtrl;
class IDataRecord;

// One transfer, behind its row.
struct TransferItem {
    enum State : uint32_t {
        kUploadWaiting = 1,
        kDownloadWaiting = 2,
        kUploadEnded = 3,
        kDownloadEnded = 4, // also a history row
        kUploading = 5,
        kDownloading = 6,
    };
    uint32_t nState = kUploadWaiting;
    std::string strLocalPath;
    std::string strLocalFolder; // up to and including the last "/"
    std::string strFileName;
    std::string strExtension;
    std::string strServerPath;
    uint64_t ullTotal = 0;
    uint64_t ullCurrent = 0;
    bool bTotalKnown = true; // the library may not know a total
    bool bSizeKnown = true;  // a listing or the library gave a total once
    bool bFailed = false;    // ended with a nonzero result: progress "N/A"
    uint32_t dwResult = 0;   // what it ended with
    bool bProgress = false;  // a progress was reported
    UINT nStatusId = 0;      // the status text's string id
    int nIcon = 0;
    CTransferRate Rate;
};

class CDocShelfFileList : public CSelfPaintedList {
public:
    enum Column {
        kColName = 0,
        kColStatus = 1,
        kColSize = 2,
        kColProgress = 3,
        kColSaveAs = 4,
        kColOpenFolder = 5,
    };
    // Commands of its context menus.
    static constexpr UINT kCmdOpenFolder = 32789;
    static constexpr UINT kCmdSaveAs = 32790;
    static constexpr UINT kCmdOpen = 32792;
    static constexpr UINT kCmdCancel = 32795;
    static constexpr UINT kCmdRetry = 32796;

    CDocShelfFileList();
    ~CDocShelfFileList() override;

    // Files dropped on this list are the directory list's to upload. Not owned; may stay null.
    void SetDropReceiver(CDSDirListCtrl* pDirList) { m_pDropReceiver = pDirList; }

    void AddTransfer(uint32_t dwTaskID, const std::string& localPath, const std::string& serverPath,
                     uint64_t ullSize, bool bUpload, bool bSizeKnown = true);
    // The newest transfer of that server path, or null. The pointer stays valid while the
    // list lives (rows are cleared, items are not).
    const TransferItem* FindTransfer(const std::string& serverPath) const;
    void OnTransferRecord(IDataRecord* pData);
    void OnListingRecord(IDataRecord* pData);
    // A file the directory list shows: one already in the save directory with the server's
    // length gets a history row.
    void OnListingEntry(const ds::ListingEntryRecord& entry);
    // Removes the rows; the transfers stay known.
    void ClearRows();
    // Transfers added so far, and the task id of the n-th, in the order they were added.
    size_t AddedCount() const { return m_AddOrder.size(); }
    uint32_t AddedTask(size_t n) const { return m_AddOrder[n]; }
    const TransferItem* FindTask(uint32_t dwTaskID) const { return ItemOf(dwTaskID); }
    const TransferItem* GetItem(int nRow) const;
    // "50.0%", "N/A", or empty when nothing is known.
    static std::string ProgressText(const TransferItem& item);
    RECT LinkArea(int nRow, int nCol) const;
    bool IsLinkHovered(int nRow, int nCol) const;

protected:
    std::string OnGetItemText(int nItem, int nSubItem) const override;
    // A cut text whole, the row's details, and a button's name.
    std::string OnGetItemTip(int nItem, int nSubItem) const override;
    bool GetCellProgress(int nItem, int nSubItem, double& percent) const override;
    bool OnUpdateCommandUI(CCmdUI* pCmdUI) override;

private:
    TransferItem* ItemOf(uint32_t dwTaskID) const;
    void AddItem(uint32_t dwTaskID, std::unique_ptr<TransferItem> pItem);
    void InsertRow(uint32_t dwTaskID);
    int RowOf(uint32_t dwTaskID) const;
    void RedrawRowOf(uint32_t dwTaskID);
    void OnStarted(uint32_t dwTaskID, bool bUpload);
    void OnEnded(uint32_t dwTaskID, bool bUpload, uint32_t dwResult);
    void OnProgress(const ds::ProgressRecord& progress);

    void PaintCells(CDC* pDC, int nRow, COLORREF clrText) override;
    int IconOfRow(int nRow) const override;
    int LastTextColumn() const override { return kColOpenFolder; }
    void PaintLink(CDC* pDC, int nRow, int nCol);
    // The share done, as a bar behind the progress text.
    void PaintProgressBar(CDC* pDC, int nRow);
    void OnListCreated() override;
    bool OnCommand(UINT nID) override;
    void SortRows(int nCol, bool bAscending) override;
    bool IsOnClickableCell(int nRow, POINT pt) const override;
    void OnCellClick(int nRow, POINT pt) override;
    void OnRowContextMenu(int nRow, POINT pt) override;
    bool OnRowDoubleClick() override;
    // Enter opens a finished transfer's file.
    void OnRowsActivated() override;
    bool TakesDroppedFiles() const override;
    void OnFilesDropped(const std::vector<std::string>& paths) override;

    // Commands on the selected row.
    const TransferItem* Selected() const;
    static bool IsUpload(const TransferItem& item);
    static bool IsOpenable(const TransferItem* pItem);
    static bool IsCancellable(const TransferItem* pItem);
    bool IsRetryable(const TransferItem* pItem) const;
    void OnOpen();
    void OnOpenFolder();
    void OnSaveAs();
    void OnCancel();
    void OnRetry();

    // Task id -> transfer, and server path -> newest task id; user-interface thread only.
    std::unordered_map<uint32_t, std::unique_ptr<TransferItem>> m_Tasks;
    std::unordered_map<std::string, uint32_t> m_ByServerPath;
    std::vector<uint32_t> m_AddOrder;
    CDSDirListCtrl* m_pDropReceiver = nullptr;
    CBitmap m_bmpSaveAs;
    CBitmap m_bmpSaveAsHot;
    CBitmap m_bmpOpenFolder;
    CBitmap m_bmpOpenFolderHot;
};
