#include "WebDavMgr.h"

#include <memory>

#include <libxml/parser.h>
#include <ne_socket.h>

#include "CoreLib.h"
#include "DocShelfMgr.h"
#include "RecordUtil.h"
#include "Trace.h"

namespace {

constexpr const char* kFile = "WebDavMgr";
constexpr size_t kMaxHost = 99;
constexpr size_t kMaxServerDir = 258;
constexpr size_t kMaxCredential = 99;

std::string Cut(const char* text, size_t max) {
    std::string s = text != nullptr ? text : "";
    if (s.size() > max) {
        s.resize(max);
    }
    return s;
}

} // namespace

CWebDavMgr* GetWebDavMgr() {
    static CWebDavMgr s_mgr;
    return &s_mgr;
}

CWebDavMgr::CWebDavMgr() {
    ne_sock_init();
    // libxml2 sets up its global state lazily, which is not safe when the first parses happen
    // on several transfer threads at once; do it here, before any thread runs.
    xmlInitParser();
    m_pTaskMgr = CreateTaskMgr();
    if (m_pTaskMgr != nullptr) {
        m_pTaskMgr->InitTaskMgr(1);
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
        m_Thread.Stop(1, 50000);
    }
    m_Host = Cut(pszHost, kMaxHost);
    m_nPort = nPort;
    m_ServerDir = Cut(pszServerDir, kMaxServerDir);
    if (m_ServerDir.empty() || m_ServerDir.back() != '/') {
        m_ServerDir.push_back('/');
    }
    m_Thread.Start();
    CheckServer(0);
}

int32_t CWebDavMgr::SetUserAuth(const char* pszUser, const char* pszPassword) {
    m_UserName = Cut(pszUser, kMaxCredential);
    m_Password = Cut(pszPassword, kMaxCredential);
    return 0;
}

ITask* CWebDavMgr::CreateTransfer(uint32_t dwMethod, const char* pszServerPath,
                                  const char* pszLocalPath, int32_t bStartNow, int32_t nAddRefFlag,
                                  const int lines[4]) {
    DS_CHECK_RETURN(m_pTaskMgr != nullptr, kFile, lines[0], "m_pTaskMgr", nullptr);
    TraceInfo(dwMethod == WD_UPLOAD ? "dshelf - CWebDavMgr::UploadFile(%s,%s,%d)"
                                    : "dshelf - CWebDavMgr::DownloadFile(%s,%s,%d)",
              pszServerPath ? pszServerPath : "", pszLocalPath ? pszLocalPath : "", bStartNow);
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
    rec::SetStr(pRec, "FullPath", MakeServerPath(pszServerPath ? pszServerPath : ""));
    rec::SetStr(pRec, "LocalFilePathName", pszLocalPath ? pszLocalPath : "");
    rec::SetU32(pRec, "AddRefFlag", static_cast<uint32_t>(nAddRefFlag));
    if (bStartNow) {
        m_pTaskMgr->SubmitTask(pTask);
    }
    return pTask;
}

ITask* CWebDavMgr::UploadFile(const char* pszServerPath, const char* pszLocalPath,
                              int32_t bStartNow, int32_t nAddRefFlag) {
    static const int lines[4] = {301, 310, 314, 319};
    return CreateTransfer(WD_UPLOAD, pszServerPath, pszLocalPath, bStartNow, nAddRefFlag, lines);
}

ITask* CWebDavMgr::DownloadFile(const char* pszServerPath, const char* pszLocalPath,
                                int32_t bStartNow, int32_t nAddRefFlag) {
    static const int lines[4] = {347, 356, 360, 365};
    return CreateTransfer(WD_DOWNLOAD, pszServerPath, pszLocalPath, bStartNow, nAddRefFlag, lines);
}

void CWebDavMgr::StartTask(ITask* pTask) {
    if (m_pTaskMgr != nullptr && pTask != nullptr) {
        m_pTaskMgr->SubmitTask(pTask);
    }
}

