// SPDX-License-Identifier: Apache-2.0
// The component's main object: the only implementation of IDocShelfItf, and the port through
// which the engine and the panel reach the settings, the host and each other.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>

#include "EnginePort.h"
#include "IDocShelfContainerItf.h"
#include "IDocShelfItf.h"
#include "PanelPort.h"

class CDocShelfView;
class CDSDirListCtrl;
class IDataFactory;
class IDataRecord;

class CDocShelfMgr final : public IDocShelfItf, public IEnginePort, public IPanelPort {
public:
    CDocShelfMgr();
    ~CDocShelfMgr() override;

    // IDocShelfItf
    int32_t SetParentWnd(HWND hWnd) override;
    int32_t Init() override;
    int32_t RefreshRoot() override;
    void DSInit(const char* pszHost, int32_t nPort, const char* pszServerDir) override;
    void SetLocalDirectory(const char* pszPath) override;
    int32_t SetUserAuth(const char* pszUser, const char* pszPassword) override;
    void SetRights(uint32_t dwRights) override;
    void ClearServerSpace() override;
    int32_t ClearLocalDSSpace() override;
    void SetSizeLimits(uint64_t ullMaxUploadSize, uint64_t ullTotalSpace) override;
    void EnableAutoDownload() override;
    void OnBroadcastMessage(const char* pszText) override;
    void SetAuthorName(const char* pszName) override;
    void SetUserRole(uint16_t wRole) override;
    void EnsureDirectory(const char* pszPath) override;
    void ListDirectoryContent(const char* pszPath, int32_t nValue, int32_t nUserData) override;
    void UploadFile(const char* pszLocalPath, const char* pszServerPath, int32_t nModuleData,
                    int32_t nUserData) override;
    void DownloadFile(const char* pszLocalPath, const char* pszServerPath, int32_t nModuleData,
                      int32_t nUserData) override;
    void CheckServer() override;
    void RunUploadCommand() override;
    void RunRefreshCommand() override;
    void ClearTransferList() override;
    int32_t GetActiveTransferCount() override;
    // The transfer the host's latest UploadFile or DownloadFile started, 0 for none.
    uint32_t GetLastTaskId() const { return m_nLastTaskId; }

    // For the other parts of the component.
    CDocShelfView* GetView() const { return m_pView.get(); }
    CDSDirListCtrl* GetDirListCtrl() const;
    HWND GetParentWnd() const { return m_hParentWnd; }
    IDataRecord* CreateDataRecord() override;
    IDocShelfContainerItf* GetHostContainer() override;
    // Worker threads read the settings while the host may change them: texts are copied
    // under the lock, numbers are atomic.
    NetworkLimits GetNetworkLimits() const override { return NetworkLimits{}; }
    std::string GetLocalDirectory() const override;
    int CanDownload() const override { return (m_dwRights & DS_RIGHT_DOWNLOAD) ? 1 : 0; }
    int CanUpload() const override { return (m_dwRights & DS_RIGHT_UPLOAD) ? 1 : 0; }
    int CanList() const override { return (m_dwRights & DS_RIGHT_LIST) ? 1 : 0; }
    int CanDelete() const override { return (m_dwRights & DS_RIGHT_DELETE) ? 1 : 0; }
    uint64_t GetMaxUploadSize() const override { return m_ullMaxUploadSize; }
    uint64_t GetTotalSpace() const override { return m_ullTotalSpace; }
    int IsAutoDownload() const override { return m_bAutoDownload ? 1 : 0; }
    std::string GetAuthorName() const override;
    uint16_t GetUserRole() const override { return m_wUserRole; }
    int IsLocalCleanupDone() const override { return m_bLocalCleanupDone ? 1 : 0; }
    void SetLocalCleanupDone() override { m_bLocalCleanupDone = 1; }
    void AddActiveTransfer() override;
    void RemoveActiveTransfer() override;
    int ShowMessage(const char* pszText, unsigned int nStyle) override;
    // Any thread: the directory list's status after a server check, and its window disabled
    // while the work thread rebuilds its rows.
    void OnServerAvailable(bool bAvailable) override;
    void EnableDirList(bool bEnable) override;
    // User-interface thread: the list drawn again (rights or rows changed).
    void InvalidateDirList() override;
    // Any thread: hands a record to the view, or releases it when there is none.
    void PostToView(IDataRecord* pData) override;
    // After ReleaseComp: the view goes and the next InitComp starts a component afresh.
    void Reset();

    static std::string FormatSize(uint64_t ullBytes);
    static std::string ToServerPath(const char* pszPath);

private:
    HWND m_hParentWnd = nullptr;
    // Guards the view's lifetime against posting threads.
    mutable std::shared_mutex m_ViewLock;
    std::unique_ptr<CDocShelfView> m_pView;
    IDataFactory* m_pDataFactory = nullptr;
    mutable std::mutex m_SettingsLock;
    std::string m_LocalSavePath;
    std::string m_AuthorName;
    std::atomic<uint32_t> m_dwRights{0};
    std::atomic<uint64_t> m_ullMaxUploadSize{0};
    std::atomic<uint64_t> m_ullTotalSpace{0};
    std::atomic<int32_t> m_bAutoDownload{0};
    std::atomic<uint16_t> m_wUserRole{0};
    std::atomic<int32_t> m_bLocalCleanupDone{0};
    // Between ReleaseComp and the next Init the host is not called.
    std::atomic<bool> m_bReleased{false};
    mutable std::mutex m_Lock;
    int32_t m_nActiveTransfers = 0;
    uint32_t m_nLastTaskId = 0; // of the host's latest UploadFile or DownloadFile
};

// The singleton, created on first call.
CDocShelfMgr* GetDocShelfMgr();
