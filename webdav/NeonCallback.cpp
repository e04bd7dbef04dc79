#include "NeonCallback.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

#include <ne_auth.h>
#include <ne_uri.h>

#include "AfxFile.h"
#include "CoreLib.h"
#include "DirThread.h"
#include "DocShelfMgr.h"
#include "LocalResource.h"
#include "RecordUtil.h"
#include "ResultPost.h"
#include "Trace.h"
#include "WebDavMgr.h"

namespace {

constexpr const char* kFile = "NeonCallback";
constexpr UINT kIdsUnknownAuthor = 1037; // "Unknown"

void CopyCredential(char* dst, const std::string& src) {
    // The settings hold at most 99 characters; neon's buffers are larger.
    size_t n = std::min(src.size(), static_cast<size_t>(NE_ABUFSIZ - 1));
    std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

IJob* JobOf(void* userdata) {
    return static_cast<IJob*>(userdata);
}

int TaskStopped(IJob* pJob) {
    ITask* pTask = pJob != nullptr ? pJob->GetTask() : nullptr;
    return pTask != nullptr && pTask->IsStopped();
}

uint64_t ParseLength(const char* text) {
    uint64_t v = 0;
    if (text == nullptr) {
        return 0;
    }
    while (std::isspace(static_cast<unsigned char>(*text))) {
        ++text;
    }
    for (; *text >= '0' && *text <= '9'; ++text) {
        v = v * 10 + static_cast<uint64_t>(*text - '0');
    }
    return v;
}

bool LocalFileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

// Aborts the running request from inside a body callback, with a reason for the log.
void FailLocalFile(IDataRecord* pRecord, const char* what) {
    rec::SetU32(pRecord, "bLocalFileError", 1);
    if (ne_session* sess = rec::GetPtr<ne_session>(pRecord, "pSession")) {
        ne_set_error(sess, "local file %s failed: %s", what, std::strerror(errno));
    }
}

} // namespace

ne_session* CNeonCallback::CreateSession() {
    CWebDavMgr* pMgr = GetWebDavMgr();
    ne_session* sess = ne_session_create("http", pMgr->GetHost().c_str(),
                                         static_cast<unsigned int>(pMgr->GetPort()));
    ne_set_server_auth(sess, server_auth_creds, nullptr);
    return sess;
}

void CNeonCallback::AddDestination(ne_session* sess, ne_request* req, const std::string& target) {
    if (ne_get_session_flag(sess, NE_SESSFLAG_RFC4918)) {
        ne_add_request_header(req, "Destination", target.c_str());
    } else {
        ne_print_request_header(req, "Destination", "%s://%s%s", ne_get_scheme(sess),
                                ne_get_server_hostport(sess), target.c_str());
    }
}

bool CNeonCallback::IsCollection(const char* pszResourceType) {
    if (pszResourceType == nullptr) {
        return false;
    }
    static const char kTag[] = "<DAV:collection";
    const size_t n = sizeof kTag - 1;
    for (const char* p = pszResourceType; *p != '\0'; ++p) {
        if (strncasecmp(p, kTag, n) == 0) {
            char next = p[n];
            if (next == '>' || next == '/' || std::isspace(static_cast<unsigned char>(next))) {
                return true;
            }
        }
    }
    return false;
}

int CNeonCallback::server_auth_creds(void*, const char*, int attempt, char* username,
                                     char* password) {
    CWebDavMgr* pMgr = GetWebDavMgr();
    CopyCredential(username, pMgr->GetUserName());
    CopyCredential(password, pMgr->GetPassword());
    // Offered once: a refused password is not sent again.
    return attempt;
}

int CNeonCallback::accept_response(void* userdata, ne_request*, const ne_status* st) {
    DS_CHECK_RETURN(userdata != nullptr, kFile, 120, "userdata", 0);
    auto* pRecord = static_cast<IDataRecord*>(userdata);
    int code = st != nullptr ? st->code : 0;
    switch (pRecord->GetMethod()) {
    case WD_DOWNLOAD:
        // Remembered for the progress notifier, which also fires for refused bodies.
        rec::SetU32(pRecord, "bBodyAccepted", code == 200 ? 1 : 0);
        return code == 200;
    case WD_UPLOAD:
    case WD_MOVE:
        return code == 201 || code == 204;
    case WD_DELETE:
        return code == 204;
    case WD_MKCOL:
        return code == 201;
    default:
        return 0;
    }
}

int CNeonCallback::read_response_block(void* userdata, const char* block, size_t len) {
    DS_CHECK_RETURN(userdata != nullptr, kFile, 150, "userdata", 0);
    auto* pRecord = static_cast<IDataRecord*>(userdata);
    if (pRecord->GetMethod() != WD_DOWNLOAD) {
        return 0;
    }
    if (TaskStopped(rec::GetPtr<IJob>(pRecord, "ppJob"))) {
        if (ne_session* sess = rec::GetPtr<ne_session>(pRecord, "pSession")) {
            ne_set_error(sess, "transfer stopped");
        }
        return -1;
    }
    CFile* pFile = rec::GetPtr<CFile>(pRecord, "pFile");
    DS_CHECK_RETURN(pFile != nullptr, kFile, 163, "ppLocalFile", 0);
    if (len == 0) {
        return 0;
    }
    if (!pFile->Write(block, len)) {
        FailLocalFile(pRecord, "write");
        return -1;
    }
    return 0;
}

ssize_t CNeonCallback::provide_request_body(void* userdata, char* buffer, size_t buflen) {
    DS_CHECK_RETURN(userdata != nullptr, kFile, 180, "userdata", 0);
    IJob* pJob = JobOf(userdata);
    IDataRecord* pRecord = pJob->GetContainer();
    DS_CHECK_RETURN(pRecord != nullptr, kFile, 183, "pContainer", 0);
    if (pRecord->GetMethod() != WD_UPLOAD) {
        return 0;
    }
    if (TaskStopped(pJob)) {
        return -1;
    }
    CFile* pFile = rec::GetPtr<CFile>(pRecord, "pFile");
    DS_CHECK_RETURN(pFile != nullptr, kFile, 192, "ppLocalFile", 0);
    if (buffer == nullptr || buflen == 0) {
        // neon rewinds the body before each time it sends it.
        if (pFile->Seek(0, CFile::begin) != 0) {
            FailLocalFile(pRecord, "seek");
            return -1;
        }
        return 0;
    }
    int64_t n = pFile->Read(buffer, buflen);
    if (n < 0) {
        FailLocalFile(pRecord, "read");
        return -1;
    }
    return static_cast<ssize_t>(n);
}

void CNeonCallback::notify_session_status(void* userdata, ne_session_status status,
                                          const ne_session_status_info* info) {
    DS_CHECK_RETURN(userdata != nullptr, kFile, 215, "userdata");
    IJob* pJob = JobOf(userdata);
    IDataRecord* pRecord = pJob->GetContainer();
    DS_CHECK_RETURN(pRecord != nullptr, kFile, 218, "pContainer");
    uint32_t method = pRecord->GetMethod();
    uint32_t sub;
    if (method == WD_DOWNLOAD && status == ne_status_recving) {
        uint32_t bAccepted = 1;
        if (rec::GetU32(pRecord, "bBodyAccepted", bAccepted) && !bAccepted) {
            // A challenge or an error page is not the file's progress.
            return;
        }
        sub = 6;
    } else if (method == WD_UPLOAD && status == ne_status_sending) {
        sub = 5;
    } else {
        return;
    }
    IDataRecord* pProgress = GetDocShelfMgr()->CreateDataRecord();
    DS_CHECK_RETURN(pProgress != nullptr, kFile, 229, "pContainer");
    ITask* pTask = pJob->GetTask();
    pProgress->SetMethod(3);
    rec::SetU32(pProgress, "SubMethod", sub);
    rec::SetU32(pProgress, "TaskID", pTask != nullptr ? pTask->GetTaskID() : 0);
    // 64-bit values: files of 2 GiB and more report their true progress.
    rec::SetI64(pProgress, "TotalLength", info != nullptr ? info->sr.total : -1);
    rec::SetI64(pProgress, "CurrentProgress", info != nullptr ? info->sr.progress : 0);
    PostWorkResult(pProgress);
}

void CNeonCallback::enum_ne_props_result(void* userdata, const ne_uri* uri,
                                         const ne_prop_result_set* results) {
    DS_CHECK_RETURN(userdata != nullptr, kFile, 245, "userdata");
    auto* pItem = static_cast<IDataRecord*>(userdata);
    uint32_t hItem = 0;
    if (pItem->HasData("InternalUserData")) {
        rec::GetU32(pItem, "InternalUserData", hItem);
        if (hItem == 0) {
            return;
        }
    }
    bool bHasApp = pItem->HasData("ApplicationUserData") != 0;
    auto* pThread = rec::GetPtr<CWDWorkThread>(pItem, "pThread");
    DS_CHECK_RETURN(pThread != nullptr, kFile, 256, "pThread");
    DS_CHECK_RETURN(uri != nullptr && uri->path != nullptr, kFile, 257, "uri");
    DS_CHECK_RETURN(results != nullptr, kFile, 258, "results");
    uint32_t depth = 0;
    rec::GetU32(pItem, "dwDepth", depth);

    CWebDavMgr* pMgr = GetWebDavMgr();
    CDocShelfMgr* pShelf = GetDocShelfMgr();
    std::string path = Utf8ToAnsi(DecodePath(uri->path));

    if (rec::GetStr(pItem, "FullPath") == path) {
        if (hItem != 0) {
            if (IDataRecord* pRec = pThread->CreateDataRecord()) {
                pRec->SetMethod(1);
                rec::SetU32(pRec, "SubMethod", 2);
                rec::SetU32(pRec, "hItem", hItem);
                PostWorkResult(pRec);
            }
            return;
        }
        if (bHasApp) {
            return;
        }
    }

    static const ne_propname kResourceType = {"DAV:", "resourcetype"};
    static const ne_propname kLength = {"DAV:", "getcontentlength"};
    static const ne_propname kAuthor = {"ZIDaze:", "Author"};
    const uint32_t bDir = IsCollection(ne_propset_value(results, &kResourceType)) ? 1 : 0;

    const std::string& serverDir = pMgr->GetServerDir();
    if (serverDir.empty() || path.compare(0, serverDir.size(), serverDir) != 0) {
        TraceError("dshelf - CNeonCallback::enum_ne_props_result; outside the server folder: %s",
                   path.c_str());
        return;
    }
    std::string rel = path.substr(serverDir.size() - 1);
    if (bDir && rel.size() > 1 && rel.back() == '/') {
        rel.pop_back();
    }
    size_t slash = rel.find_last_of('/');
    std::string relatedPath = rel.substr(0, slash + 1);
    std::string fileName = rel.substr(slash + 1);
    if (IsUnsafeLocalName(fileName)) {
        // Such a name would resolve to the save directory or its parent on this side.
        TraceError("dshelf - CNeonCallback::enum_ne_props_result; unusable name in %s",
                   path.c_str());
        return;
    }
    std::string extName;
    size_t dot = fileName.find_last_of('.');
    if (!bDir && dot != std::string::npos) {
        extName = fileName.substr(dot + 1);
    }

    uint64_t length = 0;
    std::string author;
    if (!bDir) {
        length = ParseLength(ne_propset_value(results, &kLength));
        const char* pszAuthor = ne_propset_value(results, &kAuthor);
        if (pszAuthor == nullptr || *pszAuthor == '\0') {
            author = LoadLocalString(kIdsUnknownAuthor);
        } else {
            author = Utf8ToAnsi(DecodePath(pszAuthor));
        }
    }

    int bShow = 1;
    if (EndsWithNoCase(fileName, ".mxdstmp")) {
        bShow = 0;
    }
    if (!bDir && EqualsNoCase(fileName, kChatFilterFileName)) {
        if (!(pShelf->CanUpload() == 1 && (pShelf->GetUserRole() & 0xC) != 0)) {
            bShow = 0;
        }
        std::string localDir = pShelf->GetLocalDirectory();
        std::string local = localDir + kChatFilterFileName;
        if (!localDir.empty() && !LocalFileExists(local)) {
            ITask* pTask = pMgr->DownloadFile(
                (std::string(kPresenterFolder) + kChatFilterFileName).c_str(), local.c_str(), 0, 0);
            if (pTask != nullptr) {
                pMgr->StartTask(pTask);
            }
        }
    }

    if (auto* pKeep = rec::GetPtr<std::vector<std::string>>(pItem, "FileNameStringList")) {
        // Only files are reconciled; an unreadable local copy just is not kept. The chat
        // filter file has its own life (fetched above, possibly still arriving) and stays.
        if (!bDir && EqualsNoCase(fileName, kChatFilterFileName)) {
            pKeep->push_back(pShelf->GetLocalDirectory() + kChatFilterFileName);
        } else if (!bDir) {
            std::string local = pShelf->GetLocalDirectory() + fileName;
            CFile file;
            if (file.Open(local.c_str(), CFile::modeRead | CFile::shareDenyWrite)) {
                int64_t localLength = file.GetLength();
                file.Close();
                if (localLength >= 0 && static_cast<uint64_t>(localLength) == length) {
                    pKeep->push_back(local);
                }
            } else {
                TraceInfo("dshelf - CNeonCallback::enum_ne_props_result;CFile failed! %s",
                          local.c_str());
            }
        }
    }

    if (!bShow) {
        return;
    }
    if (hItem != 0) {
        pThread->SetHasVisualableFile();
        for (uint32_t method : {1u, 2u}) {
            IDataRecord* pRec = pThread->CreateDataRecord();
            if (pRec == nullptr) {
                continue;
            }
            pRec->SetMethod(method);
            rec::SetU32(pRec, "SubMethod", method == 1 ? 1 : 7);
            rec::SetU32(pRec, "Depth", depth);
            rec::SetU32(pRec, "hItem", hItem);
            rec::SetU32(pRec, "bDir", bDir);
            rec::SetStr(pRec, "RelatedPath", relatedPath);
            rec::SetStr(pRec, "FileName", fileName);
            rec::SetStr(pRec, "ExtName", extName);
            rec::SetU64(pRec, "ullFileLength", length);
            rec::SetStr(pRec, "Author", author);
            PostWorkResult(pRec);
        }
    }
    uint32_t dwAppData = 0;
    if (rec::GetU32(pItem, "ApplicationUserData", dwAppData)) {
        if (IDocShelfContainerItf* pHost = pShelf->GetHostContainer()) {
            pHost->OnDirectoryEntry(rec::GetStr(pItem, "RelatePath").c_str(), 0,
                                    static_cast<int32_t>(dwAppData), fileName.c_str(), length,
                                    static_cast<int32_t>(bDir));
        }
    }
}
