// SPDX-License-Identifier: Apache-2.0
#include "NeonCallback.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <ne_auth.h>

#include "AfxFile.h"
#include "CoreLib.h"
#include "DSProtocol.h"
#include "DecimalText.h"
#include "EnginePort.h"
#include "PartialDownload.h"
#include "ProgressWatch.h"
#include "RateLimit.h"
#include "RecordUtil.h"
#include "Records.h"
#include "ResultPost.h"
#include "Trace.h"
#include "TransportSecurity.h"
#include "WebDavMgr.h"
#include "WriteBehind.h"

namespace {

constexpr const char* kFile = "NeonCallback";

// A session's own copy of the credentials it was made with: a host that changes the settings
// later never has another server's password sent on this one.
struct SessionCredentials {
    std::string userName;
    std::string password;
};

void FreeCredentials(void* userdata) {
    auto* creds = static_cast<SessionCredentials*>(userdata);
    explicit_bzero(creds->password.data(), creds->password.size());
    delete creds;
}

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

// Counts a block against the transfer's stall watch; false, with the reason set as the
// session's error, when the transfer has to end.
bool KeepsMoving(IDataRecord* pRecord, size_t len) {
    CProgressWatch* pWatch = rec::GetPtr<CProgressWatch>(pRecord, ds::key::Watch);
    if (pWatch == nullptr || pWatch->Moved(len)) {
        return true;
    }
    if (ne_session* sess = rec::GetPtr<ne_session>(pRecord, ds::key::Session)) {
        ne_set_error(sess, "%s", pWatch->Reason().c_str());
    }
    return false;
}

// An automatic download waits for its share of the rate; the wait ends with a cancel. A wait
// shared by several held downloads can outlast the stall window: it is the component's own.
bool HoldToRate(IDataRecord* pRecord, size_t len) {
    IJob* pJob = rec::GetPtr<IJob>(pRecord, ds::key::Job);
    CProgressWatch* pWatch = rec::GetPtr<CProgressWatch>(pRecord, ds::key::Watch);
    if (pWatch != nullptr) {
        pWatch->Hold();
    }
    const bool bGoesOn = AutoDownloadRate().Take(
        len, [pJob] { return TaskStopped(pJob) != 0 || GetWebDavMgr()->IsShutDown(); });
    if (pWatch != nullptr) {
        pWatch->Resume();
    }
    return bGoesOn;
}

// Aborts the running request from inside a body callback, with a reason for the log.
void FailLocalFile(IDataRecord* pRecord, const char* what) {
    rec::SetU32(pRecord, ds::key::LocalFileError, 1);
    if (ne_session* sess = rec::GetPtr<ne_session>(pRecord, ds::key::Session)) {
        ne_set_error(sess, "local file %s failed: %s", what, std::strerror(errno));
    }
}

// A whole file over a kept part starts it again from its first byte.
bool StartOver(IDataRecord* pRecord) {
    CFile* pFile = rec::GetPtr<CFile>(pRecord, ds::key::File);
    if (pFile == nullptr || !pFile->SetLength(0) || pFile->Seek(0, CFile::begin) != 0) {
        FailLocalFile(pRecord, "restart");
        return false;
    }
    rec::SetU64(pRecord, ds::key::ResumeFrom, 0);
    return true;
}

bool ContentLengthOf(ne_request* req, uint64_t& length) {
    const char* value = ne_get_response_header(req, "Content-Length");
    return value != nullptr && ParseDecimal(value, length);
}

// A 206 continues the kept part only when it is exactly its rest, of the same version: the
// range from the part's end to the end of the file the note knows, and no other length.
bool IsRestOfKeptPart(IDataRecord* pRecord, ne_request* req, uint64_t from) {
    uint64_t whole = 0;
    uint64_t announced = 0;
    const std::string validator = rec::GetStr(pRecord, ds::key::KeptValidator);
    return from > 0 && rec::GetU64(pRecord, ds::key::KeptLength, whole) &&
           partial::IsRestOf(ne_get_response_header(req, "Content-Range"), from, whole) &&
           partial::IsSameVersion(validator, ne_get_response_header(req, "ETag"),
                                  ne_get_response_header(req, "Last-Modified")) &&
           (!ContentLengthOf(req, announced) || announced == whole - from);
}

// The whole file, or the rest of a kept part from exactly where it ends. What the answer says
// of the file is noted: the commit checks the length, and a part cut short can be kept.
bool AcceptDownload(IDataRecord* pRecord, ne_request* req, int code) {
    uint64_t from = 0;
    rec::GetU64(pRecord, ds::key::ResumeFrom, from);
    uint64_t whole = 0;
    if (code == 206) {
        if (!IsRestOfKeptPart(pRecord, req, from)) {
            return false;
        }
        rec::GetU64(pRecord, ds::key::KeptLength, whole);
        rec::SetStr(pRecord, ds::key::Validator, rec::GetStr(pRecord, ds::key::KeptValidator));
        rec::SetU64(pRecord, ds::key::WholeLength, whole);
        return true;
    }
    if (code != 200 || (from > 0 && !StartOver(pRecord))) {
        return false;
    }
    rec::SetStr(pRecord, ds::key::Validator,
                partial::ValidatorOf(ne_get_response_header(req, "ETag"),
                                     ne_get_response_header(req, "Last-Modified")));
    if (ContentLengthOf(req, whole)) {
        rec::SetU64(pRecord, ds::key::WholeLength, whole);
    }
    return true;
}

} // namespace

