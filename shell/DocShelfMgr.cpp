// SPDX-License-Identifier: Apache-2.0
#include "DocShelfMgr.h"

#include <cstdio>
#include <strings.h>
#include <unistd.h>

#include "AfxPrompt.h"
#include "CodePage.h"
#include "CoreLib.h"
#include "DSDirListCtrl.h"
#include "DSProtocol.h"
#include "DocShelfFileList.h"
#include "DocShelfView.h"
#include "LocalTree.h"
#include "MeetingMessage.h"
#include "ResultPost.h"
#include "SizeText.h"
#include "Trace.h"
#include "WebDavMgr.h"

namespace {

constexpr const char* kPasswordMask = "******";

const char* Safe(const char* psz) {
    return psz != nullptr ? psz : "";
}

} // namespace

namespace {

// The ports are set as the component is loaded, before any of its threads runs.
[[maybe_unused]] const bool s_bPortsSet = GetDocShelfMgr() != nullptr;

} // namespace

CDocShelfMgr::CDocShelfMgr() = default;

CDocShelfMgr::~CDocShelfMgr() = default;

int32_t CDocShelfMgr::SetParentWnd(HWND hWnd) {
    m_hParentWnd = hWnd;
    return 0;
}

int32_t CDocShelfMgr::Init() {
    TraceInfo("dshelf - CDocShelfMgr::Init()");
    m_bReleased = false;
    if (m_pDataFactory == nullptr) {
        m_pDataFactory = GetDataFactory(1);
    }
    // One view per component: a second Init keeps the first.
    if (m_pView == nullptr) {
        auto pView = std::make_unique<CDocShelfView>();
        pView->SubclassWindow(m_hParentWnd);
        std::unique_lock<std::shared_mutex> lock(m_ViewLock);
        m_pView = std::move(pView);
    }
    return 0;
}

int32_t CDocShelfMgr::RefreshRoot() {
    TraceInfo("dshelf - CDocShelfMgr::RefreshRoot()");
    if (CDSDirListCtrl* pDirList = GetDirListCtrl()) {
        pDirList->RefreshRoot();
    }
    return 0;
}

void CDocShelfMgr::DSInit(const char* pszHost, int32_t nPort, const char* pszServerDir) {
    TraceInfo("dshelf - CDocShelfMgr::DSInit(%s,%d,%s)", Safe(pszHost), nPort, Safe(pszServerDir));
    GetWebDavMgr()->Init(pszHost, nPort, pszServerDir);
    if (m_pView != nullptr) {
        // The work thread already runs and may look for the directory list meanwhile.
        std::unique_lock<std::shared_mutex> lock(m_ViewLock);
        m_pView->CreateControls(GetItfMgr());
    }
    // A chat filter file left over from an earlier meeting. Without a local directory there is
    // no such file; a bare name would hit the process's current directory instead.
    const std::string localDir = GetLocalDirectory();
    if (!localDir.empty()) {
        unlink((localDir + kChatFilterFileName).c_str());
    }
}

void CDocShelfMgr::SetLocalDirectory(const char* pszPath) {
    TraceInfo("dshelf - CDocShelfMgr::SetLocalDirectory(%s)", Safe(pszPath));
    DS_CHECK_RETURN(pszPath != nullptr, "DocShelfMgr", 183, "LocalPath");
    std::string path = pszPath;
    if (!path.empty() && path.back() != '/') {
        path += '/';
    }
    {
        std::lock_guard<std::mutex> lock(m_SettingsLock);
        m_LocalSavePath = path;
    }
    SetWorkDirectory(path.c_str());
}

int32_t CDocShelfMgr::SetUserAuth(const char* pszUser, const char* pszPassword) {
    // The password never reaches a log.
    TraceInfo("dshelf - CDocShelfMgr::SetUserAuth(%s,%s)", Safe(pszUser), kPasswordMask);
    GetWebDavMgr()->SetUserAuth(pszUser, pszPassword);
    return 0;
}

