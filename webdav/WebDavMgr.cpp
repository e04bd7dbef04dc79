// SPDX-License-Identifier: Apache-2.0
#include "WebDavMgr.h"

#include <tuple>

#include <memory>
#include <sys/stat.h>

#include <libxml/parser.h>
#include <ne_socket.h>

#include "CoreLib.h"
#include "DSProtocol.h"
#include "DownloadLog.h"
#include "EnginePort.h"
#include "LocalCommit.h"
#include "RecordUtil.h"
#include "Records.h"
#include "ResultPost.h"
#include "Trace.h"
#include "TransferSessions.h"
#include "WatchedSession.h"

namespace {

constexpr const char* kFile = "WebDavMgr";
constexpr size_t kMaxHost = 99;
constexpr size_t kMaxServerDir = 258;
constexpr size_t kMaxCredential = 99;
// A silent server ends a request within these; the host's own limits sit above them.
// Shutdown waits this long for the directory work queued before it.
constexpr unsigned kStopWaitMs = 5000;

std::string Cut(const char* text, size_t max) {
    std::string s = text != nullptr ? text : "";
    if (s.size() > max) {
        s.resize(max);
    }
    return s;
}

// Why the security settings cannot be taken, or null; the pin comes back normalised.
const char* SecurityRefusal(bool bHttps, const std::string& caFile, const std::string& pin,
                            std::string& fingerprint) {
    if (bHttps && !CanSpeakTls()) {
        return "this neon has no TLS";
    }
    if (!pin.empty() && !NormalizeFingerprint(pin, fingerprint)) {
        return "the pin is not a SHA-256 fingerprint";
    }
    if (!caFile.empty() && !IsReadableCertificate(caFile)) {
        return "the CA file holds no readable certificate";
    }
    return nullptr;
}

} // namespace

bool ServerSettings::SameConnection(const ServerSettings& other) const {
    const auto key = [](const ServerSettings& s) {
        return std::tie(s.host, s.port, s.userName, s.password, s.limits.connectSeconds,
                        s.limits.readSeconds, s.limits.listingSeconds, s.transport.https,
                        s.transport.caFile, s.transport.pinSha256, s.transport.refuseBasicInClear);
    };
    return key(*this) == key(other);
}

CWebDavMgr* GetWebDavMgr() {
    static CWebDavMgr s_mgr;
    return &s_mgr;
}

namespace {

// Transfers at once. Each keeps its connection (CTransferSessions), and the work thread shares
// them: at most this many connections and one more serve a burst of transfers. Measured through
// bench/network at a round trip of 100 ms, 200 files of 10 KB: 4 take 1.02 times curl's time
// with 8 at once, 5 take 0.85 times, 8 take 0.60 times with 8 connections.
constexpr int32_t kTransferWorkers = 5;

} // namespace

CWebDavMgr::CWebDavMgr() {
    ne_sock_init();
    // libxml2 sets up its global state lazily, which is not safe when the first parses happen
    // on several transfer threads at once; do it here, before any thread runs.
    xmlInitParser();
    m_pTaskMgr = CreateTaskMgr();
    if (m_pTaskMgr != nullptr) {
        m_pTaskMgr->InitTaskMgr(kTransferWorkers);
    }
    if (m_pDataFactory == nullptr) {
        m_pDataFactory = GetDataFactory(1);
    }
}

CWebDavMgr::~CWebDavMgr() = default;

IDataRecord* CWebDavMgr::CreateDataRecord() {
    return m_pDataFactory != nullptr ? m_pDataFactory->CreateDataRecord() : nullptr;
}

