// SPDX-License-Identifier: Apache-2.0
// The upper list of the panel: the entries of the presenter folder with uploader and size, and
// Download and Delete buttons it paints itself. What the panel does beyond its rows (the status
// line, server checks, automatic downloads, texts for the meeting) is its controller's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "AfxGdi.h"
#include "DSItemInfo.h"
#include "IDocShelfPanelItf.h"
#include "MeetingPacer.h"
#include "SelfPaintedList.h"

class CDC;
class CDocShelfFileList;
class CPanelController;
class IDataRecord;
class IMXCCItfMgr;
namespace ds {
struct ListingEntryRecord;
}

class CDSDirListCtrl : public CSelfPaintedList {
public:
    // The item data value of every listing this control asks for.
    static constexpr uint32_t kRootItem = 0xFFFF0000;
    static constexpr UINT_PTR kRetryTimerId = 550;
    static constexpr UINT kRetryPeriodMs = 60000;
    static constexpr UINT_PTR kMeetingTimerId = 551;
    enum Column { kColName = 0, kColAuthor = 1, kColSize = 2, kColDownload = 3, kColDelete = 4 };

    CDSDirListCtrl();
    ~CDSDirListCtrl() override;

    // Set before the window is created; never null afterwards.
    void SetController(CPanelController* pController) { m_pController = pController; }
    // Not owned; may stay null, and every use tests it.
    void SetFileList(CDocShelfFileList* pFileList) { m_pFileList = pFileList; }
    void StartRetryTimer(IMXCCItfMgr* pItfMgr);
    // Any thread: the text of the directory caption (the controller's).
    std::string GetStatusText() const;
    void OnWorkResult(IDataRecord* pData);
    void RefreshRoot();
    // A message of the meeting: the folder is listed again (for an upload notice, only the file
    // it names) and, for the chat filter's announcement, the file fetched; paced, so that a
    // flood of messages costs little.
    void OnMeetingMessage(bool bChatFilter, const std::string& uploadedName = {});
    // Any thread (the directory work thread calls it after each server check).
    void OnServerAvailable(bool bAvailable);
    uint64_t GetUsedSpace() const;
    void InsertEntry(std::unique_ptr<DSItemInfo> pEntry);
    const DSItemInfo* GetEntry(int nItem) const;
    // The button area of a row's Download (kColDownload) or Delete (kColDelete) cell.
    RECT ButtonArea(int nItem, int nCol) const;
    bool IsButtonHovered(int nItem, int nCol) const;
    // Files have a Download button; folders do not.
    bool HasDownloadButton(int nItem) const;

    // Commands of its context menus.
    static constexpr UINT kCmdDownload = DS_PANEL_CMD_DOWNLOAD;
    static constexpr UINT kCmdDelete = DS_PANEL_CMD_DELETE;
    static constexpr UINT kCmdNewFolder = 32780;
    static constexpr UINT kCmdUpload = DS_PANEL_CMD_UPLOAD;
    static constexpr UINT kCmdDeleteFolder = 32782;
    static constexpr UINT kCmdRefresh = DS_PANEL_CMD_REFRESH;
    static constexpr UINT kCmdDownloadTo = DS_PANEL_CMD_DOWNLOAD_TO;

    // The upload command: checks, the open dialog, the task and its transfer row. Also the
    // host's upload request.
    void OnUploadFile();
    // When the upload command is enabled: the upload right and a server that answers.
    bool AcceptsUploads() const;
    // Files dropped on the panel: uploaded one by one in their order, each through the upload
    // command's checks and questions into the folder it uses; folders are refused.
    void UploadFiles(const std::vector<std::string>& paths);
    // The refresh command: a server check that lists the root once the server answers.
    void OnRefreshFolder();
    // Runs a menu command as if chosen from its menu; false when it is disabled or this list
    // does not have it.
    bool RunCommand(UINT nID);

    // "1.50 KB", "1023.00 Byte": the size column's text.
    static std::string SizeText(uint64_t ullLength);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnListCreated() override;
    bool OnCommand(UINT nID) override;
    void SortRows(int nCol, bool bAscending) override;
    bool IsOnClickableCell(int nRow, POINT pt) const override;
    void OnCellClick(int nRow, POINT pt) override;
    void OnRowContextMenu(int nRow, POINT pt) override;
    std::string OnGetItemText(int nItem, int nSubItem) const override;
    // A cut text whole; a button's name, or "No permission" without the right.
    std::string OnGetItemTip(int nItem, int nSubItem) const override;
    bool OnUpdateCommandUI(CCmdUI* pCmdUI) override;
    bool TakesDroppedFiles() const override { return AcceptsUploads(); }
    void OnFilesDropped(const std::vector<std::string>& paths) override { UploadFiles(paths); }

private:
    // Creation and the root.
    void InitRoot();
    void ListRoot();

    // Records of method 1.
    static std::unique_ptr<DSItemInfo> MakeEntry(const ds::ListingEntryRecord& record);
    void AddEntry(IDataRecord* pData);
    void AddRow(const ds::ListingEntryRecord& record);
    void AddEntries(IDataRecord* pData);
    void UpdateEntry(IDataRecord* pData);
    void ClearList();
    void OnNotifyRefreshDir(IDataRecord* pData);
    void OnListingFinished(IDataRecord* pData);
    void OnTimer(UINT_PTR nIDEvent);
    void RunMeetingWork(const CMeetingPacer::Work& work);

    // Commands (DSDirListCommands.cpp); they act on every selected file.
    const DSItemInfo* SelectedEntry() const;
    std::vector<DSItemInfo> SelectedFiles() const;
    void OnDelete();
    void OnDownload();
    void OnDownloadTo();
    void OnRowsActivated() override;
    void OnListKey(UINT nKey) override;
    bool OnRowDoubleClick() override;
    struct Target {
        DSItemInfo entry;
        std::string local;
    };
    // Steps shared by Download and Download to, from the "File downloading." check on.
    void StartDownloads(std::vector<Target> targets);
    bool IsBeingDownloaded(const std::string& remote) const;
    // Steps of an upload: the space check before a file is chosen, and everything after it.
    bool RoomBeforeUpload();
    void UploadChosenFile(const std::string& local);
    bool UploadChecksPass(const std::string& local, const std::string& name, uint64_t& length);
    void StartUpload(const std::string& local, const std::string& remote, uint64_t length);

    // Painting.
    void PaintCells(CDC* pDC, int nRow, COLORREF clrText) override;
    int IconOfRow(int nRow) const override;
    int LastTextColumn() const override { return kColDownload; }
    void PaintButton(CDC* pDC, int nItem, int nCol, COLORREF clrText);

    CBitmap m_bmpDownload;
    CBitmap m_bmpDownloadHover;
    CBitmap m_bmpDelete;
    CBitmap m_bmpDeleteHover;
    CPanelController* m_pController = nullptr;
    CDocShelfFileList* m_pFileList = nullptr;
    std::unique_ptr<DSItemInfo> m_pRoot;
    // Every row's entry; the rows hold them as item data.
    std::vector<std::unique_ptr<DSItemInfo>> m_Entries;
    UINT_PTR m_nRetryTimer = 0;
    CMeetingPacer m_MeetingPacer;
    IMXCCItfMgr* m_pItfMgr = nullptr;
};