void CDocShelfMgr::SetRights(uint32_t dwRights) {
    TraceInfo("dshelf - CDocShelfMgr::SetRights(%u)", dwRights);
    m_dwRights = dwRights;
    // The buttons are drawn for the rights.
    InvalidateDirList();
}

void CDocShelfMgr::ClearServerSpace() {
    TraceInfo("dshelf - CDocShelfMgr::ClearServerSpace()");
    GetWebDavMgr()->ClearServerSpace();
}

int32_t CDocShelfMgr::ClearLocalDSSpace() {
    const std::string localDir = GetLocalDirectory();
    TraceInfo("dshelf - CDocShelfMgr::ClearLocalDSSpace() m_LocalSavePath=%s", localDir.c_str());
    if (localDir.empty()) {
        return 1;
    }
    return RemoveLocalTree(localDir) ? 1 : 0;
}

void CDocShelfMgr::SetSizeLimits(uint64_t ullMaxUploadSize, uint64_t ullTotalSpace) {
    TraceInfo("dshelf - CDocShelfMgr::SetSizeLimits(%llu,%llu)",
              static_cast<unsigned long long>(ullMaxUploadSize),
              static_cast<unsigned long long>(ullTotalSpace));
    m_ullMaxUploadSize = ullMaxUploadSize;
    m_ullTotalSpace = ullTotalSpace;
}

void CDocShelfMgr::EnableAutoDownload() {
    TraceInfo("dshelf - CDocShelfMgr::EnableAutoDownload()");
    m_bAutoDownload = 1;
}

void CDocShelfMgr::OnBroadcastMessage(const char* pszText) {
    TraceInfo("dshelf - CDocShelfMgr::OnBroadcastMessage(%s)", Safe(pszText));
    std::string why;
    if (!ds::IsMeetingMessage(Safe(pszText), why)) {
        TraceError("dshelf - CDocShelfMgr::OnBroadcastMessage() message dropped: %s", why.c_str());
        return;
    }
    const bool bChatFilter = pszText != nullptr && strcasecmp(pszText, kChatFilterUploaded) == 0;
    if (CDSDirListCtrl* pDirList = GetDirListCtrl()) {
        pDirList->OnMeetingMessage(bChatFilter, ds::UploadNoticeName(Safe(pszText)));
    } else if (bChatFilter) {
        GetWebDavMgr()->FetchChatFilterFile(false);
    }
}

void CDocShelfMgr::SetAuthorName(const char* pszName) {
    TraceInfo("dshelf - CDocShelfMgr::SetAuthorName(%s)", Safe(pszName));
    std::lock_guard<std::mutex> lock(m_SettingsLock);
    m_AuthorName = Safe(pszName);
}

void CDocShelfMgr::SetUserRole(uint16_t wRole) {
    TraceInfo("dshelf - CDocShelfMgr::SetUserRole(%u)", static_cast<unsigned>(wRole));
    m_wUserRole = wRole;
    RefreshRoot();
}

void CDocShelfMgr::EnsureDirectory(const char* pszPath) {
    TraceInfo("dshelf - CDocShelfMgr::EnsureDirectory(%s)", Safe(pszPath));
    CWebDavMgr* pWebDav = GetWebDavMgr();
    pWebDav->MakeBaseFolders();
    std::string path = ToServerPath(pszPath);
    if (!path.empty() && path.front() == '/') {
        path.erase(0, 1);
    }
    size_t pos = 0;
    for (;;) {
        size_t next = path.find('/', pos + 1);
        pWebDav->MakeDirectory(path.substr(0, next).c_str(), 0);
        if (next == std::string::npos) {
            break;
        }
        pos = next;
    }
}

void CDocShelfMgr::ListDirectoryContent(const char* pszPath, int32_t nValue, int32_t nUserData) {
    TraceInfo("dshelf - CDocShelfMgr::ListDirectoryContent(%s,%d,%d)", Safe(pszPath), nValue,
              nUserData);
    GetWebDavMgr()->ListDirectory(ToServerPath(pszPath).c_str(), static_cast<uint32_t>(nUserData),
                                  2, ds::key::ApplicationUserData);
}