void CWebDavMgr::Init(const char* pszHost, int32_t nPort, const char* pszServerDir) {
    TraceInfo("dshelf - CWebDavMgr::Init(%s,%d,%s)", pszHost ? pszHost : "", nPort,
              pszServerDir ? pszServerDir : "");
    // Called once by design; a second call must not change the settings under a running
    // work thread, so that thread finishes its queue first.
    if (m_Thread.IsRunning()) {
        m_Thread.Stop(1, kStopWaitMs);
    }
    std::string dir = Cut(pszServerDir, kMaxServerDir);
    if (dir.empty() || dir.back() != '/') {
        dir.push_back('/');
    }
    {
        std::lock_guard<std::mutex> lock(m_SettingsLock);
        m_Settings.host = Cut(pszHost, kMaxHost);
        m_Settings.port = nPort;
        m_Settings.serverDir = dir;
    }
    // A component created again after a shutdown starts where a new one would.
    m_bShutDown = false;
    m_bServerAvailable = 0;
    if (m_pTaskMgr != nullptr) {
        m_pTaskMgr->InitTaskMgr(kTransferWorkers);
    }
    if (!m_Thread.Start()) {
        // A body an earlier shutdown abandoned is still blocked, or no thread was to be had.
        TraceError("dshelf - CWebDavMgr::Init() the work thread could not start");
    }
    CheckServer(0);
}

int32_t CWebDavMgr::SetUserAuth(const char* pszUser, const char* pszPassword) {
    std::lock_guard<std::mutex> lock(m_SettingsLock);
    m_Settings.userName = Cut(pszUser, kMaxCredential);
    m_Settings.password = Cut(pszPassword, kMaxCredential);
    return 0;
}

bool CWebDavMgr::SetServerSecurity(bool bHttps, const std::string& caFile, const std::string& pin) {
    std::string fingerprint;
    if (const char* why = SecurityRefusal(bHttps, caFile, pin, fingerprint)) {
        TraceError("dshelf - CWebDavMgr::SetServerSecurity() refused: %s", why);
        return false;
    }
    {
        std::lock_guard<std::mutex> lock(m_SettingsLock);
        m_Settings.transport.https = bHttps;
        m_Settings.transport.caFile = caFile;
        m_Settings.transport.pinSha256 = fingerprint;
    }
    TransportFailures().Clear();
    return true;
}

void CWebDavMgr::SetRefuseBasicInClear(bool bRefuse) {
    std::lock_guard<std::mutex> lock(m_SettingsLock);
    m_Settings.transport.refuseBasicInClear = bRefuse;
}

void CWebDavMgr::ResetTransport() {
    {
        std::lock_guard<std::mutex> lock(m_SettingsLock);
        m_Settings.transport = TransportSettings();
    }
    TransportFailures().Clear();
}

ServerSettings CWebDavMgr::GetSettings() const {
    ServerSettings settings;
    {
        std::lock_guard<std::mutex> lock(m_SettingsLock);
        settings = m_Settings;
    }
    if (IEnginePort* pPort = GetEnginePort()) {
        settings.limits = pPort->GetNetworkLimits();
    }
    return settings;
}

std::string CWebDavMgr::GetServerDir() const {
    std::lock_guard<std::mutex> lock(m_SettingsLock);
    return m_Settings.serverDir;
}

ITask* CWebDavMgr::CreateTransfer(uint32_t dwMethod, const char* pszServerPath,
                                  const char* pszLocalPath, int32_t bStartNow, int32_t nAddRefFlag,
                                  const int lines[4]) {
    DS_CHECK_RETURN(m_pTaskMgr != nullptr, kFile, lines[0], "m_pTaskMgr", nullptr);
    TraceInfo(dwMethod == ds::kWorkUpload ? "dshelf - CWebDavMgr::UploadFile(%s,%s,%d)"
                                          : "dshelf - CWebDavMgr::DownloadFile(%s,%s,%d)",
              pszServerPath ? pszServerPath : "", pszLocalPath ? pszLocalPath : "", bStartNow);
    if (pszLocalPath == nullptr || pszLocalPath[0] != '/') {
        // Never relative to whatever the process's working directory is.
        TraceError("dshelf - CWebDavMgr::%s(); the local path \"%s\" is not absolute: refused",
                   dwMethod == ds::kWorkUpload ? "UploadFile" : "DownloadFile",
                   pszLocalPath ? pszLocalPath : "");
        return nullptr;
    }
    ITask* pTask = m_pTaskMgr->CreateTask();
    DS_CHECK_RETURN(pTask != nullptr, kFile, lines[1], "pTask", nullptr);
    pTask->SetSink(static_cast<ITaskSink*>(&m_Sink));
    IJob* pJob = pTask->GetJob();
    DS_CHECK_RETURN(pJob != nullptr, kFile, lines[2], "pJob", nullptr);
    pJob->SetSink(static_cast<IJobSink*>(&m_Sink));
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, lines[3], "pContainer", nullptr);
    pJob->SetContainer(pRec);
    pRec->SetMethod(dwMethod);
    rec::SetStr(pRec, ds::key::FullPath, MakeServerPath(pszServerPath ? pszServerPath : ""));
    rec::SetStr(pRec, ds::key::LocalFilePathName, pszLocalPath ? pszLocalPath : "");
    rec::SetU32(pRec, ds::key::AddRefFlag, static_cast<uint32_t>(nAddRefFlag));
    if (dwMethod == ds::kWorkDownload) {
        // A task may wait its turn for minutes: what the user saves there meanwhile is theirs.
        const LocalTarget target = LocalTarget::At(pszLocalPath);
        pRec->SetData(ds::key::TargetAsAsked, &target, sizeof target);
    }
    if (bStartNow) {
        StartTask(pTask);
    }
    return pTask;
}