ne_session* CNeonCallback::CreateSession(const ServerSettings& settings) {
    // neon writes the host into the Host header as it is given: an IPv6 address needs its
    // brackets there.
    const bool bBareIpv6 =
        settings.host.find(':') != std::string::npos && settings.host.front() != '[';
    const std::string host = bBareIpv6 ? "[" + settings.host + "]" : settings.host;
    ne_session* sess = ne_session_create(settings.transport.https ? "https" : "http", host.c_str(),
                                         static_cast<unsigned int>(settings.port));
    // Every wait is bounded: a silent server fails the request instead of holding it.
    ne_set_connect_timeout(sess, settings.limits.connectSeconds);
    ne_set_read_timeout(sess, settings.limits.readSeconds);
    auto* creds = new SessionCredentials{settings.userName, settings.password};
    ne_hook_destroy_session(sess, FreeCredentials, creds);
    ApplyTransportSecurity(sess, settings.transport, server_auth_creds, creds);
    return sess;
}

void CNeonCallback::AddDestination(ne_session* sess, ne_request* req, const std::string& target) {
    if (ne_get_session_flag(sess, NE_SESSFLAG_RFC4918)) {
        ne_add_request_header(req, "Destination", target.c_str());
    } else {
        ne_print_request_header(req, "Destination", "%s://%s%s", ne_get_scheme(sess),
                                ne_get_server_hostport(sess), target.c_str());
    }
    // Servers may refuse to replace an existing target without it.
    ne_add_request_header(req, "Overwrite", "T");
}

int CNeonCallback::server_auth_creds(void* userdata, const char*, int attempt, char* username,
                                     char* password) {
    DS_CHECK_RETURN(userdata != nullptr, kFile, 140, "userdata", 1);
    const auto* creds = static_cast<const SessionCredentials*>(userdata);
    CopyCredential(username, creds->userName);
    CopyCredential(password, creds->password);
    // Offered once: a refused password is not sent again.
    return attempt;
}

