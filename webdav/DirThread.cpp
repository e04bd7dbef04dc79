#include "DirThread.h"

#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ne_basic.h>
#include <ne_props.h>
#include <ne_request.h>
#include <ne_session.h>

#include "AfxFile.h"
#include "CoreLib.h"
#include "DocShelfMgr.h"
#include "NeonCallback.h"
#include "RecordUtil.h"
#include "ResultPost.h"
#include "Trace.h"

#include "WebDavMgr.h"

namespace {

constexpr const char* kFile = "DirThread";
// A reachability check must not hold the queue for minutes on a silent network.
constexpr int kConnectTimeoutMs = 20000;

std::string WirePath(IDataRecord* pItem, const char* key) {
    return EncodePath(AnsiToUtf8(rec::GetStr(pItem, key)));
}

bool ConnectOnce(const sockaddr_in& addr) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    int flags = ::fcntl(fd, F_GETFL, 0);
    ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
    bool ok = false;
    int rc = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr);
    if (rc == 0) {
        ok = true;
    } else if (errno == EINPROGRESS) {
        pollfd pfd{fd, POLLOUT, 0};
        int n;
        do {
            n = ::poll(&pfd, 1, kConnectTimeoutMs);
        } while (n < 0 && errno == EINTR);
        if (n == 1) {
            int err = 0;
            socklen_t len = sizeof err;
            ok = ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) == 0 && err == 0;
        }
    }
    ::close(fd);
    return ok;
}

} // namespace

CWDWorkThread::~CWDWorkThread() {
    if (IsRunning()) {
        Stop(1, 50000);
    }
    std::lock_guard<std::mutex> lock(m_QueueLock);
    for (IDataRecord* pItem : m_Queue) {
        if (pItem != nullptr) {
            pItem->Release();
        }
    }
    m_Queue.clear();
}

void CWDWorkThread::PushWork(IDataRecord* pItem) {
    {
        std::lock_guard<std::mutex> lock(m_QueueLock);
        m_Queue.push_back(pItem);
    }
    Signal();
}

IDataRecord* CWDWorkThread::PopWork() {
    std::lock_guard<std::mutex> lock(m_QueueLock);
    if (m_Queue.empty()) {
        return nullptr;
    }
    IDataRecord* pItem = m_Queue.front();
    m_Queue.pop_front();
    return pItem;
}

size_t CWDWorkThread::QueuedCount() {
    std::lock_guard<std::mutex> lock(m_QueueLock);
    return m_Queue.size();
}

IDataRecord* CWDWorkThread::CreateDataRecord() {
    IDataFactory* pFactory = m_pDataFactory.load();
    return pFactory != nullptr ? pFactory->CreateDataRecord() : nullptr;
}

void CWDWorkThread::Run() {
    if (m_pDataFactory.load() == nullptr) {
        m_pDataFactory = GetDataFactory(0);
    }
    while (IsRunning()) {
        RunQueued();
        WaitSignal(500);
    }
    // Stop may come while the body waits, right after the last items were queued: those
    // are run too before the thread ends.
    RunQueued();
}

void CWDWorkThread::RunQueued() {
    // Ignores the running flag, so items queued before Stop are all run.
    while (true) {
        bool bEmpty;
        {
            std::lock_guard<std::mutex> lock(m_QueueLock);
            bEmpty = m_Queue.empty();
        }
        if (bEmpty) {
            break;
        }
        ProcessWork(PopWork());
    }
}

void CWDWorkThread::ProcessWork(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 170, "pWorkData");
    switch (pItem->GetMethod()) {
    case WD_MOVE:
        DoMove(pItem);
        break;
    case WD_DELETE:
        DoDelete(pItem);
        break;
    case WD_MKCOL:
        DoMKCol(pItem);
        break;
    case WD_LIST:
        DoRefreshDir(pItem);
        break;
    case WD_CHECK_SERVER:
        DoCheckServer(pItem);
        break;
    default:
        break;
    }
    OnWorkDone(pItem);
    pItem->Release();
}

void CWDWorkThread::OnWorkDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 205, "pWorkData");
    switch (pItem->GetMethod()) {
    case WD_MOVE:
        OnMoveDone(pItem);
        break;
    case WD_DELETE:
        OnDeleteDone(pItem);
        break;
    case WD_MKCOL:
        OnMKColDone(pItem);
        break;
    case WD_LIST:
        OnRefreshDirDone(pItem);
        break;
    case WD_CHECK_SERVER:
        OnCheckServerDone(pItem);
        break;
    default:
        break;
    }
}