ITask* CWebDavMgr::UploadFile(const char* pszServerPath, const char* pszLocalPath,
                              int32_t bStartNow, int32_t nAddRefFlag) {
    static const int lines[4] = {301, 310, 314, 319};
    return CreateTransfer(ds::kWorkUpload, pszServerPath, pszLocalPath, bStartNow, nAddRefFlag,
                          lines);
}

ITask* CWebDavMgr::DownloadFile(const char* pszServerPath, const char* pszLocalPath,
                                int32_t bStartNow, int32_t nAddRefFlag) {
    static const int lines[4] = {347, 356, 360, 365};
    return CreateTransfer(ds::kWorkDownload, pszServerPath, pszLocalPath, bStartNow, nAddRefFlag,
                          lines);
}

void CWebDavMgr::MarkBackground(ITask* pTask) {
    IJob* pJob = pTask != nullptr ? pTask->GetJob() : nullptr;
    if (IDataRecord* pJR = pJob != nullptr ? pJob->GetContainer() : nullptr) {
        rec::SetU32(pJR, ds::key::Background, 1);
    }
}

void CWebDavMgr::FetchChatFilterFile(bool bOnlyIfMissing) {
    const std::string localDir = GetEnginePort()->GetLocalDirectory();
    if (localDir.empty()) {
        TraceInfo("dshelf - CWebDavMgr::FetchChatFilterFile() no local directory");
        return;
    }
    const std::string local = localDir + kChatFilterFileName;
    struct stat st;
    if (bOnlyIfMissing && ::stat(local.c_str(), &st) == 0) {
        return;
    }
    // Anyone in the meeting can announce the file: a copy of the user's own is never replaced.
    if (!CDownloadLog::MayReplace(localDir, kChatFilterFileName)) {
        TraceError("dshelf - CWebDavMgr::FetchChatFilterFile() %s is not the component's own, "
                   "left alone",
                   local.c_str());
        return;
    }
    // Every announcement asks for the file; a fetch that waits unstarted answers them all.
    if (const uint32_t waiting = m_nChatFilterTask.load();
        waiting != 0 && CThreadSink::Transfers().IsWaiting(waiting)) {
        TraceInfo("dshelf - CWebDavMgr::FetchChatFilterFile() a fetch waits already");
        return;
    }
    const std::string remote = std::string(kPresenterFolder) + kChatFilterFileName;
    if (ITask* pTask = DownloadFile(remote.c_str(), local.c_str(), 0, 0)) {
        m_nChatFilterTask = pTask->GetTaskID();
        StartTask(pTask);
    }
}

bool CWebDavMgr::AttachTaskRecord(ITask* pTask, int32_t nModuleData, int32_t nUserData) {
    IDataRecord* pRecord = GetEnginePort()->CreateDataRecord();
    if (pTask == nullptr || pRecord == nullptr) {
        return false;
    }
    pTask->SetTaskRecord(pRecord);
    pRecord->SetData(ds::key::ModuleData, &nModuleData, sizeof nModuleData);
    pRecord->SetData(ds::key::UserData, &nUserData, sizeof nUserData);
    return true;
}

