// SPDX-License-Identifier: Apache-2.0
#include "DirThread.h"

#include <algorithm>

#include <ne_basic.h>
#include <ne_props.h>
#include <ne_request.h>
#include <ne_session.h>

#include "CoreLib.h"
#include "DSProtocol.h"
#include "EnginePort.h"
#include "FolderListing.h"
#include "IDocShelfTransportItf.h"
#include "ListingReader.h"
#include "ListingReport.h"
#include "NeonCallback.h"
#include "RecordUtil.h"
#include "Records.h"
#include "ResultPost.h"
#include "Trace.h"
#include "TransferSessions.h"
#include "TransportSecurity.h"
#include "WatchedSession.h"

#include "WebDavMgr.h"

namespace {

constexpr const char* kFile = "DirThread";
// A server counts as there only once it has answered a request: within the connect timeout
// and this much more.
constexpr int kCheckAnswerSeconds = 5;

std::string WirePath(IDataRecord* pItem, const char* key) {
    return ToWirePath(rec::GetStr(pItem, key));
}

// Whether the server answers an OPTIONS request of the server directory, whatever its status,
// at any of its addresses. Over HTTPS its certificate must pass first: nothing is sent to a
// refused server.
bool AnswersRequest(ne_session* sess, const ServerSettings& settings) {
    const uint64_t refusals = TransportFailures().Count();
    ne_request* req = ne_request_create(sess, "OPTIONS", ToWirePath(settings.serverDir).c_str());
    const int rc = ne_request_dispatch(req);
    ne_request_destroy(req);
    if (rc == NE_ERROR && settings.transport.https && TransportFailures().Count() == refusals) {
        // Not the certificate: no TLS at all, or a handshake that broke off.
        const std::string text = std::string("no secure connection: ") + ne_get_error(sess);
        TraceError("dshelf - %s", text.c_str());
        TransportFailures().Record(DS_TRANSPORT_TLS_FAILED, text);
    } else if (rc != NE_OK && rc != NE_AUTH) {
        TraceInfo("dshelf - CWDWorkThread::DoCheckServer() no answer: %s", ne_get_error(sess));
    }
    return rc == NE_OK || rc == NE_AUTH;
}

} // namespace

CWDWorkThread::CWDWorkThread() = default;

CWDWorkThread::~CWDWorkThread() {
    if (IsRunning()) {
        Stop(1, 5000);
    }
    std::lock_guard<std::mutex> lock(m_QueueLock);
    for (IDataRecord* pItem : m_Queue) {
        if (pItem != nullptr) {
            pItem->Release();
        }
    }
    m_Queue.clear();
    m_nPending = 0;
}

void CWDWorkThread::PushWork(IDataRecord* pItem) {
    {
        std::lock_guard<std::mutex> lock(m_QueueLock);
        const char* why = pItem != nullptr && IsMergedListing(pItem)
                              ? "the same listing waits already"
                          : m_Queue.size() >= kMaxQueuedWork ? "the queue is full"
                                                             : nullptr;
        if (why != nullptr) {
            TraceInfo("dshelf - CWDWorkThread::PushWork() item of method %u dropped: %s",
                      pItem != nullptr ? pItem->GetMethod() : 0, why);
            if (pItem != nullptr) {
                pItem->Release();
            }
            return;
        }
        m_Queue.push_back(pItem);
        ++m_nPending;
    }
    Signal();
}

