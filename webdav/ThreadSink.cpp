// SPDX-License-Identifier: Apache-2.0
#include "ThreadSink.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <sys/stat.h>
#include <vector>

#include <ne_basic.h>
#include <ne_props.h>
#include <ne_request.h>
#include <ne_session.h>

#include "AfxFile.h"
#include "DSProtocol.h"
#include "DownloadLog.h"
#include "EnginePort.h"
#include "LocalResource.h"
#include "NeonCallback.h"
#include "PartialDownload.h"
#include "RecordUtil.h"
#include "Records.h"
#include "ResourceIds.h"
#include "ResultPost.h"
#include "StoredLength.h"
#include "Trace.h"
#include "TransferSessions.h"
#include "WatchedSession.h"
#include "WebDavMgr.h"
#include "WriteBehind.h"

namespace {

constexpr const char* kFile = "ThreadSink";
constexpr size_t kDownloadWriteBlock = 256 * 1024;
constexpr size_t kDownloadReadBlock = 256 * 1024;
// Blocks that may wait for the disk while the next one is received.
constexpr size_t kDownloadWritesQueued = 4;
constexpr size_t kUploadReadBlock = 256 * 1024;
// Letters before an upload's temporary suffix: each upload's own name.
constexpr size_t kUploadTagSize = 10;
// The clean-up of an upload's temporary file waits no longer than this, whatever the server.
constexpr int kCleanupSeconds = 5;

uint32_t TaskIdOf(ITask* pTask) {
    return pTask != nullptr ? pTask->GetTaskID() : 0;
}

int StatusOf(ne_request* req) {
    const ne_status* st = ne_get_status(req);
    return st != nullptr ? st->code : 0;
}

// What a request came to. No status, or only an interim one, means no answer: the connection
// failed or was lost.
ds::TransferResult ResultOf(int ret, int code, std::initializer_list<int> accepted,
                            bool bNotFoundCounts = false) {
    if (code < 200) {
        return DS_RESULT_REQUEST_FAILED;
    }
    for (int ok : accepted) {
        if (code == ok) {
            return ret == NE_OK ? DS_RESULT_SUCCESS : DS_RESULT_REQUEST_FAILED;
        }
    }
    if (code == 507) {
        return DS_RESULT_NO_ROOM;
    }
    if (code == 404 && bNotFoundCounts) {
        return DS_RESULT_NOT_FOUND;
    }
    return DS_RESULT_SERVER_ERROR;
}

bool PostStarted(ITask* pTask, uint32_t sub) {
    IDataRecord* pRec = GetEnginePort()->CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 40, "pContainer", false);
    ds::WriteTransferEvent(pRec, ds::TransferEventRecord{sub, TaskIdOf(pTask)});
    PostWorkResult(pRec);
    return true;
}

bool PostEnded(ITask* pTask, uint32_t sub, uint32_t result) {
    IDataRecord* pRec = GetEnginePort()->CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 50, "pContainer", false);
    ds::WriteTransferEvent(pRec, ds::TransferEventRecord{sub, TaskIdOf(pTask), result});
    PostWorkResult(pRec);
    return true;
}

// ne_request_dispatch with a larger read buffer: dispatch reads a body in 8 KiB blocks, a
// system call pair each, which holds a download well below the speed of the loopback. neon
// still calls the registered acceptor and reader for every block.
int DispatchDownload(ne_session* sess, ne_request* req) {
    std::vector<char> buffer(kDownloadReadBlock);
    int ret;
    do {
        ret = ne_begin_request(req);
        if (ret != NE_OK) {
            return ret;
        }
        ssize_t n;
        do {
            n = ne_read_response_block(req, buffer.data(), buffer.size());
        } while (n > 0);
        if (n < 0) {
            // The rest of the body was not read: the connection cannot be reused.
            ne_close_connection(sess);
            return NE_ERROR;
        }
        ret = ne_end_request(req);
    } while (ret == NE_RETRY);
    return ret;
}

// A transfer's session: one kept from an earlier transfer to the same server when there is one.
// A transfer that moves too little for too long, at any of its steps, ends as a lost
// connection.
std::unique_ptr<CWatchedSession> TransferSession(const ServerSettings& settings) {
    return CTransferSessions::Instance().Take(
        settings,
        CProgressWatch::MinimumRate(settings.limits.stallBytes, settings.limits.stallSeconds));
}