void CWebDavMgr::StartTask(ITask* pTask) {
    if (m_pTaskMgr == nullptr || pTask == nullptr) {
        return;
    }
    // Known before it can run, so that its job finds itself.
    m_Sink.Transfers().Add(pTask);
    if (m_pTaskMgr->SubmitTask(pTask) == 0) {
        m_Sink.Transfers().Remove(pTask->GetTaskID());
    }
}

bool CWebDavMgr::CancelTransfer(uint32_t taskId) {
    const bool bFound = m_Sink.Transfers().Cancel(taskId);
    TraceInfo("dshelf - CWebDavMgr::CancelTransfer(%u) %s", taskId,
              bFound ? "cancelled" : "no such transfer");
    return bFound;
}

bool CWebDavMgr::IsBusy() {
    // Results still on their way to the panel count: the rows they add are not shown yet.
    return m_Thread.IsBusy() || (m_pTaskMgr != nullptr && m_pTaskMgr->GetPendingTaskCount() > 0) ||
           AreWorkResultsPending();
}

void CWebDavMgr::MoveFile(const char* pszFrom, const char* pszTo, uint32_t dwUserData) {
    if (!IsServerAvailable()) {
        return;
    }
    TraceInfo("dshelf - CWebDavMgr::MoveFile(%s,%s,%u)", pszFrom ? pszFrom : "", pszTo ? pszTo : "",
              dwUserData);
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 396, "pContainer");
    pRec->SetMethod(ds::kWorkMove);
    rec::SetStr(pRec, ds::key::FullPathFrom, MakeServerPath(pszFrom ? pszFrom : ""));
    rec::SetStr(pRec, ds::key::FullPathTo, MakeServerPath(pszTo ? pszTo : ""));
    rec::SetU32(pRec, ds::key::InternalUserData, dwUserData);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::DeleteFile(const char* pszPath, uint32_t dwUserData) {
    if (!IsServerAvailable()) {
        return;
    }
    TraceInfo("dshelf - CWebDavMgr::DeleteFile(%s,%u)", pszPath ? pszPath : "", dwUserData);
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 436, "pContainer");
    pRec->SetMethod(ds::kWorkDelete);
    rec::SetStr(pRec, ds::key::FullPath, MakeServerPath(pszPath ? pszPath : ""));
    rec::SetU32(pRec, ds::key::InternalUserData, dwUserData);
    m_Thread.PushWork(pRec);
}

// A listing's work item for a folder, or null when the user may not list.
IDataRecord* CWebDavMgr::MakeListing(uint32_t method, const char* pszFolder) {
    if (!GetEnginePort()->CanList()) {
        return nullptr;
    }
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 476, "pContainer", nullptr);
    const std::string folder = pszFolder != nullptr ? pszFolder : "";
    std::string full = MakeServerPath(folder);
    if (full.empty() || full.back() != '/') {
        full.push_back('/');
    }
    pRec->SetMethod(method);
    rec::SetStr(pRec, ds::key::RelatePath, folder);
    rec::SetStr(pRec, ds::key::FullPath, full);
    return pRec;
}