// Under the queue's lock. Every meeting message asks the panel to list again; a listing of the
// panel's that waits unsent answers them all, and the same entry's listing too.
bool CWDWorkThread::IsMergedListing(IDataRecord* pItem) const {
    uint32_t item = 0;
    const uint32_t method = pItem->GetMethod();
    if ((method != ds::kWorkList && method != ds::kWorkListEntry) ||
        !rec::GetU32(pItem, ds::key::InternalUserData, item)) {
        return false;
    }
    const std::string path = rec::GetStr(pItem, ds::key::FullPath);
    const std::string name = rec::GetStr(pItem, ds::key::EntryName);
    uint32_t depth = 0;
    rec::GetU32(pItem, ds::key::Depth, depth);
    return std::any_of(m_Queue.begin(), m_Queue.end(), [&](IDataRecord* pQueued) {
        uint32_t queuedItem = 0;
        uint32_t queuedDepth = 0;
        const uint32_t queuedMethod = pQueued != nullptr ? pQueued->GetMethod() : 0;
        const bool bCovers =
            queuedMethod == ds::kWorkList ||
            (queuedMethod == method && rec::GetStr(pQueued, ds::key::EntryName) == name);
        return bCovers && rec::GetU32(pQueued, ds::key::InternalUserData, queuedItem) &&
               queuedItem == item && rec::GetU32(pQueued, ds::key::Depth, queuedDepth) &&
               queuedDepth == depth && rec::GetStr(pQueued, ds::key::FullPath) == path;
    });
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
    m_pSession.reset();
}

// A session kept while the settings stay, shared with the transfers (CTransferSessions): its
// connection and its authentication carry over, so a listing costs one request, not a new
// connection and a challenge, and the download an announcement asks for goes over the
// connection its question just used. Every request still ends within the listing limit.
CWatchedSession& CWDWorkThread::DirSession(const ServerSettings& settings) {
    return DirSession(settings, CProgressWatch::Deadline(settings.limits.listingSeconds));
}

CWatchedSession& CWDWorkThread::DirSession(const ServerSettings& settings,
                                           const CProgressWatch::Limit& limit) {
    if (m_pSessionSettings == nullptr || !m_pSessionSettings->SameConnection(settings)) {
        // What the listings learned of authors belongs to the server they asked.
        m_KnownAuthors.Clear();
        m_pSessionSettings = std::make_unique<ServerSettings>(settings);
        m_pSession.reset();
    }
    if (m_pSession == nullptr) {
        m_pSession = CTransferSessions::Instance().Take(settings, limit);
    } else {
        m_pSession->Watch().Restart(limit);
    }
    return *m_pSession;
}

// Between items the session waits among the transfers' own, unless a cut left it in doubt.
void CWDWorkThread::ReturnDirSession() {
    if (m_pSession == nullptr) {
        return;
    }
    if (m_pSession->Watch().HasExpired() || GetWebDavMgr()->IsShutDown()) {
        m_pSession.reset();
        return;
    }
    CTransferSessions::Instance().Give(std::move(m_pSession), *m_pSessionSettings);
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
        IDataRecord* pItem = PopWork();
        if (IsAbandoned()) {
            // A stop gave up waiting for this thread: what is left is dropped, not run.
            if (pItem != nullptr) {
                pItem->Release();
            }
            --m_nPending;
            continue;
        }
        ProcessWork(pItem);
        --m_nPending;
    }
}

void CWDWorkThread::ProcessWork(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 170, "pWorkData");
    switch (pItem->GetMethod()) {
    case ds::kWorkMove:
        DoMove(pItem);
        break;
    case ds::kWorkDelete:
        DoDelete(pItem);
        break;
    case ds::kWorkMakeFolder:
        DoMKCol(pItem);
        break;
    case ds::kWorkList:
        DoRefreshDir(pItem);
        break;
    case ds::kWorkListEntry:
        DoRefreshEntry(pItem);
        break;
    case ds::kWorkCheckServer:
        DoCheckServer(pItem);
        break;
    default:
        break;
    }
    ReturnDirSession();
    OnWorkDone(pItem);
    pItem->Release();
}

void CWDWorkThread::OnWorkDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 205, "pWorkData");
    switch (pItem->GetMethod()) {
    case ds::kWorkMove:
        OnMoveDone(pItem);
        break;
    case ds::kWorkDelete:
        OnDeleteDone(pItem);
        break;
    case ds::kWorkMakeFolder:
        OnMKColDone(pItem);
        break;
    case ds::kWorkList:
    case ds::kWorkListEntry:
        OnRefreshDirDone(pItem);
        break;
    case ds::kWorkCheckServer:
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
    ne_session* sess = DirSession(GetWebDavMgr()->GetSettings()).Get();
    std::string from = WirePath(pItem, ds::key::FullPathFrom);
    std::string to = WirePath(pItem, ds::key::FullPathTo);
    ne_request* req = ne_request_create(sess, "MOVE", from.c_str());
    CNeonCallback::AddDestination(sess, req, to);
    ne_add_response_body_reader(req, CNeonCallback::accept_response,
                                CNeonCallback::read_response_block, pItem);
    rec::SetPtr(pItem, ds::key::Thread, this);
    ne_request_dispatch(req);
    ne_request_destroy(req);
}