// Kept for the next transfer when the server answered and the connection was left as neon
// keeps it; a cut, a cancel or a local failure leaves it in doubt.
void KeepSession(std::unique_ptr<CWatchedSession> pSession, const ServerSettings& settings,
                 ds::TransferResult result, bool bCancelled) {
    const bool bAnswered = result == DS_RESULT_SUCCESS || result == DS_RESULT_SERVER_ERROR ||
                           result == DS_RESULT_NO_ROOM || result == DS_RESULT_NOT_FOUND;
    if (bAnswered && !bCancelled && !pSession->Watch().HasExpired() &&
        !GetWebDavMgr()->IsShutDown()) {
        CTransferSessions::Instance().Give(std::move(pSession), settings);
    }
}

bool IsAbsolute(const std::string& path) {
    return !path.empty() && path.front() == '/';
}

// The save directory when path is one of its files, else "".
std::string SaveDirectoryOf(const std::string& path) {
    const std::string dir = GetEnginePort()->GetLocalDirectory();
    return !dir.empty() && path == dir + GetPathName(path) ? dir : std::string();
}

// The job's local file, session and job pointer live only while the job runs.
void ForgetRunState(IDataRecord* pJR) {
    pJR->RemoveData(ds::key::File);
    pJR->RemoveData(ds::key::Job);
    pJR->RemoveData(ds::key::Session);
    pJR->RemoveData(ds::key::BodyAccepted);
    pJR->RemoveData(ds::key::LocalFileError);
    pJR->RemoveData(ds::key::Watch);
    pJR->RemoveData(ds::key::ResumeFrom);
    pJR->RemoveData(ds::key::KeptValidator);
    pJR->RemoveData(ds::key::KeptLength);
    pJR->RemoveData(ds::key::Validator);
    pJR->RemoveData(ds::key::WholeLength);
}

void EndActiveTransfer(IDataRecord* pJR) {
    uint32_t addRef = 0;
    if (rec::GetU32(pJR, ds::key::AddRefFlag, addRef) && addRef != 0) {
        GetEnginePort()->RemoveActiveTransfer();
    }
}

void CopyTaskValue(IDataRecord* pTR, IDataRecord* pTo, const char* key) {
    uint32_t v = 0;
    if (pTR != nullptr && rec::GetU32(pTR, key, v)) {
        rec::SetU32(pTo, key, v);
    }
}

} // namespace

CTransferRegistry& CThreadSink::Transfers() {
    static CTransferRegistry* s_pTransfers = new CTransferRegistry;
    return *s_pTransfers;
}

void CThreadSink::ExecuteJob(IJob* pJob) {
    DS_CHECK_RETURN(pJob != nullptr, kFile, 70, "pJob");
    IDataRecord* pJR = pJob->GetContainer();
    DS_CHECK_RETURN(pJR != nullptr, kFile, 72, "pContainer");
    switch (pJR->GetMethod()) {
    case ds::kWorkDownload:
        DoDownload(pJob);
        break;
    case ds::kWorkUpload:
        DoUpload(pJob);
        break;
    default:
        break;
    }
    if (ITask* pTask = pJob->GetTask()) {
        Transfers().Remove(pTask->GetTaskID());
    }
}

void CThreadSink::NotifyJob(IJob* pJob) {
    DS_CHECK_RETURN(pJob != nullptr, kFile, 85, "pJob");
    DS_CHECK_RETURN(pJob->GetContainer() != nullptr, kFile, 86, "pContainer");
}

void CThreadSink::NotifyTask(ITask*) {}

bool CThreadSink::BeginRun(IJob* pJob, uint32_t startedSub, int nCheckLine, Run& run) {
    run.pJob = pJob;
    run.pTask = pJob->GetTask();
    if (!PostStarted(run.pTask, startedSub)) {
        return false;
    }
    run.pJR = pJob->GetContainer();
    DS_CHECK_RETURN(run.pJR != nullptr, kFile, nCheckLine, "pContainer", false);
    run.serverPath = rec::GetStr(run.pJR, ds::key::FullPath);
    run.localPath = rec::GetStr(run.pJR, ds::key::LocalFilePathName);
    return true;
}

void CThreadSink::WatchSession(Run& run, CWatchedSession* pSession) {
    run.pSession = pSession;
    run.sess = pSession != nullptr ? pSession->Get() : nullptr;
    if (run.pTask != nullptr) {
        Transfers().SetWatch(run.pTask->GetTaskID(),
                             pSession != nullptr ? &pSession->Watch() : nullptr);
    }
}

bool CThreadSink::IsCancelled(const Run& run) {
    return run.pTask != nullptr && run.pTask->IsStopped();
}

// ---- Download -------------------------------------------------------------------------------

