#include "ThreadSink.h"

#include <cerrno>
#include <cstdio>
#include <string>
#include <vector>

#include <ne_basic.h>
#include <ne_props.h>
#include <ne_request.h>
#include <ne_session.h>

#include "AfxFile.h"
#include "DirThread.h"
#include "DocShelfMgr.h"
#include "LocalResource.h"
#include "NeonCallback.h"
#include "RecordUtil.h"
#include "ResultPost.h"
#include "Trace.h"
#include "WebDavMgr.h"

namespace {

constexpr const char* kFile = "ThreadSink";
constexpr UINT kIdsUploadedFile = 1068; // "%s uploaded file %s"
constexpr size_t kDownloadWriteBlock = 256 * 1024;
constexpr size_t kDownloadReadBlock = 64 * 1024;

uint32_t TaskIdOf(ITask* pTask) {
    return pTask != nullptr ? pTask->GetTaskID() : 0;
}

std::string Escaped(const std::string& text) {
    return EncodePath(AnsiToUtf8(text));
}

int StatusOf(ne_request* req) {
    const ne_status* st = ne_get_status(req);
    return st != nullptr ? st->code : 0;
}

bool PostStarted(ITask* pTask, uint32_t sub) {
    IDataRecord* pRec = GetDocShelfMgr()->CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 40, "pContainer", false);
    pRec->SetMethod(3);
    rec::SetU32(pRec, "SubMethod", sub);
    rec::SetU32(pRec, "TaskID", TaskIdOf(pTask));
    PostWorkResult(pRec);
    return true;
}

bool PostEnded(ITask* pTask, uint32_t sub, uint32_t result) {
    IDataRecord* pRec = GetDocShelfMgr()->CreateDataRecord();
    DS_CHECK_RETURN(pRec != nullptr, kFile, 50, "pContainer", false);
    pRec->SetMethod(3);
    rec::SetU32(pRec, "SubMethod", sub);
    rec::SetU32(pRec, "TaskID", TaskIdOf(pTask));
    rec::SetU32(pRec, "ErrorCode", result);
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

// The job's local file and job pointer live only while the job runs.
void ForgetRunState(IDataRecord* pJR) {
    pJR->RemoveData("pFile");
    pJR->RemoveData("ppJob");
    pJR->RemoveData("pSession");
    pJR->RemoveData("bBodyAccepted");
}

} // namespace

void CThreadSink::ExecuteJob(IJob* pJob) {
    DS_CHECK_RETURN(pJob != nullptr, kFile, 70, "pJob");
    IDataRecord* pJR = pJob->GetContainer();
    DS_CHECK_RETURN(pJR != nullptr, kFile, 72, "pContainer");
    switch (pJR->GetMethod()) {
    case WD_DOWNLOAD:
        DoDownload(pJob);
        break;
    case WD_UPLOAD:
        DoUpload(pJob);
        break;
    default:
        break;
    }
}

void CThreadSink::NotifyJob(IJob* pJob) {
    DS_CHECK_RETURN(pJob != nullptr, kFile, 85, "pJob");
    DS_CHECK_RETURN(pJob->GetContainer() != nullptr, kFile, 86, "pContainer");
}

void CThreadSink::NotifyTask(ITask*) {}