void CWDWorkThread::DoDelete(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 270, "pWorkData");
    ne_session* sess = DirSession(GetWebDavMgr()->GetSettings()).Get();
    std::string path = WirePath(pItem, ds::key::FullPath);
    ne_request* req = ne_request_create(sess, "DELETE", path.c_str());
    rec::SetPtr(pItem, ds::key::Thread, this);
    if (ne_request_dispatch(req) != NE_OK) {
        TraceError("dshelf -CWDWorkThread::DoDelete() Request failed: %s\n", ne_get_error(sess));
    }
    ne_request_destroy(req);
}

void CWDWorkThread::DoMKCol(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 295, "pWorkData");
    if (!GetWebDavMgr()->IsServerAvailable()) {
        TraceError("dshelf -CWDWorkThread::DoMKCol;IsServerAvailable = false.");
        return;
    }
    ne_session* sess = DirSession(GetWebDavMgr()->GetSettings()).Get();
    std::string path = WirePath(pItem, ds::key::FullPath);
    // A collection's URL ends in "/"; some servers refuse MKCOL without it.
    if (path.empty() || path.back() != '/') {
        path.push_back('/');
    }
    ne_request* req = ne_request_create(sess, "MKCOL", path.c_str());
    ne_add_response_body_reader(req, CNeonCallback::accept_response,
                                CNeonCallback::read_response_block, pItem);
    rec::SetPtr(pItem, ds::key::Thread, this);
    if (ne_request_dispatch(req) != NE_OK) {
        TraceError("dshelf - Request failed: %s\n", ne_get_error(sess));
    }
    ne_request_destroy(req);
}

void CWDWorkThread::DoRefreshDir(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 325, "pWorkData");
    CWebDavMgr* pMgr = GetWebDavMgr();
    if (!pMgr->IsServerAvailable()) {
        TraceError("dshelf -CWDWorkThread::DoRefreshDir;IsServerAvailable = false.");
        rec::SetU32(pItem, ds::key::ListResult, ds::kListNoConnection);
        return;
    }
    const ServerSettings settings = pMgr->GetSettings();
    const std::string folder = rec::GetStr(pItem, ds::key::FullPath);
    rec::SetPtr(pItem, ds::key::Thread, this);

    // The directory list takes no clicks while its rows are rebuilt.
    const bool bForList = pItem->HasData(ds::key::InternalUserData) != 0;
    if (bForList) {
        GetEnginePort()->EnableDirList(false);
    }
    m_bHasVisualableFile = 0;
    ListingOutcome listing = ListOnDirSession(pItem, settings, folder);
    uint32_t bMakeMissing = 0;
    if (listing.result == ds::kListRefused && (listing.status == 404 || listing.status == 409) &&
        rec::GetU32(pItem, ds::key::MakeMissing, bMakeMissing) && bMakeMissing != 0) {
        MakeFoldersUpTo(settings, folder);
        listing = ListOnDirSession(pItem, settings, folder);
    }
    rec::SetU32(pItem, ds::key::ListResult, listing.result);
    if (listing.result != ds::kListOk) {
        // Not an empty folder: nothing is shown, nothing local is touched.
        TraceError("dshelf - CWDWorkThread::DoRefreshDir() listing of %s failed (%u): %s",
                   folder.c_str(), listing.result, listing.reason.c_str());
    } else {
        CListingReport report(pItem, this, listing.relatedPath);
        for (const DirEntry& entry : listing.entries) {
            report.Report(entry);
        }
        report.Flush();
        // Once per lifetime, and only after a listing that was read.
        IEnginePort* pShelf = GetEnginePort();
        if (folder == ::MakeServerPath(settings.serverDir, kPresenterFolder) &&
            !pShelf->IsLocalCleanupDone()) {
            pShelf->SetLocalCleanupDone();
            ReconcileLocalDirectory(pShelf->GetLocalDirectory(), folder, listing);
        }
    }
    if (bForList) {
        GetEnginePort()->EnableDirList(true);
    }
}