void CDocShelfMgr::UploadFile(const char* pszLocalPath, const char* pszServerPath,
                              int32_t nModuleData, int32_t nUserData) {
    TraceInfo("dshelf - CDocShelfMgr::UploadFile(%s,%s,%d,%d)", Safe(pszLocalPath),
              Safe(pszServerPath), nModuleData, nUserData);
    CWebDavMgr* pWebDav = GetWebDavMgr();
    ITask* pTask =
        pWebDav->UploadFile(ToServerPath(pszServerPath).c_str(), Safe(pszLocalPath), 0, 0);
    m_nLastTaskId = pTask != nullptr ? pTask->GetTaskID() : 0;
    if (pTask == nullptr) {
        return;
    }
    pWebDav->AttachTaskRecord(pTask, nModuleData, nUserData);
    pWebDav->StartTask(pTask);
}

void CDocShelfMgr::DownloadFile(const char* pszLocalPath, const char* pszServerPath,
                                int32_t nModuleData, int32_t nUserData) {
    TraceInfo("dshelf - CDocShelfMgr::DownloadFile(%s,%s,%d,%d)", Safe(pszLocalPath),
              Safe(pszServerPath), nModuleData, nUserData);
    CWebDavMgr* pWebDav = GetWebDavMgr();
    ITask* pTask =
        pWebDav->DownloadFile(ToServerPath(pszServerPath).c_str(), Safe(pszLocalPath), 0, 0);
    m_nLastTaskId = pTask != nullptr ? pTask->GetTaskID() : 0;
    if (pTask == nullptr) {
        return;
    }
    TraceInfo("dshelf - CDocShelfMgr::DownloadFile(%s,%s,%d,%d), pTask != NULL", Safe(pszLocalPath),
              Safe(pszServerPath), nModuleData, nUserData);
    if (pWebDav->AttachTaskRecord(pTask, nModuleData, nUserData)) {
        TraceInfo("dshelf - CDocShelfMgr::DownloadFile(%s,%s,%d,%d), pContainer != NULL",
                  Safe(pszLocalPath), Safe(pszServerPath), nModuleData, nUserData);
    }
    pWebDav->StartTask(pTask);
}

void CDocShelfMgr::CheckServer() {
    TraceInfo("dshelf - CDocShelfMgr::CheckServer()");
    GetWebDavMgr()->CheckServer(1);
}

void CDocShelfMgr::RunUploadCommand() {
    TraceInfo("dshelf - CDocShelfMgr::RunUploadCommand()");
    if (CDSDirListCtrl* pDirList = GetDirListCtrl()) {
        pDirList->OnUploadFile();
    }
}

void CDocShelfMgr::RunRefreshCommand() {
    TraceInfo("dshelf - CDocShelfMgr::RunRefreshCommand()");
    if (CDSDirListCtrl* pDirList = GetDirListCtrl()) {
        pDirList->OnRefreshFolder();
    }
}

void CDocShelfMgr::ClearTransferList() {
    TraceInfo("dshelf - CDocShelfMgr::ClearTransferList()");
    if (CDocShelfFileList* pFileList = m_pView != nullptr ? m_pView->GetFileList() : nullptr) {
        pFileList->ClearRows();
    }
}

int32_t CDocShelfMgr::GetActiveTransferCount() {
    std::lock_guard<std::mutex> guard(m_Lock);
    return m_nActiveTransfers;
}

CDSDirListCtrl* CDocShelfMgr::GetDirListCtrl() const {
    return m_pView != nullptr ? m_pView->GetDirListCtrl() : nullptr;
}

IDataRecord* CDocShelfMgr::CreateDataRecord() {
    return m_pDataFactory != nullptr ? m_pDataFactory->CreateDataRecord() : nullptr;
}

std::string CDocShelfMgr::GetLocalDirectory() const {
    std::lock_guard<std::mutex> lock(m_SettingsLock);
    return m_LocalSavePath;
}

std::string CDocShelfMgr::GetAuthorName() const {
    std::lock_guard<std::mutex> lock(m_SettingsLock);
    return m_AuthorName;
}