void CWebDavMgr::ListDirectory(const char* pszPath, uint32_t dwUserData, uint32_t dwDepth,
                               const char* pszUserDataName) {
    DS_CHECK_RETURN(pszUserDataName != nullptr, kFile, 472, "UserDataName");
    IDataRecord* pRec = MakeListing(ds::kWorkList, pszPath);
    if (pRec == nullptr) {
        return;
    }
    rec::SetU32(pRec, pszUserDataName, dwUserData);
    rec::SetU32(pRec, ds::key::Depth, dwDepth);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::ListOrMakeDirectory(const char* pszPath, uint32_t dwUserData) {
    IDataRecord* pRec = MakeListing(ds::kWorkList, pszPath);
    if (pRec == nullptr) {
        return;
    }
    rec::SetU32(pRec, ds::key::InternalUserData, dwUserData);
    rec::SetU32(pRec, ds::key::Depth, 2);
    rec::SetU32(pRec, ds::key::MakeMissing, 1);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::ListEntry(const char* pszFolder, const std::string& name, uint32_t dwUserData) {
    IDataRecord* pRec = MakeListing(ds::kWorkListEntry, pszFolder);
    if (pRec == nullptr) {
        return;
    }
    rec::SetStr(pRec, ds::key::EntryName, name);
    rec::SetU32(pRec, ds::key::InternalUserData, dwUserData);
    rec::SetU32(pRec, ds::key::Depth, 2);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::MakeDirectory(const char* pszPath, uint32_t dwUserData) {
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 514, "pContainer");
    pRec->SetMethod(ds::kWorkMakeFolder);
    rec::SetStr(pRec, ds::key::FullPath, MakeServerPath(pszPath ? pszPath : ""));
    rec::SetU32(pRec, ds::key::InternalUserData, dwUserData);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::MakeServerDirectory(const char* pszPath) {
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 541, "pContainer");
    pRec->SetMethod(ds::kWorkMakeFolder);
    rec::SetStr(pRec, ds::key::FullPath, pszPath ? pszPath : "");
    rec::SetU32(pRec, ds::key::InternalUserData, 0);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::MakeBaseFolders() {
    const std::string parent = ParentOfServerDir(GetServerDir());
    if (!parent.empty()) {
        MakeServerDirectory(parent.c_str());
    }
    MakeDirectory("/", 0);
}

void CWebDavMgr::DeleteDirectory(const char* pszPath, uint32_t dwUserData) {
    if (!IsServerAvailable()) {
        return;
    }
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 560, "pContainer");
    pRec->SetMethod(ds::kWorkDelete);
    rec::SetStr(pRec, ds::key::FullPath, MakeServerPath(pszPath ? pszPath : "") + "/");
    rec::SetU32(pRec, ds::key::InternalUserData, dwUserData);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::ClearServerSpace() {
    if (!IsServerAvailable()) {
        return;
    }
    DeleteDirectory("", 0);
}

void CWebDavMgr::CheckServer(uint32_t bAutoRefresh) {
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 828, "pContainer");
    pRec->SetMethod(ds::kWorkCheckServer);
    rec::SetU32(pRec, ds::key::AutoRefresh, bAutoRefresh);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::SetServerAvailable(int32_t bAvailable) {
    if (IsShutDown()) {
        return;
    }
    m_bServerAvailable = bAvailable;
    GetEnginePort()->OnServerAvailable(bAvailable != 0);
    if (IDocShelfContainerItf* pHost = GetEnginePort()->GetHostContainer()) {
        pHost->OnServerState(bAvailable);
    }
}

uint32_t CWebDavMgr::Shutdown() {
    // Work blocked on a silent server is not waited for: it ends with the read timeout and,
    // seeing the shutdown, reports to nobody.
    m_bShutDown = true;
    m_Thread.Stop(1, kStopWaitMs);
    // Transfers are cancelled rather than waited for.
    m_Sink.Transfers().CancelAll();
    uint32_t result = m_pTaskMgr != nullptr ? m_pTaskMgr->StopTaskMgr() : 0;
    m_Sink.Transfers().Clear();
    m_bServerAvailable = 0;
    CTransferSessions::Instance().Clear();
    StopSessionWatchdog();
    return result;
}

void CWebDavMgr::OnNotify(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 593, "pData");
    uint32_t sub = 0;
    if (!rec::GetU32(pData, ds::key::SubMethod, sub)) {
        return;
    }
    switch (sub) {
    case ds::kListDone:
        OnListDone(pData);
        break;
    case ds::kDeleteDone:
        OnDeleteDone(pData);
        break;
    case ds::kMakeFolderDone:
        OnMakeDirDone(pData);
        break;
    case ds::kDownloadDone:
        OnFileDownloadDone(pData);
        break;
    case ds::kUploadDone:
        OnFileUploadDone(pData);
        break;
    default:
        break;
    }
}

void CWebDavMgr::OnListDone(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 632, "pData");
    GetEnginePort()->InvalidateDirList();
    const ds::ListingDoneRecord done = ds::ReadListingDone(pData);
    // A listing that failed says nothing about what the folder holds.
    if (done.listResult == ds::kListOk &&
        EqualsNoCase(ToRelativePath(done.fullPath), kPresenterFolder)) {
        if (IDocShelfContainerItf* pHost = GetEnginePort()->GetHostContainer()) {
            pHost->NotifyPresenterFiles(static_cast<int32_t>(done.hasVisibleFile));
        }
    }
}

void CWebDavMgr::RelistParent(IDataRecord* pData) {
    std::string path = rec::GetStr(pData, ds::key::FullPath);
    uint32_t hItem = 0;
    rec::GetU32(pData, ds::key::Item, hItem);
    ListDirectory(ToRelativePath(GetParentPath(path)).c_str(), hItem, 2, ds::key::InternalUserData);
}

void CWebDavMgr::OnDeleteDone(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 657, "pData");
    RelistParent(pData);
    if (EqualsNoCase(GetPathName(rec::GetStr(pData, ds::key::FullPath)), kChatFilterFileName)) {
        if (IDocShelfContainerItf* pHost = GetEnginePort()->GetHostContainer()) {
            pHost->SetChatFilterFile("");
        }
    }
}