void CThreadSink::DoDownload(IJob* pJob) {
    TraceInfo("dshelf - CThreadSink::DoDownload");
    ITask* pTask = pJob->GetTask();
    if (!PostStarted(pTask, 2)) {
        return;
    }
    ne_session* sess = CNeonCallback::CreateSession();
    IDataRecord* pJR = pJob->GetContainer();
    if (pJR == nullptr) {
        ne_session_destroy(sess);
        ReportAssert(kFile, 110, "pContainer");
        return;
    }
    uint32_t R = 0;
    std::string uri = Escaped(rec::GetStr(pJR, "FullPath"));
    std::string localPath = rec::GetStr(pJR, "LocalFilePathName");
    std::string localName;
    CFile file;
    bool bOpened =
        file.Open(localPath.c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite);
    rec::SetPtr(pJR, "pFile", &file);
    if (!bOpened) {
        TraceAssert("dshelf - CThreadSink::DoDownload() File.open() failed! LastError=%u "
                    "LocalFilePathName=%s",
                    static_cast<unsigned>(errno), localPath.c_str());
        R = 2;
    }
    if (R == 0) {
        localName = file.GetFileName();
        // neon hands the body over in blocks of 8 KiB; the disk gets larger ones.
        file.SetWriteBuffer(kDownloadWriteBlock);
        ne_request* req = ne_request_create(sess, "GET", uri.c_str());
        rec::SetPtr(pJR, "ppJob", pJob);
        rec::SetPtr(pJR, "pSession", sess);
        pJR->RemoveData("bLocalFileError");
        pJR->RemoveData("bBodyAccepted");
        ne_add_response_body_reader(req, CNeonCallback::accept_response,
                                    CNeonCallback::read_response_block, pJR);
        ne_set_notifier(sess, CNeonCallback::notify_session_status, pJob);
        if (DispatchDownload(sess, req) != NE_OK) {
            TraceError("dshelf - CThreadSink::DoDownload() Request failed: %s URI = %s",
                       ne_get_error(sess), uri.c_str());
            R = 1;
        }
        int code = StatusOf(req);
        if (code != 200) {
            TraceError("dshelf - CThreadSink::DoDownload() HTTP statues code:%d URI = %s", code,
                       uri.c_str());
            R = code == 404 ? 6 : 4;
        } else if (pJR->HasData("bLocalFileError")) {
            R = 2;
        }
        ne_set_notifier(sess, nullptr, nullptr);
        ne_request_destroy(req);
        if (!file.Close() && R == 0) {
            TraceError("dshelf - CThreadSink::DoDownload() write failed! LastError=%u "
                       "LocalFilePathName=%s",
                       static_cast<unsigned>(errno), localPath.c_str());
            R = 2;
        }
    }
    ne_session_destroy(sess);
    ForgetRunState(pJR);
    // Only a file this job opened is removed: a path it could not open is not its own.
    if (R != 0 && bOpened) {
        CFile::Remove(localPath.c_str());
    }

    TraceInfo("dshelf - CThreadSink::DoDownload() DownloadDone Notify! step 1  ");
    IDataRecord* pD = GetDocShelfMgr()->CreateDataRecord();
    DS_CHECK_RETURN(pD != nullptr, kFile, 160, "pContainer");
    IDataRecord* pTR = pTask != nullptr ? pTask->GetTaskRecord() : nullptr;
    pD->SetMethod(4);
    rec::SetU32(pD, "SubMethod", 4);
    rec::SetStr(pD, "LocalFileName", localName);
    if (pTR != nullptr) {
        uint32_t v = 0;
        if (rec::GetU32(pTR, "dwUserData", v)) {
            rec::SetU32(pD, "dwUserData", v);
        }
        if (rec::GetU32(pTR, "dwModuleData", v)) {
            rec::SetU32(pD, "dwModuleData", v);
        }
    }
    rec::SetStr(pD, "LocalFilePathName", localPath);
    rec::SetU32(pD, "dwResult", R);
    PostWorkResult(pD);

    TraceInfo("dshelf - CThreadSink::DoDownload() DownloadDone Notify! step 2  ");
    if (!PostEnded(pTask, 4, R)) {
        return;
    }
    rec::SetU32(pJR, "dwResult", R);
    uint32_t addRef = 0;
    if (rec::GetU32(pJR, "AddRefFlag", addRef) && addRef != 0) {
        GetDocShelfMgr()->RemoveActiveTransfer();
    }
}