void CWDWorkThread::DoMove(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 240, "pWorkData");
    if (!GetWebDavMgr()->IsServerAvailable()) {
        return;
    }
    ne_session* sess = CNeonCallback::CreateSession();
    std::string from = WirePath(pItem, "FullPathFrom");
    std::string to = WirePath(pItem, "FullPathTo");
    ne_request* req = ne_request_create(sess, "MOVE", from.c_str());
    CNeonCallback::AddDestination(sess, req, to);
    ne_add_response_body_reader(req, CNeonCallback::accept_response,
                                CNeonCallback::read_response_block, pItem);
    rec::SetPtr(pItem, "pThread", this);
    ne_request_dispatch(req);
    ne_request_destroy(req);
    ne_session_destroy(sess);
}

void CWDWorkThread::DoDelete(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 270, "pWorkData");
    ne_session* sess = CNeonCallback::CreateSession();
    std::string path = WirePath(pItem, "FullPath");
    ne_request* req = ne_request_create(sess, "DELETE", path.c_str());
    rec::SetPtr(pItem, "pThread", this);
    if (ne_request_dispatch(req) != NE_OK) {
        TraceError("dshelf -CWDWorkThread::DoDelete() Request failed: %s\n", ne_get_error(sess));
    }
    ne_request_destroy(req);
    ne_session_destroy(sess);
}

void CWDWorkThread::DoMKCol(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 295, "pWorkData");
    if (!GetWebDavMgr()->IsServerAvailable()) {
        TraceError("dshelf -CWDWorkThread::DoMKCol;IsServerAvailable = false.");
        return;
    }
    ne_session* sess = CNeonCallback::CreateSession();
    std::string path = WirePath(pItem, "FullPath");
    ne_request* req = ne_request_create(sess, "MKCOL", path.c_str());
    ne_add_response_body_reader(req, CNeonCallback::accept_response,
                                CNeonCallback::read_response_block, pItem);
    rec::SetPtr(pItem, "pThread", this);
    if (ne_request_dispatch(req) != NE_OK) {
        TraceError("dshelf - Request failed: %s\n", ne_get_error(sess));
    }
    ne_request_destroy(req);
    ne_session_destroy(sess);
}

void CWDWorkThread::DoRefreshDir(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 325, "pWorkData");
    CWebDavMgr* pMgr = GetWebDavMgr();
    if (!pMgr->IsServerAvailable()) {
        TraceError("dshelf -CWDWorkThread::DoRefreshDir;IsServerAvailable = false.");
        return;
    }
    ne_session* sess = CNeonCallback::CreateSession();
    std::string path = WirePath(pItem, "FullPath");
    rec::SetPtr(pItem, "pThread", this);

    // The directory list, once it exists, takes no clicks while its rows are rebuilt:
    // GetDirListCtrl()->ModifyStyle(0, WS_DISABLED) here for an item with "InternalUserData".
    CDocShelfMgr* pShelf = GetDocShelfMgr();
    std::vector<std::string> keep;
    bool bCleanup = false;
    if (rec::GetStr(pItem, "FullPath") == pMgr->MakeServerPath(kPresenterFolder) &&
        !pShelf->IsLocalCleanupDone()) {
        // Marked before the request, so the clean-up happens once per lifetime.
        pShelf->SetLocalCleanupDone();
        bCleanup = true;
        rec::SetPtr(pItem, "FileNameStringList", &keep);
    }
    m_bHasVisualableFile = 0;
    ne_simple_propfind(sess, path.c_str(), NE_DEPTH_ONE, nullptr,
                       CNeonCallback::enum_ne_props_result, pItem);
    ne_session_destroy(sess);
    if (bCleanup) {
        pItem->RemoveData("FileNameStringList");
        CleanLocalDirectory(keep);
    }
    // ... and ModifyStyle(WS_DISABLED, 0) here.
}

void CWDWorkThread::CleanLocalDirectory(const std::vector<std::string>& keep) {
    std::string dir = GetDocShelfMgr()->GetLocalDirectory();
    if (dir.empty()) {
        // Without a save directory the pattern would name the working directory.
        return;
    }
    CFileFind finder;
    for (bool bMore = finder.FindFile((dir + "*.*").c_str()); bMore;) {
        bMore = finder.FindNextFile();
        if (finder.IsDots() || finder.IsDirectory()) {
            continue;
        }
        std::string local = dir + finder.GetFileName();
        bool bKeep = false;
        for (const std::string& k : keep) {
            if (k == local) {
                bKeep = true;
                break;
            }
        }
        if (!bKeep) {
            CFile::Remove(local.c_str());
        }
    }
    finder.Close();
}