void CWebDavMgr::MoveFile(const char* pszFrom, const char* pszTo, uint32_t dwUserData) {
    if (!IsServerAvailable()) {
        return;
    }
    TraceInfo("dshelf - CWebDavMgr::MoveFile(%s,%s,%u)", pszFrom ? pszFrom : "", pszTo ? pszTo : "",
              dwUserData);
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 396, "pContainer");
    pRec->SetMethod(WD_MOVE);
    rec::SetStr(pRec, "FullPathFrom", MakeServerPath(pszFrom ? pszFrom : ""));
    rec::SetStr(pRec, "FullPathTo", MakeServerPath(pszTo ? pszTo : ""));
    rec::SetU32(pRec, "InternalUserData", dwUserData);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::DeleteFile(const char* pszPath, uint32_t dwUserData) {
    if (!IsServerAvailable()) {
        return;
    }
    TraceInfo("dshelf - CWebDavMgr::DeleteFile(%s,%u)", pszPath ? pszPath : "", dwUserData);
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 436, "pContainer");
    pRec->SetMethod(WD_DELETE);
    rec::SetStr(pRec, "FullPath", MakeServerPath(pszPath ? pszPath : ""));
    rec::SetU32(pRec, "InternalUserData", dwUserData);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::ListDirectory(const char* pszPath, uint32_t dwUserData, uint32_t dwDepth,
                               const char* pszUserDataName) {
    if (!GetDocShelfMgr()->CanList()) {
        return;
    }
    DS_CHECK_RETURN(pszUserDataName != nullptr, kFile, 472, "UserDataName");
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 476, "pContainer");
    std::string path = pszPath ? pszPath : "";
    std::string full = MakeServerPath(path);
    if (full.empty() || full.back() != '/') {
        full.push_back('/');
    }
    pRec->SetMethod(WD_LIST);
    rec::SetStr(pRec, "RelatePath", path);
    rec::SetStr(pRec, "FullPath", full);
    rec::SetU32(pRec, pszUserDataName, dwUserData);
    rec::SetU32(pRec, "dwDepth", dwDepth);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::MakeDirectory(const char* pszPath, uint32_t dwUserData) {
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 514, "pContainer");
    pRec->SetMethod(WD_MKCOL);
    rec::SetStr(pRec, "FullPath", MakeServerPath(pszPath ? pszPath : ""));
    rec::SetU32(pRec, "InternalUserData", dwUserData);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::MakeServerDirectory(const char* pszPath) {
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 541, "pContainer");
    pRec->SetMethod(WD_MKCOL);
    rec::SetStr(pRec, "FullPath", pszPath ? pszPath : "");
    rec::SetU32(pRec, "InternalUserData", 0);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::DeleteDirectory(const char* pszPath, uint32_t dwUserData) {
    if (!IsServerAvailable()) {
        return;
    }
    IDataRecord* pRec = CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 560, "pContainer");
    pRec->SetMethod(WD_DELETE);
    rec::SetStr(pRec, "FullPath", MakeServerPath(pszPath ? pszPath : "") + "/");
    rec::SetU32(pRec, "InternalUserData", dwUserData);
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
    pRec->SetMethod(WD_CHECK_SERVER);
    rec::SetU32(pRec, "bIsAutoRefresh", bAutoRefresh);
    m_Thread.PushWork(pRec);
}

void CWebDavMgr::SetServerAvailable(int32_t bAvailable) {
    m_bServerAvailable = bAvailable;
    // The directory list, once it exists, shows the state: OnServerAvailable(bAvailable != 0).
    if (IDocShelfContainerItf* pHost = GetDocShelfMgr()->GetHostContainer()) {
        pHost->OnServerState(bAvailable);
    }
}

uint32_t CWebDavMgr::Shutdown() {
    m_Thread.Stop(1, 50000);
    return m_pTaskMgr != nullptr ? m_pTaskMgr->StopTaskMgr() : 0;
}