void CThreadSink::DoDownload(IJob* pJob) {
    TraceInfo("dshelf - CThreadSink::DoDownload");
    Run run;
    if (!BeginRun(pJob, ds::kDownloadStarted, 110, run)) {
        return;
    }
    // Cancelled while it waited: nothing is sent.
    const ds::TransferResult result = IsCancelled(run) ? DS_RESULT_CANCELLED : Download(run);
    ForgetRunState(run.pJR);
    PostDownloadDone(run, result);
}

ds::TransferResult CThreadSink::Download(Run& run) {
    const CTargetClaim claim(run.localPath,
                             [&run] { return IsCancelled(run) || GetWebDavMgr()->IsShutDown(); });
    if (!claim.IsHeld()) {
        return DS_RESULT_CANCELLED;
    }
    const ServerSettings settings = GetWebDavMgr()->GetSettings();
    std::unique_ptr<CWatchedSession> pSession = TransferSession(settings);
    WatchSession(run, pSession.get());
    // The body goes to a temporary file; the target is replaced only by a complete one.
    CFile file;
    std::string tempPath;
    ds::TransferResult result = OpenDownloadTarget(run, file, tempPath);
    if (result == DS_RESULT_SUCCESS) {
        result = FetchBody(run, file);
    }
    if (result == DS_RESULT_SUCCESS) {
        result = CommitDownload(run, tempPath);
    }
    if (!tempPath.empty()) {
        SettlePart(run, tempPath, result);
    }
    WatchSession(run, nullptr);
    KeepSession(std::move(pSession), settings, result, IsCancelled(run));
    return result;
}

// A part cut short by a lost connection is kept for the next download of the same file to the
// same target; any other goes, and the note of a committed one with it.
void CThreadSink::SettlePart(Run& run, const std::string& tempPath, ds::TransferResult result) {
    if (result == DS_RESULT_SUCCESS) {
        partial::Forget(tempPath, false);
        return;
    }
    if (result == DS_RESULT_REQUEST_FAILED && run.resumeFrom > 0 &&
        !run.pJR->HasData(ds::key::Validator)) {
        // No answer at all (the server is away): the kept part and its note stay as they were.
        return;
    }
    PartialDownload part;
    part.partPath = tempPath;
    part.serverPath = run.serverPath;
    part.validator = rec::GetStr(run.pJR, ds::key::Validator);
    rec::GetU64(run.pJR, ds::key::WholeLength, part.wholeLength);
    struct stat st;
    if (result == DS_RESULT_REQUEST_FAILED && ::stat(tempPath.c_str(), &st) == 0 &&
        st.st_size > 0 && static_cast<uint64_t>(st.st_size) < part.wholeLength &&
        partial::Keep(part, run.localPath)) {
        TraceInfo("dshelf - CThreadSink::DoDownload() kept %lld of %llu bytes to continue: %s",
                  static_cast<long long>(st.st_size),
                  static_cast<unsigned long long>(part.wholeLength), part.partPath.c_str());
        return;
    }
    partial::Forget(part.partPath, true);
}

// A part kept for this target and server path is continued where it ends.
bool CThreadSink::OpenKeptPart(Run& run, CFile& file, std::string& tempPath) {
    std::optional<PartialDownload> part = partial::Find(run.localPath, run.serverPath);
    if (!part) {
        return false;
    }
    if (!file.Open(part->partPath.c_str(), CFile::modeWrite) ||
        file.Seek(0, CFile::end) != static_cast<int64_t>(part->have)) {
        file.Close();
        partial::Forget(part->partPath, true);
        return false;
    }
    tempPath = part->partPath;
    run.resumeFrom = part->have;
    run.resumeValidator = part->validator;
    run.resumeLength = part->wholeLength;
    return true;
}

// The target is what it was when the download was asked for, or since then the component's own
// unchanged copy in the save directory (an earlier download of it).
bool CThreadSink::TargetStillAsAsked(Run& run) {
    run.targetBefore = LocalTarget::At(run.localPath);
    LocalTarget asked;
    if (run.pJR->GetData(ds::key::TargetAsAsked, &asked, sizeof asked) == 0 ||
        asked == run.targetBefore) {
        return true;
    }
    const std::string dir = SaveDirectoryOf(run.localPath);
    return run.targetBefore.bExists && !dir.empty() &&
           CDownloadLog::MayReplace(dir, GetPathName(run.localPath));
}