int CNeonCallback::accept_response(void* userdata, ne_request* req, const ne_status* st) {
    DS_CHECK_RETURN(userdata != nullptr, kFile, 120, "userdata", 0);
    auto* pRecord = static_cast<IDataRecord*>(userdata);
    int code = st != nullptr ? st->code : 0;
    switch (pRecord->GetMethod()) {
    case ds::kWorkDownload: {
        const bool bAccepted = AcceptDownload(pRecord, req, code);
        // Remembered for the progress notifier, which also fires for refused bodies.
        rec::SetU32(pRecord, ds::key::BodyAccepted, bAccepted ? 1 : 0);
        return bAccepted;
    }
    case ds::kWorkUpload:
    case ds::kWorkMove:
        return code == 201 || code == 204;
    case ds::kWorkDelete:
        return code == 204;
    case ds::kWorkMakeFolder:
        return code == 201;
    default:
        return 0;
    }
}

int CNeonCallback::read_response_block(void* userdata, const char* block, size_t len) {
    DS_CHECK_RETURN(userdata != nullptr, kFile, 150, "userdata", 0);
    auto* pRecord = static_cast<IDataRecord*>(userdata);
    if (pRecord->GetMethod() != ds::kWorkDownload) {
        return 0;
    }
    if (TaskStopped(rec::GetPtr<IJob>(pRecord, ds::key::Job))) {
        if (ne_session* sess = rec::GetPtr<ne_session>(pRecord, ds::key::Session)) {
            ne_set_error(sess, "transfer stopped");
        }
        return -1;
    }
    CWriteBehind* pWriter = rec::GetPtr<CWriteBehind>(pRecord, ds::key::Writer);
    DS_CHECK_RETURN(pWriter != nullptr, kFile, 163, "pWriter", 0);
    if (!KeepsMoving(pRecord, len)) {
        return -1;
    }
    if (len == 0) {
        return 0;
    }
    if (pRecord->HasData(ds::key::Background) && !HoldToRate(pRecord, len)) {
        return -1;
    }
    if (!pWriter->Write(block, len)) {
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
    if (pRecord->GetMethod() != ds::kWorkUpload) {
        return 0;
    }
    if (TaskStopped(pJob)) {
        return -1;
    }
    CFile* pFile = rec::GetPtr<CFile>(pRecord, ds::key::File);
    DS_CHECK_RETURN(pFile != nullptr, kFile, 192, "ppLocalFile", 0);
    if (buffer == nullptr || buflen == 0) {
        // neon rewinds the body before each time it sends it: after a cut, nothing more.
        if (!KeepsMoving(pRecord, 0)) {
            return -1;
        }
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
    // neon asks for the next block once it has sent the last one: a server that takes the body
    // too slowly makes these calls slow.
    if (!KeepsMoving(pRecord, static_cast<size_t>(n))) {
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
    if (method == ds::kWorkDownload && status == ne_status_recving) {
        uint32_t bAccepted = 1;
        if (rec::GetU32(pRecord, ds::key::BodyAccepted, bAccepted) && !bAccepted) {
            // A challenge or an error page is not the file's progress.
            return;
        }
        sub = ds::kDownloadProgress;
    } else if (method == ds::kWorkUpload && status == ne_status_sending) {
        sub = ds::kUploadProgress;
    } else {
        return;
    }
    IDataRecord* pProgress = GetEnginePort()->CreateDataRecord();
    DS_CHECK_RETURN(pProgress != nullptr, kFile, 229, "pContainer");
    ITask* pTask = pJob->GetTask();
    ds::ProgressRecord progress;
    progress.sub = sub;
    progress.taskId = pTask != nullptr ? pTask->GetTaskID() : 0;
    progress.total = info != nullptr ? info->sr.total : -1;
    progress.current = info != nullptr ? info->sr.progress : 0;
    // A continued part counts what it had.
    uint64_t from = 0;
    if (rec::GetU64(pRecord, ds::key::ResumeFrom, from) && from > 0 && progress.total >= 0) {
        progress.total += static_cast<int64_t>(from);
        progress.current += static_cast<int64_t>(from);
    }
    ds::WriteProgress(pProgress, progress);
    PostWorkResult(pProgress);
}