void CWDWorkThread::DoCheckServer(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 410, "pWorkData");
    CWebDavMgr* pMgr = GetWebDavMgr();
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(pMgr->GetPort() & 0xFFFF));
    if (inet_pton(AF_INET, pMgr->GetHost().c_str(), &addr.sin_addr) != 1) {
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* res = nullptr;
        if (getaddrinfo(pMgr->GetHost().c_str(), nullptr, &hints, &res) != 0 || res == nullptr) {
            rec::SetU32(pItem, "Result", 0);
            return;
        }
        addr.sin_addr = reinterpret_cast<sockaddr_in*>(res->ai_addr)->sin_addr;
        freeaddrinfo(res);
    }
    rec::SetU32(pItem, "Result", ConnectOnce(addr) ? 1 : 0);
}

void CWDWorkThread::OnMoveDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 450, "pWorkData");
}

void CWDWorkThread::OnDeleteDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 460, "pWorkData");
    std::string name;
    std::string full = rec::GetStr(pItem, "FullPath");
    uint32_t hItem = 0;
    rec::GetU32(pItem, "InternalUserData", hItem);
    if (IDataRecord* pA = CreateDataRecord()) {
        pA->SetMethod(4);
        rec::SetU32(pA, "SubMethod", 2);
        rec::SetU32(pA, "hItem", hItem);
        rec::SetStr(pA, "FullPath", full);
        name = GetPathName(full);
        PostWorkResult(pA);
    }
    IDataRecord* pB = GetDocShelfMgr()->CreateDataRecord();
    DS_CHECK_RETURN(pB != nullptr, kFile, 481, "pContainer");
    pB->SetMethod(1);
    rec::SetU32(pB, "SubMethod", 4);
    auto* pMessage =
        new std::string(EqualsNoCase(name, kChatFilterFileName) ? kChatFilterDeleted : "");
    rec::SetPtr(pB, "pMessage", pMessage);
    PostWorkResult(pB);
}

void CWDWorkThread::OnMKColDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 495, "pWorkData");
    if (!GetWebDavMgr()->IsServerAvailable()) {
        TraceError("dshelf - CWDWorkThread::OnMKColDone; IsServerAvailable=false .");
        return;
    }
    if (IDataRecord* pRec = CreateDataRecord()) {
        uint32_t hItem = 0;
        rec::GetU32(pItem, "InternalUserData", hItem);
        pRec->SetMethod(4);
        rec::SetU32(pRec, "SubMethod", 3);
        rec::SetU32(pRec, "hItem", hItem);
        rec::SetStr(pRec, "FullPath", rec::GetStr(pItem, "FullPath"));
        PostWorkResult(pRec);
    }
}

void CWDWorkThread::OnRefreshDirDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 520, "pWorkData");
    if (!GetWebDavMgr()->IsServerAvailable()) {
        return;
    }
    std::string full = rec::GetStr(pItem, "FullPath");
    if (pItem->HasData("InternalUserData")) {
        uint32_t hItem = 0;
        rec::GetU32(pItem, "InternalUserData", hItem);
        if (IDataRecord* pRec = CreateDataRecord()) {
            pRec->SetMethod(1);
            rec::SetU32(pRec, "SubMethod", 5);
            rec::SetU32(pRec, "hItem", hItem);
            rec::SetStr(pRec, "FullPath", full);
            PostWorkResult(pRec);
        }
        if (IDataRecord* pRec = CreateDataRecord()) {
            pRec->SetMethod(4);
            rec::SetU32(pRec, "SubMethod", 1);
            rec::SetU32(pRec, "hItem", hItem);
            rec::SetStr(pRec, "FullPath", full);
            rec::SetU32(pRec, "bHasVisualableFile", static_cast<uint32_t>(m_bHasVisualableFile));
            PostWorkResult(pRec);
        }
    }
    uint32_t dwAppData = 0;
    if (rec::GetU32(pItem, "ApplicationUserData", dwAppData)) {
        if (IDocShelfContainerItf* pHost = GetDocShelfMgr()->GetHostContainer()) {
            pHost->OnDirectoryEntry(rec::GetStr(pItem, "RelatePath").c_str(), 0,
                                    static_cast<int32_t>(dwAppData), nullptr, 0, 0);
        }
    }
}

void CWDWorkThread::OnCheckServerDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 560, "pWorkData");
    CWebDavMgr* pMgr = GetWebDavMgr();
    uint32_t available = 0;
    rec::GetU32(pItem, "Result", available);
    pMgr->SetServerAvailable(static_cast<int32_t>(available));
    uint32_t bAuto = 0;
    rec::GetU32(pItem, "bIsAutoRefresh", bAuto);
    if (pMgr->IsServerAvailable() == 1 && bAuto == 1) {
        if (IDataRecord* pRec = CreateDataRecord()) {
            pRec->SetMethod(1);
            rec::SetU32(pRec, "SubMethod", 6);
            PostWorkResult(pRec);
        }
    }
}