void CDocShelfMgr::OnServerAvailable(bool bAvailable) {
    std::shared_lock<std::shared_mutex> lock(m_ViewLock);
    if (CDSDirListCtrl* pDirList = GetDirListCtrl()) {
        pDirList->OnServerAvailable(bAvailable);
    }
}

void CDocShelfMgr::EnableDirList(bool bEnable) {
    std::shared_lock<std::shared_mutex> lock(m_ViewLock);
    if (CDSDirListCtrl* pDirList = GetDirListCtrl()) {
        pDirList->EnableWindow(bEnable);
    }
}

void CDocShelfMgr::InvalidateDirList() {
    if (CDSDirListCtrl* pDirList = GetDirListCtrl()) {
        pDirList->Invalidate(TRUE);
    }
}

void CDocShelfMgr::PostToView(IDataRecord* pData) {
    std::shared_lock<std::shared_mutex> lock(m_ViewLock);
    if (m_pView == nullptr) {
        ReleaseWorkResult(pData);
        return;
    }
    m_pView->PostWorkResult(pData);
}

void CDocShelfMgr::Reset() {
    m_bReleased = true;
    std::unique_ptr<CDocShelfView> pView;
    {
        std::unique_lock<std::shared_mutex> lock(m_ViewLock);
        pView = std::move(m_pView);
    }
    pView.reset();
    {
        std::lock_guard<std::mutex> lock(m_SettingsLock);
        m_LocalSavePath.clear();
        m_AuthorName.clear();
    }
    m_hParentWnd = nullptr;
    m_dwRights = 0;
    m_ullMaxUploadSize = 0;
    m_ullTotalSpace = 0;
    m_bAutoDownload = 0;
    m_wUserRole = 0;
    m_bLocalCleanupDone = 0;
    m_nLastTaskId = 0;
    std::lock_guard<std::mutex> guard(m_Lock);
    m_nActiveTransfers = 0;
}

IDocShelfContainerItf* CDocShelfMgr::GetHostContainer() {
    // After ReleaseComp the host may be gone: work that outlived the shutdown tells nobody.
    if (m_bReleased.load()) {
        return nullptr;
    }
    IMXCCItfMgr* itfMgr = GetItfMgr();
    if (itfMgr == nullptr) {
        return nullptr;
    }
    void* container = nullptr;
    itfMgr->QueryHostItf("IDocShelfContainerItf", &container);
    return static_cast<IDocShelfContainerItf*>(container);
}

void CDocShelfMgr::AddActiveTransfer() {
    std::lock_guard<std::mutex> guard(m_Lock);
    ++m_nActiveTransfers;
}

void CDocShelfMgr::RemoveActiveTransfer() {
    std::lock_guard<std::mutex> guard(m_Lock);
    --m_nActiveTransfers;
}

int CDocShelfMgr::ShowMessage(const char* pszText, unsigned int nStyle) {
    DS_CHECK_RETURN(m_pView != nullptr, "DocShelfMgr", 323, "m_pView", 0);
    // The component's display name, in the system code page like every other text.
    const std::string caption = afx::Utf8ToAnsi("资料书架");
    CWnd* owner = m_pView->GetTopLevelParent();
    return MessageBox(owner != nullptr ? owner->GetSafeHwnd() : nullptr, Safe(pszText),
                      caption.c_str(), nStyle);
}

std::string CDocShelfMgr::FormatSize(uint64_t ullBytes) {
    return SpaceSizeText(ullBytes);
}

std::string CDocShelfMgr::ToServerPath(const char* pszPath) {
    std::string path = Safe(pszPath);
    for (char& c : path) {
        if (c == '\\') {
            c = '/';
        }
    }
    return path;
}

CDocShelfMgr* GetDocShelfMgr() {
    static CDocShelfMgr instance;
    // The engine and the panel reach the component's manager only through their ports.
    [[maybe_unused]] static const bool s_bPorts =
        (SetEnginePort(&instance), SetPanelPort(&instance), true);
    return &instance;
}