void CWebDavMgr::OnNotify(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 593, "pData");
    uint32_t sub = 0;
    if (!rec::GetU32(pData, "SubMethod", sub)) {
        return;
    }
    switch (sub) {
    case 1:
        OnListDone(pData);
        break;
    case 2:
        OnDeleteDone(pData);
        break;
    case 3:
        OnMakeDirDone(pData);
        break;
    case 4:
        OnFileDownloadDone(pData);
        break;
    case 5:
        OnFileUploadDone(pData);
        break;
    default:
        break;
    }
}

void CWebDavMgr::OnListDone(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 632, "pData");
    // The directory list, once it exists, is repainted here: Invalidate(TRUE).
    std::string rel = ToRelativePath(rec::GetStr(pData, "FullPath"));
    if (EqualsNoCase(rel, kPresenterFolder)) {
        uint32_t bHas = 0;
        rec::GetU32(pData, "bHasVisualableFile", bHas);
        if (IDocShelfContainerItf* pHost = GetDocShelfMgr()->GetHostContainer()) {
            pHost->NotifyPresenterFiles(static_cast<int32_t>(bHas));
        }
    }
}

void CWebDavMgr::RelistParent(IDataRecord* pData) {
    std::string path = rec::GetStr(pData, "FullPath");
    uint32_t hItem = 0;
    rec::GetU32(pData, "hItem", hItem);
    ListDirectory(ToRelativePath(GetParentPath(path)).c_str(), hItem, 2, "InternalUserData");
}

void CWebDavMgr::OnDeleteDone(IDataRecord* pData) {
    DS_CHECK_RETURN(pData != nullptr, kFile, 657, "pData");
    RelistParent(pData);
    if (EqualsNoCase(GetPathName(rec::GetStr(pData, "FullPath")), kChatFilterFileName)) {
        if (IDocShelfContainerItf* pHost = GetDocShelfMgr()->GetHostContainer()) {
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
    CDocShelfMgr* pShelf = GetDocShelfMgr();
    std::string name = rec::GetStr(pData, "LocalFileName");
    // Only a file that arrived is handed over: a failed download leaves no local copy.
    uint32_t dwChatResult = 0;
    if (EqualsNoCase(name, kChatFilterFileName) && rec::GetU32(pData, "dwResult", dwChatResult) &&
        dwChatResult == 0) {
        if (IDocShelfContainerItf* pHost = pShelf->GetHostContainer()) {
            pHost->SetChatFilterFile((pShelf->GetLocalDirectory() + name).c_str());
        }
    }
    uint32_t dwUserData = 0, dwModuleData = 0, dwResult = 0;
    if (!rec::GetU32(pData, "dwUserData", dwUserData) ||
        !rec::GetU32(pData, "dwModuleData", dwModuleData)) {
        return;
    }
    std::string path = rec::GetStr(pData, "LocalFilePathName");
    if (!rec::GetU32(pData, "dwResult", dwResult)) {
        return;
    }
    if (dwModuleData != 1) {
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
    if (!rec::GetU32(pData, "dwUserData", dwUserData)) {
        TraceError("dshelf - CWebDavMgr::OnFileUploadDone(); bRet = pData->GetData(dwUserData), "
                   "bRet = false");
        return;
    }
    if (!rec::GetU32(pData, "dwModuleData", dwModuleData)) {
        TraceError("dshelf - CWebDavMgr::OnFileUploadDone(); bRet = "
                   "pData->GetData(dwModuleData), bRet = false");
        return;
    }
    std::string path = rec::GetStr(pData, "LocalFilePathName");
    if (!rec::GetU32(pData, "dwResult", dwResult)) {
        TraceError("dshelf - CWebDavMgr::OnFileUploadDone(); bRet = pData->GetData(dwResult), "
                   "bRet = false");
        return;
    }
    if (dwModuleData != 1) {
        if (IDocShelfContainerItf* pHost = GetDocShelfMgr()->GetHostContainer()) {
            pHost->OnFileUploaded(path.c_str(), static_cast<int32_t>(dwModuleData),
                                  static_cast<int32_t>(dwUserData), static_cast<int32_t>(dwResult));
        }
    }
}