// A listing for the panel asks for the authors it does not know yet; the host's listings report
// no author and ask for none.
ListingOutcome CWDWorkThread::ListOnDirSession(IDataRecord* pItem, const ServerSettings& settings,
                                               const std::string& folder) {
    CWatchedSession& session = DirSession(settings);
    if (!pItem->HasData(ds::key::InternalUserData)) {
        return ReadListing(session.Get(), settings.serverDir, folder, session.Watch(),
                           ListedAuthor::NotAsked);
    }
    return ListFolder(session.Get(), session.Watch(), settings.serverDir, folder, m_KnownAuthors);
}

// The folder that holds the server directory, the server directory, and the folders from it
// down to folder, top down; one that is there already answers 405 and is left as it is.
void CWDWorkThread::MakeFoldersUpTo(const ServerSettings& settings, const std::string& folder) {
    std::vector<std::string> paths;
    const std::string parent = ParentOfServerDir(settings.serverDir);
    if (!parent.empty()) {
        paths.push_back(parent + "/");
    }
    for (size_t slash = folder.find('/', settings.serverDir.size() - 1); slash != std::string::npos;
         slash = folder.find('/', slash + 1)) {
        paths.push_back(folder.substr(0, slash + 1));
    }
    for (const std::string& path : paths) {
        ne_session* sess = DirSession(settings).Get();
        ne_request* req = ne_request_create(sess, "MKCOL", ToWirePath(path).c_str());
        if (ne_request_dispatch(req) != NE_OK) {
            TraceError("dshelf - Request failed: %s\n", ne_get_error(sess));
        }
        ne_request_destroy(req);
    }
}

// An announced file: its one entry replaces its row. Anything else (the entry gone, not shown,
// the answer unreadable) and the whole folder is listed instead.
void CWDWorkThread::DoRefreshEntry(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 372, "pWorkData");
    CWebDavMgr* pMgr = GetWebDavMgr();
    const std::string folder = rec::GetStr(pItem, ds::key::FullPath);
    const std::string name = rec::GetStr(pItem, ds::key::EntryName);
    if (pMgr->IsServerAvailable() && !name.empty()) {
        const ServerSettings settings = pMgr->GetSettings();
        ListingOutcome one;
        {
            CWatchedSession& session = DirSession(settings);
            one = ReadListing(session.Get(), settings.serverDir, folder, session.Watch(),
                              ListedAuthor::Asked, name);
        }
        if (one.result == ds::kListOk && one.entries.size() == 1) {
            rec::SetPtr(pItem, ds::key::Thread, this);
            m_bHasVisualableFile = 0;
            CListingReport report(pItem, this, one.relatedPath);
            report.Report(one.entries.front());
            report.Flush();
            if (m_bHasVisualableFile != 0) {
                rec::SetU32(pItem, ds::key::ListResult, ds::kListOk);
                return;
            }
        }
        TraceInfo("dshelf - CWDWorkThread::DoRefreshEntry(); %s of %s not shown (%u), listing "
                  "the folder",
                  name.c_str(), folder.c_str(), one.result);
    }
    pItem->SetMethod(ds::kWorkList);
    DoRefreshDir(pItem);
}

void CWDWorkThread::DoCheckServer(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 410, "pWorkData");
    const ServerSettings settings = GetWebDavMgr()->GetSettings();
    // The check's connection stays for the requests after it.
    CWatchedSession& session = DirSession(
        settings, CProgressWatch::Deadline(settings.limits.connectSeconds + kCheckAnswerSeconds));
    const bool bThere = AnswersRequest(session.Get(), settings);
    if (bThere) {
        TransportFailures().Clear();
    }
    rec::SetU32(pItem, ds::key::CheckResult, bThere ? 1 : 0);
}