void CThreadSink::DoUpload(IJob* pJob) {
    TraceInfo("dshelf - CThreadSink::DoUpload()");
    ITask* pTask = pJob->GetTask();
    if (!PostStarted(pTask, 1)) {
        return;
    }
    ne_session* sess = CNeonCallback::CreateSession();
    IDataRecord* pJR = pJob->GetContainer();
    if (pJR == nullptr) {
        ne_session_destroy(sess);
        ReportAssert(kFile, 205, "pContainer");
        return;
    }
    uint32_t R = 0;
    const std::string P = rec::GetStr(pJR, "FullPath");
    const std::string target = Escaped(P);
    const std::string temp = Escaped(P + ".mxdstmp");
    std::string localPath = rec::GetStr(pJR, "LocalFilePathName");
    std::string localName;
    CFile file;
    bool bOpened = file.Open(localPath.c_str(), CFile::modeRead | CFile::shareDenyWrite);
    rec::SetPtr(pJR, "pFile", &file);
    int64_t length = bOpened ? file.GetLength() : -1;
    if (!bOpened || length < 0) {
        R = 2;
    }
    if (R == 0) {
        localName = file.GetFileName();
        // The probe carries an explicit empty body; the body PUT is a request of its own, as
        // a second body on one request would send two Content-Length headers.
        ne_request* probe = ne_request_create(sess, "PUT", temp.c_str());
        ne_set_request_body_buffer(probe, "", 0);
        if (ne_request_dispatch(probe) != NE_OK) {
            TraceError("dshelf - CThreadSink::DoUpload() Request failed1: %s URI = %s",
                       ne_get_error(sess), temp.c_str());
        }
        int probeCode = StatusOf(probe);
        ne_request_destroy(probe);
        if (probeCode == 201 || probeCode == 204) {
            ne_request* put = ne_request_create(sess, "PUT", temp.c_str());
            rec::SetPtr(pJR, "pSession", sess);
            pJR->RemoveData("bLocalFileError");
            ne_set_request_body_provider(put, static_cast<ne_off_t>(length),
                                         CNeonCallback::provide_request_body, pJob);
            ne_add_response_body_reader(put, CNeonCallback::accept_response,
                                        CNeonCallback::read_response_block, pJR);
            ne_set_notifier(sess, CNeonCallback::notify_session_status, pJob);
            if (ne_request_dispatch(put) != NE_OK) {
                TraceError("dshelf - CThreadSink::DoUpload() Request failed2: %s URI = %s",
                           ne_get_error(sess), temp.c_str());
                R = 1;
            }
            int code = StatusOf(put);
            if (code == 507) {
                TraceError("dshelf - CThreadSink::DoUpload() HTTP statues code:%d URI = %s", code,
                           temp.c_str());
                R = 5;
            } else if (code != 201 && code != 204) {
                TraceError("dshelf - CThreadSink::DoUpload() HTTP statues code:%d URI = %s", code,
                           temp.c_str());
                R = 4;
            }
            if (pJR->HasData("bLocalFileError")) {
                R = 2;
            }
            ne_set_notifier(sess, nullptr, nullptr);
            ne_request_destroy(put);
        } else {
            TraceAssert("dshelf - CThreadSink::DoUpload() failed iResult=%d", probeCode);
            R = 4;
        }
        file.Close();

        if (R == 0) {
            ne_request* move = ne_request_create(sess, "MOVE", temp.c_str());
            CNeonCallback::AddDestination(sess, move, target);
            if (ne_request_dispatch(move) != NE_OK) {
                TraceError("dshelf - CThreadSink::DoUpload() Request failed3: %s URI = %s",
                           ne_get_error(sess), temp.c_str());
                R = 1;
            } else {
                int code = StatusOf(move);
                if (code != 201 && code != 204) {
                    // The file still sits under its temporary name: not a success.
                    TraceError("dshelf - CThreadSink::DoUpload() HTTP statues code:%d URI = %s",
                               code, temp.c_str());
                    R = 4;
                }
            }
            ne_request_destroy(move);
        }
        if (R == 0) {
            // Labelled only once the file is in place, never somebody else's on a failure.
            static const ne_propname kAuthor = {"ZIDaze:", "Author"};
            std::string author = Escaped(GetDocShelfMgr()->GetAuthorName());
            const ne_proppatch_operation ops[] = {{&kAuthor, ne_propset, author.c_str()},
                                                  {nullptr, ne_propset, nullptr}};
            if (ne_proppatch(sess, target.c_str(), ops) != NE_OK) {
                TraceError("dshelf - CThreadSink::DoUpload() PROPPATCH failed: %s URI = %s",
                           ne_get_error(sess), target.c_str());
            }
        }
    }
    ne_session_destroy(sess);
    ForgetRunState(pJR);

    uint32_t dwModuleData = 0;
    IDataRecord* pTR = pTask != nullptr ? pTask->GetTaskRecord() : nullptr;
    if (pTR != nullptr) {
        rec::GetU32(pTR, "dwModuleData", dwModuleData);
    }

    TraceInfo("dshelf - CThreadSink::DoUpload() UploadDone Notify! step 1  ");
    IDataRecord* pD = GetDocShelfMgr()->CreateDataRecord();
    DS_CHECK_RETURN(pD != nullptr, kFile, 300, "pContainer");
    pD->SetMethod(4);
    rec::SetU32(pD, "SubMethod", 5);
    if (pTR != nullptr) {
        uint32_t v = 0;
        if (rec::GetU32(pTR, "dwUserData", v)) {
            rec::SetU32(pD, "dwUserData", v);
        }
        rec::SetU32(pD, "dwModuleData", dwModuleData);
    }
    rec::SetStr(pD, "LocalFilePathName", localPath);
    rec::SetU32(pD, "dwResult", R);
    TraceInfo("dshelf - CThreadSink::DoUpload(); PostNotify() ");
    PostWorkResult(pD);

    TraceInfo("dshelf - CThreadSink::DoUpload() UploadDone Notify! step 2  ");
    if (!PostEnded(pTask, 3, R)) {
        return;
    }
    TraceInfo("dshelf - CThreadSink::DoUpload() UploadDone Notify! step 3  ");
    rec::SetU32(pJR, "dwResult", R);

    if (R == 0 && dwModuleData == 1) {
        IDataRecord* pF = GetDocShelfMgr()->CreateDataRecord();
        DS_CHECK_RETURN(pF != nullptr, kFile, 330, "pContainer");
        pF->SetMethod(1);
        rec::SetU32(pF, "SubMethod", 3);
        rec::SetStr(pF, "FullPath", P);
        PostWorkResult(pF);

        IDataRecord* pG = GetDocShelfMgr()->CreateDataRecord();
        DS_CHECK_RETURN(pG != nullptr, kFile, 337, "pContainer");
        pG->SetMethod(1);
        rec::SetU32(pG, "SubMethod", 4);
        auto* pMessage = new std::string;
        if (EqualsNoCase(localName, kChatFilterFileName)) {
            *pMessage = kChatFilterUploaded;
            CWebDavMgr* pMgr = GetWebDavMgr();
            std::string local = GetDocShelfMgr()->GetLocalDirectory() + kChatFilterFileName;
            ITask* pNext = pMgr->DownloadFile(
                (std::string(kPresenterFolder) + kChatFilterFileName).c_str(), local.c_str(), 0, 0);
            if (pNext != nullptr) {
                pMgr->StartTask(pNext);
            }
        } else {
            std::string format = LoadLocalString(kIdsUploadedFile);
            std::string author = GetDocShelfMgr()->GetAuthorName();
            int n = std::snprintf(nullptr, 0, format.c_str(), author.c_str(), localName.c_str());
            if (n > 0) {
                pMessage->resize(static_cast<size_t>(n));
                std::snprintf(pMessage->data(), static_cast<size_t>(n) + 1, format.c_str(),
                              author.c_str(), localName.c_str());
            }
        }
        rec::SetPtr(pG, "pMessage", pMessage);
        PostWorkResult(pG);
    }
    uint32_t addRef = 0;
    if (rec::GetU32(pJR, "AddRefFlag", addRef) && addRef != 0) {
        GetDocShelfMgr()->RemoveActiveTransfer();
    }
}