ds::TransferResult CThreadSink::OpenDownloadTarget(Run& run, CFile& file, std::string& tempPath) {
    if (!IsAbsolute(run.localPath)) {
        // Never relative to the process's working directory.
        TraceAssert("dshelf - CThreadSink::DoDownload() File.open() failed! LastError=%u "
                    "LocalFilePathName=%s",
                    static_cast<unsigned>(ENOENT), run.localPath.c_str());
        return DS_RESULT_LOCAL_FILE_FAILED;
    }
    // What the commit must find there still.
    if (!TargetStillAsAsked(run)) {
        TraceError("dshelf - CThreadSink::DoDownload() %s changed since the download was asked "
                   "for; left as it is",
                   run.localPath.c_str());
        return DS_RESULT_LOCAL_FILE_FAILED;
    }
    struct stat st;
    if (IsComponentOwnName(GetPathName(run.localPath))) {
        // The component's record and temporary files are never a download's target.
        errno = EPERM;
    } else if (::stat(run.localPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        errno = EISDIR;
    } else if (!OpenKeptPart(run, file, tempPath)) {
        for (int attempt = 0; attempt < 8; ++attempt) {
            std::string candidate = CFile::TemporaryNameBeside(run.localPath);
            if (file.Open(candidate.c_str(),
                          CFile::modeCreate | CFile::modeCreateNew | CFile::modeWrite)) {
                tempPath = candidate;
                break;
            }
            if (errno != EEXIST) {
                break;
            }
        }
    }
    if (tempPath.empty()) {
        TraceAssert("dshelf - CThreadSink::DoDownload() File.open() failed! LastError=%u "
                    "LocalFilePathName=%s",
                    static_cast<unsigned>(errno), run.localPath.c_str());
        return DS_RESULT_LOCAL_FILE_FAILED;
    }
    run.localName = GetPathName(run.localPath);
    return DS_RESULT_SUCCESS;
}

ds::TransferResult CThreadSink::FetchBody(Run& run, CFile& file) {
    const std::string uri = ToWirePath(run.serverPath);
    ne_request* req = ne_request_create(run.sess, "GET", uri.c_str());
    if (run.resumeFrom > 0) {
        // The rest of the kept part, or the whole file when it changed since.
        ne_print_request_header(req, "Range", "bytes=%llu-",
                                static_cast<unsigned long long>(run.resumeFrom));
        ne_add_request_header(req, "If-Range", run.resumeValidator.c_str());
        rec::SetU64(run.pJR, ds::key::ResumeFrom, run.resumeFrom);
        rec::SetStr(run.pJR, ds::key::KeptValidator, run.resumeValidator);
        rec::SetU64(run.pJR, ds::key::KeptLength, run.resumeLength);
    }
    rec::SetPtr(run.pJR, ds::key::File, &file);
    rec::SetPtr(run.pJR, ds::key::Job, run.pJob);
    rec::SetPtr(run.pJR, ds::key::Session, run.sess);
    ne_add_response_body_reader(req, CNeonCallback::accept_response,
                                CNeonCallback::read_response_block, run.pJR);
    run.pSession->SetNotifier(CNeonCallback::notify_session_status, run.pJob);
    // The socket gives what it holds, often less than a read block; the disk gets whole
    // blocks, written while the next ones arrive.
    CWriteBehind writer(file, kDownloadWriteBlock, kDownloadWritesQueued);
    rec::SetPtr(run.pJR, ds::key::Writer, &writer);
    rec::SetPtr(run.pJR, ds::key::Watch, &run.pSession->Watch());
    int ret = DispatchDownload(run.sess, req);
    int code = StatusOf(req);
    run.pSession->SetNotifier(nullptr, nullptr);
    ne_request_destroy(req);
    bool bWritten = writer.Finish();
    run.pJR->RemoveData(ds::key::Writer);
    run.pJR->RemoveData(ds::key::Watch);
    bool bClosed = file.Close() && bWritten;

    if (ret != NE_OK) {
        TraceError("dshelf - CThreadSink::DoDownload() Request failed: %s URI = %s",
                   ne_get_error(run.sess), uri.c_str());
    }
    if (code != 200) {
        TraceError("dshelf - CThreadSink::DoDownload() HTTP statues code:%d URI = %s", code,
                   uri.c_str());
    }
    uint32_t bAccepted = 0;
    rec::GetU32(run.pJR, ds::key::BodyAccepted, bAccepted);
    // A body that reached the file but not the disk whole is the disk's failure, whatever the
    // server sent.
    if (run.pJR->HasData(ds::key::LocalFileError) || (bAccepted != 0 && !bClosed)) {
        TraceError("dshelf - CThreadSink::DoDownload() write failed! LocalFilePathName=%s",
                   run.localPath.c_str());
        return DS_RESULT_LOCAL_FILE_FAILED;
    }
    if (IsCancelled(run)) {
        return DS_RESULT_CANCELLED;
    }
    if (code == 206 && bAccepted == 0) {
        TraceError("dshelf - CThreadSink::DoDownload() a range that is not the exact rest of the "
                   "kept part; URI = %s",
                   uri.c_str());
        return DS_RESULT_SERVER_ERROR;
    }
    return ResultOf(ret, code, {200, 206}, true);
}

// The file holds as many bytes as the answer promised: no fewer (a body that ended early
// without an error), no more.
bool CThreadSink::HasPromisedLength(const Run& run, const std::string& tempPath) {
    uint64_t promised = 0;
    if (!rec::GetU64(run.pJR, ds::key::WholeLength, promised)) {
        return true; // the answer promised no length
    }
    struct stat st;
    const long long size = ::stat(tempPath.c_str(), &st) == 0 ? st.st_size : -1;
    if (size < 0 || static_cast<uint64_t>(size) != promised) {
        TraceError("dshelf - CThreadSink::DoDownload() the answer promised %llu bytes, the file "
                   "has %lld; LocalFilePathName=%s",
                   static_cast<unsigned long long>(promised), size, run.localPath.c_str());
        return false;
    }
    return true;
}

ds::TransferResult CThreadSink::CommitDownload(Run& run, const std::string& tempPath) {
    // Checked again at the rename: nothing replaces one of the component's own files.
    if (IsComponentOwnName(run.localName)) {
        TraceError("dshelf - CThreadSink::DoDownload() rename failed! LastError=%u "
                   "LocalFilePathName=%s",
                   static_cast<unsigned>(EPERM), run.localPath.c_str());
        return DS_RESULT_LOCAL_FILE_FAILED;
    }
    if (!HasPromisedLength(run, tempPath)) {
        return DS_RESULT_SERVER_ERROR;
    }
    switch (CommitOver(tempPath, run.localPath, run.targetBefore)) {
    case CommitOutcome::Done:
        break;
    case CommitOutcome::TargetChanged:
        TraceError("dshelf - CThreadSink::DoDownload() %s changed while the download ran; left as "
                   "it is",
                   run.localPath.c_str());
        return DS_RESULT_LOCAL_FILE_FAILED;
    case CommitOutcome::Failed:
    default:
        TraceError("dshelf - CThreadSink::DoDownload() rename failed! LastError=%u "
                   "LocalFilePathName=%s",
                   static_cast<unsigned>(errno), run.localPath.c_str());
        return DS_RESULT_LOCAL_FILE_FAILED;
    }
    // Files the component wrote into the save directory are its own to clean up later.
    if (const std::string dir = SaveDirectoryOf(run.localPath); !dir.empty()) {
        CDownloadLog::Add(dir, run.localName, run.serverPath);
    }
    return DS_RESULT_SUCCESS;
}

void CThreadSink::PostDownloadDone(Run& run, ds::TransferResult result) {
    TraceInfo("dshelf - CThreadSink::DoDownload() DownloadDone Notify! step 1  ");
    IDataRecord* pD = GetEnginePort()->CreateDataRecord();
    DS_CHECK_RETURN(pD != nullptr, kFile, 160, "pContainer");
    IDataRecord* pTR = run.pTask != nullptr ? run.pTask->GetTaskRecord() : nullptr;
    pD->SetMethod(ds::kToWebDavMgr);
    rec::SetU32(pD, ds::key::SubMethod, ds::kDownloadDone);
    rec::SetStr(pD, ds::key::LocalFileName, run.localName);
    CopyTaskValue(pTR, pD, ds::key::UserData);
    CopyTaskValue(pTR, pD, ds::key::ModuleData);
    rec::SetStr(pD, ds::key::LocalFilePathName, run.localPath);
    rec::SetU32(pD, ds::key::Result, result);
    PostWorkResult(pD);

    TraceInfo("dshelf - CThreadSink::DoDownload() DownloadDone Notify! step 2  ");
    if (!PostEnded(run.pTask, ds::kDownloadEnded, result)) {
        return;
    }
    rec::SetU32(run.pJR, ds::key::Result, result);
    EndActiveTransfer(run.pJR);
}

// ---- Upload ---------------------------------------------------------------------------------

void CThreadSink::DoUpload(IJob* pJob) {
    TraceInfo("dshelf - CThreadSink::DoUpload()");
    Run run;
    if (!BeginRun(pJob, ds::kUploadStarted, 205, run)) {
        return;
    }
    std::string leftover;
    const ds::TransferResult result =
        IsCancelled(run) ? DS_RESULT_CANCELLED : Upload(run, leftover);
    ForgetRunState(run.pJR);
    // The result first: a server that does not answer the clean-up never delays it.
    PostUploadDone(run, result);
    if (run.pTask != nullptr) {
        Transfers().Remove(run.pTask->GetTaskID());
    }
    if (!leftover.empty()) {
        RemoveTemporary(leftover);
    }
}

ds::TransferResult CThreadSink::Upload(Run& run, std::string& leftover) {
    const ServerSettings settings = GetWebDavMgr()->GetSettings();
    std::unique_ptr<CWatchedSession> pSession = TransferSession(settings);
    WatchSession(run, pSession.get());
    const std::string target = ToWirePath(run.serverPath);
    CFile file;
    int64_t length = 0;
    ds::TransferResult result = OpenUploadSource(run, file, length);
    if (result == DS_RESULT_SUCCESS) {
        result = SendIntoPlace(run, file, length, target, leftover);
    }
    StoredFile placed;
    if (result == DS_RESULT_SUCCESS && !IsCancelled(run)) {
        result = VerifyStoredLength(run, target, length, placed);
    }
    // A cut made by a cancel fails whichever request it met.
    if (IsCancelled(run) && (result != DS_RESULT_SUCCESS || !leftover.empty())) {
        result = DS_RESULT_CANCELLED;
    }
    file.Close();
    WatchSession(run, nullptr);
    KeepSession(std::move(pSession), settings, result, IsCancelled(run));
    return result;
}

// The body goes to a temporary name of its own, is labelled with its uploader there, checked and
// moved over the target: two uploads of one name never share their bytes or their label, and a
// body cut short never replaces what the target held. leftover names the temporary file while
// it may still be on the server.
ds::TransferResult CThreadSink::SendIntoPlace(Run& run, CFile& file, int64_t length,
                                              const std::string& target, std::string& leftover) {
    const std::string temp = ToWirePath(TemporaryUploadName(run.serverPath));
    ds::TransferResult result = SendProbe(run, temp);
    if (result != DS_RESULT_SUCCESS) {
        return result;
    }
    leftover = temp;
    result = IsCancelled(run) ? DS_RESULT_CANCELLED : SendBody(run, temp, length);
    file.Close();
    if (result == DS_RESULT_SUCCESS && !IsCancelled(run)) {
        LabelAuthor(run, temp);
        StoredFile sent;
        result = VerifyStoredLength(run, temp, length, sent);
    }
    if (result == DS_RESULT_SUCCESS) {
        result = IsCancelled(run) ? DS_RESULT_CANCELLED : MoveIntoPlace(run, temp, target);
    }
    if (result == DS_RESULT_SUCCESS) {
        leftover.clear();
    }
    return result;
}

std::string CThreadSink::TemporaryUploadName(const std::string& serverPath) {
    static thread_local std::mt19937 rng{std::random_device{}()};
    constexpr std::string_view kLetters = "abcdefghijklmnopqrstuvwxyz";
    std::string tag(kUploadTagSize, 'x');
    for (char& c : tag) {
        c = kLetters[rng() % kLetters.size()];
    }
    return serverPath + "." + tag + ds::kUploadTempSuffix;
}

ds::TransferResult CThreadSink::OpenUploadSource(Run& run, CFile& file, int64_t& length) {
    bool bOpened = IsAbsolute(run.localPath) &&
                   file.Open(run.localPath.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    rec::SetPtr(run.pJR, ds::key::File, &file);
    length = bOpened ? file.GetLength() : -1;
    if (length < 0) {
        TraceError("dshelf - CThreadSink::DoUpload() File.open() failed! LastError=%u "
                   "LocalFilePathName=%s",
                   static_cast<unsigned>(errno), run.localPath.c_str());
        return DS_RESULT_LOCAL_FILE_FAILED;
    }
    run.localName = file.GetFileName();
    // neon asks for the body in pieces of 8 KiB; the disk is read in larger ones.
    file.SetReadBuffer(kUploadReadBlock);
    return DS_RESULT_SUCCESS;
}

ds::TransferResult CThreadSink::SendProbe(Run& run, const std::string& temp) {
    // The probe carries an explicit empty body; the body PUT is a request of its own, as a
    // second body on one request would send two Content-Length headers.
    ne_request* probe = ne_request_create(run.sess, "PUT", temp.c_str());
    ne_set_request_body_buffer(probe, "", 0);
    int ret = ne_request_dispatch(probe);
    int code = StatusOf(probe);
    ne_request_destroy(probe);
    if (ret != NE_OK) {
        TraceError("dshelf - CThreadSink::DoUpload() Request failed1: %s URI = %s",
                   ne_get_error(run.sess), temp.c_str());
    }
    ds::TransferResult result = ResultOf(ret, code, {201, 204});
    if (result != DS_RESULT_SUCCESS) {
        TraceAssert("dshelf - CThreadSink::DoUpload() failed iResult=%d", code);
    }
    return result;
}

ds::TransferResult CThreadSink::SendBody(Run& run, const std::string& temp, int64_t length) {
    ne_request* put = ne_request_create(run.sess, "PUT", temp.c_str());
    rec::SetPtr(run.pJR, ds::key::Session, run.sess);
    rec::SetPtr(run.pJR, ds::key::Watch, &run.pSession->Watch());
    ne_set_request_body_provider(put, static_cast<ne_off_t>(length),
                                 CNeonCallback::provide_request_body, run.pJob);
    ne_add_response_body_reader(put, CNeonCallback::accept_response,
                                CNeonCallback::read_response_block, run.pJR);
    run.pSession->SetNotifier(CNeonCallback::notify_session_status, run.pJob);
    int ret = ne_request_dispatch(put);
    int code = StatusOf(put);
    run.pSession->SetNotifier(nullptr, nullptr);
    ne_request_destroy(put);
    run.pJR->RemoveData(ds::key::Watch);
    if (ret != NE_OK) {
        TraceError("dshelf - CThreadSink::DoUpload() Request failed2: %s URI = %s",
                   ne_get_error(run.sess), temp.c_str());
    }
    if (run.pJR->HasData(ds::key::LocalFileError)) {
        return DS_RESULT_LOCAL_FILE_FAILED;
    }
    if (IsCancelled(run)) {
        return DS_RESULT_CANCELLED;
    }
    ds::TransferResult result = ResultOf(ret, code, {201, 204});
    if (code != 0 && result != DS_RESULT_SUCCESS) {
        TraceError("dshelf - CThreadSink::DoUpload() HTTP statues code:%d URI = %s", code,
                   temp.c_str());
    }
    return result;
}

ds::TransferResult CThreadSink::MoveIntoPlace(Run& run, const std::string& temp,
                                              const std::string& target) {
    ne_request* move = ne_request_create(run.sess, "MOVE", temp.c_str());
    CNeonCallback::AddDestination(run.sess, move, target);
    int ret = ne_request_dispatch(move);
    int code = StatusOf(move);
    ne_request_destroy(move);
    if (ret != NE_OK) {
        TraceError("dshelf - CThreadSink::DoUpload() Request failed3: %s URI = %s",
                   ne_get_error(run.sess), temp.c_str());
    }
    // Until the MOVE succeeded the file sits under its temporary name: not a success.
    ds::TransferResult result = ResultOf(ret, code, {201, 204});
    if (code != 0 && result != DS_RESULT_SUCCESS) {
        TraceError("dshelf - CThreadSink::DoUpload() HTTP statues code:%d URI = %s", code,
                   temp.c_str());
    }
    return result;
}

ds::TransferResult CThreadSink::VerifyStoredLength(Run& run, const std::string& uri, int64_t length,
                                                   StoredFile& stored) {
    // A proxy or a full disk can cut a body and still answer 201.
    switch (ReadStoredLength(run.sess, uri, stored)) {
    case StoredLength::Known:
        if (stored.length != static_cast<uint64_t>(length)) {
            TraceError("dshelf - CThreadSink::DoUpload() the server holds %llu bytes, the file "
                       "has %lld; URI = %s",
                       static_cast<unsigned long long>(stored.length),
                       static_cast<long long>(length), uri.c_str());
            return DS_RESULT_SERVER_ERROR;
        }
        return DS_RESULT_SUCCESS;
    case StoredLength::NotReported:
        TraceInfo("dshelf - CThreadSink::DoUpload() the server reports no length; trusted. "
                  "URI = %s",
                  uri.c_str());
        return DS_RESULT_SUCCESS;
    case StoredLength::NotFound:
        TraceError("dshelf - CThreadSink::DoUpload() the file is not there; URI = %s", uri.c_str());
        return DS_RESULT_NOT_FOUND;
    case StoredLength::Refused:
        TraceError("dshelf - CThreadSink::DoUpload() the length could not be read back (%s); "
                   "URI = %s",
                   ne_get_error(run.sess), uri.c_str());
        return DS_RESULT_SERVER_ERROR;
    case StoredLength::NoAnswer:
    default:
        TraceError("dshelf - CThreadSink::DoUpload() no answer when the length was read back "
                   "(%s); URI = %s",
                   ne_get_error(run.sess), uri.c_str());
        return DS_RESULT_REQUEST_FAILED;
    }
}

void CThreadSink::RemoveTemporary(const std::string& temp) {
    // A session of its own, within a short limit of its own: the transfer's may have been cut,
    // and after a lost connection or a cancel the server may not answer this either.
    ServerSettings settings = GetWebDavMgr()->GetSettings();
    settings.limits.connectSeconds = std::min(settings.limits.connectSeconds, kCleanupSeconds);
    settings.limits.readSeconds = std::min(settings.limits.readSeconds, kCleanupSeconds);
    CWatchedSession session(settings, CProgressWatch::Deadline(kCleanupSeconds));
    if (ne_delete(session.Get(), temp.c_str()) != NE_OK) {
        TraceError("dshelf - CThreadSink::DoUpload() temporary file not removed: %s URI = %s",
                   ne_get_error(session.Get()), temp.c_str());
    }
}

void CThreadSink::LabelAuthor(Run& run, const std::string& path) {
    // A server that keeps no such property still has the file: the listing shows "Unknown".
    if (!LabelUploader(run.sess, path, ToWirePath(GetEnginePort()->GetAuthorName()))) {
        TraceError("dshelf - CThreadSink::DoUpload() PROPPATCH failed: %s URI = %s",
                   ne_get_error(run.sess), path.c_str());
    }
}

void CThreadSink::PostUploadDone(Run& run, ds::TransferResult result) {
    TraceInfo("dshelf - CThreadSink::DoUpload() UploadDone Notify! step 1  ");
    IDataRecord* pD = GetEnginePort()->CreateDataRecord();
    DS_CHECK_RETURN(pD != nullptr, kFile, 300, "pContainer");
    IDataRecord* pTR = run.pTask != nullptr ? run.pTask->GetTaskRecord() : nullptr;
    uint32_t dwModuleData = 0;
    pD->SetMethod(ds::kToWebDavMgr);
    rec::SetU32(pD, ds::key::SubMethod, ds::kUploadDone);
    if (pTR != nullptr) {
        CopyTaskValue(pTR, pD, ds::key::UserData);
        rec::GetU32(pTR, ds::key::ModuleData, dwModuleData);
        rec::SetU32(pD, ds::key::ModuleData, dwModuleData);
    }
    rec::SetStr(pD, ds::key::LocalFilePathName, run.localPath);
    rec::SetU32(pD, ds::key::Result, result);
    TraceInfo("dshelf - CThreadSink::DoUpload(); PostNotify() ");
    PostWorkResult(pD);

    TraceInfo("dshelf - CThreadSink::DoUpload() UploadDone Notify! step 2  ");
    if (!PostEnded(run.pTask, ds::kUploadEnded, result)) {
        return;
    }
    TraceInfo("dshelf - CThreadSink::DoUpload() UploadDone Notify! step 3  ");
    rec::SetU32(run.pJR, ds::key::Result, result);
    if (result == DS_RESULT_SUCCESS && dwModuleData == ds::kPanelModuleData) {
        PostUploadNotices(run);
    }
    EndActiveTransfer(run.pJR);
}

// After a panel upload: the folder is listed again and the meeting hears of the file.
void CThreadSink::PostUploadNotices(Run& run) {
    IEnginePort* pShelf = GetEnginePort();
    IDataRecord* pF = pShelf->CreateDataRecord();
    DS_CHECK_RETURN(pF != nullptr, kFile, 330, "pContainer");
    pF->SetMethod(ds::kToDirList);
    rec::SetU32(pF, ds::key::SubMethod, ds::kDirRelistFolder);
    rec::SetStr(pF, ds::key::FullPath, run.serverPath);
    PostWorkResult(pF);

    IDataRecord* pG = pShelf->CreateDataRecord();
    DS_CHECK_RETURN(pG != nullptr, kFile, 337, "pContainer");
    std::string message;
    if (EqualsNoCase(run.localName, kChatFilterFileName)) {
        message = kChatFilterUploaded;
        GetWebDavMgr()->FetchChatFilterFile(false);
    } else {
        std::string format = LoadLocalString(kIdsUploadedFile);
        std::string author = pShelf->GetAuthorName();
        int n = std::snprintf(nullptr, 0, format.c_str(), author.c_str(), run.localName.c_str());
        if (n > 0) {
            message.resize(static_cast<size_t>(n));
            std::snprintf(message.data(), static_cast<size_t>(n) + 1, format.c_str(),
                          author.c_str(), run.localName.c_str());
        }
    }
    ds::WriteHostMessage(pG, std::move(message));
    PostWorkResult(pG);
}