void CWebDavMgr::OnMakeDirDone(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 683, "pData");
    RelistParent(pData);
}

void CWebDavMgr::OnFileDownloadDone(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 698, "pData");
    IEnginePort* pShelf = GetEnginePort();
    std::string name = rec::GetStr(pData, ds::key::LocalFileName);
    // Only a file that arrived is handed over: a failed download leaves no local copy.
    uint32_t dwChatResult = 0;
    if (EqualsNoCase(name, kChatFilterFileName) &&
        rec::GetU32(pData, ds::key::Result, dwChatResult) && dwChatResult == 0) {
        if (IDocShelfContainerItf* pHost = pShelf->GetHostContainer()) {
            pHost->SetChatFilterFile((pShelf->GetLocalDirectory() + name).c_str());
        }
    }
    uint32_t dwUserData = 0, dwModuleData = 0, dwResult = 0;
    if (!rec::GetU32(pData, ds::key::UserData, dwUserData) ||
        !rec::GetU32(pData, ds::key::ModuleData, dwModuleData)) {
        return;
    }
    std::string path = rec::GetStr(pData, ds::key::LocalFilePathName);
    if (!rec::GetU32(pData, ds::key::Result, dwResult)) {
        return;
    }
    if (dwModuleData != ds::kPanelModuleData) {
        if (IDocShelfContainerItf* pHost = pShelf->GetHostContainer()) {
            pHost->OnFileDownloaded(path.c_str(), static_cast<int32_t>(dwModuleData),
                                    static_cast<int32_t>(dwUserData),
                                    static_cast<int32_t>(dwResult));
        }
    }
}

void CWebDavMgr::OnFileUploadDone(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 752, "pData");
    uint32_t dwUserData = 0, dwModuleData = 0, dwResult = 0;
    if (!rec::GetU32(pData, ds::key::UserData, dwUserData)) {
        TraceError("dshelf - CWebDavMgr::OnFileUploadDone(); bRet = pData->GetData(dwUserData), "
                   "bRet = false");
        return;
    }
    if (!rec::GetU32(pData, ds::key::ModuleData, dwModuleData)) {
        TraceError("dshelf - CWebDavMgr::OnFileUploadDone(); bRet = "
                   "pData->GetData(dwModuleData), bRet = false");
        return;
    }
    std::string path = rec::GetStr(pData, ds::key::LocalFilePathName);
    if (!rec::GetU32(pData, ds::key::Result, dwResult)) {
        TraceError("dshelf - CWebDavMgr::OnFileUploadDone(); bRet = pData->GetData(dwResult), "
                   "bRet = false");
        return;
    }
    if (dwModuleData != ds::kPanelModuleData) {
        if (IDocShelfContainerItf* pHost = GetEnginePort()->GetHostContainer()) {
            pHost->OnFileUploaded(path.c_str(), static_cast<int32_t>(dwModuleData),
                                  static_cast<int32_t>(dwUserData), static_cast<int32_t>(dwResult));
        }
    }
}