void CWDWorkThread::OnMoveDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 450, "pWorkData");
}

void CWDWorkThread::OnDeleteDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 460, "pWorkData");
    std::string name;
    std::string full = rec::GetStr(pItem, ds::key::FullPath);
    uint32_t hItem = 0;
    rec::GetU32(pItem, ds::key::InternalUserData, hItem);
    if (IDataRecord* pA = CreateDataRecord()) {
        pA->SetMethod(ds::kToWebDavMgr);
        rec::SetU32(pA, ds::key::SubMethod, ds::kDeleteDone);
        rec::SetU32(pA, ds::key::Item, hItem);
        rec::SetStr(pA, ds::key::FullPath, full);
        name = GetPathName(full);
        PostWorkResult(pA);
    }
    IDataRecord* pB = GetEnginePort()->CreateDataRecord();
    DS_CHECK_RETURN(pB != nullptr, kFile, 481, "pContainer");
    ds::WriteHostMessage(pB, EqualsNoCase(name, kChatFilterFileName) ? kChatFilterDeleted : "");
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
        rec::GetU32(pItem, ds::key::InternalUserData, hItem);
        pRec->SetMethod(ds::kToWebDavMgr);
        rec::SetU32(pRec, ds::key::SubMethod, ds::kMakeFolderDone);
        rec::SetU32(pRec, ds::key::Item, hItem);
        rec::SetStr(pRec, ds::key::FullPath, rec::GetStr(pItem, ds::key::FullPath));
        PostWorkResult(pRec);
    }
}

void CWDWorkThread::OnRefreshDirDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 520, "pWorkData");
    uint32_t listResult = ds::kListOk;
    rec::GetU32(pItem, ds::key::ListResult, listResult);
    m_nLastListResult = listResult;
    if (!GetWebDavMgr()->IsServerAvailable()) {
        return;
    }
    if (pItem->HasData(ds::key::InternalUserData)) {
        PostListingEnd(pItem, ds::kToDirList, listResult);
        PostListingEnd(pItem, ds::kToWebDavMgr, listResult);
    }
    uint32_t dwAppData = 0;
    if (rec::GetU32(pItem, ds::key::ApplicationUserData, dwAppData)) {
        if (IDocShelfContainerItf* pHost = GetEnginePort()->GetHostContainer()) {
            pHost->OnDirectoryEntry(rec::GetStr(pItem, ds::key::RelatePath).c_str(), 0,
                                    static_cast<int32_t>(dwAppData), nullptr, 0, 0);
        }
    }
}

// "Listing finished" for the directory list (its space) or the WebDAV manager, with whether
// the listing could be read.
void CWDWorkThread::PostListingEnd(IDataRecord* pItem, uint32_t method, uint32_t listResult) {
    IDataRecord* pRec = CreateDataRecord();
    if (pRec == nullptr) {
        return;
    }
    ds::ListingDoneRecord done;
    rec::GetU32(pItem, ds::key::InternalUserData, done.hItem);
    done.fullPath = rec::GetStr(pItem, ds::key::FullPath);
    done.listResult = listResult;
    done.hasVisibleFile = static_cast<uint32_t>(m_bHasVisualableFile);
    ds::WriteListingDone(pRec, method, done);
    PostWorkResult(pRec);
}

void CWDWorkThread::OnCheckServerDone(IDataRecord* pItem) {
    DS_CHECK_RETURN(pItem != nullptr, kFile, 560, "pWorkData");
    CWebDavMgr* pMgr = GetWebDavMgr();
    uint32_t available = 0;
    rec::GetU32(pItem, ds::key::CheckResult, available);
    pMgr->SetServerAvailable(static_cast<int32_t>(available));
    uint32_t bAuto = 0;
    rec::GetU32(pItem, ds::key::AutoRefresh, bAuto);
    if (pMgr->IsServerAvailable() == 1 && bAuto == 1) {
        if (IDataRecord* pRec = CreateDataRecord()) {
            pRec->SetMethod(ds::kToDirList);
            rec::SetU32(pRec, ds::key::SubMethod, ds::kDirRelistRoot);
            PostWorkResult(pRec);
        }
    }
}
