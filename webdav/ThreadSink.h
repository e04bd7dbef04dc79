// SPDX-License-Identifier: Apache-2.0
// The transfer job sink: runs one upload or download per call on a CoreLib task thread and
// reports its start and end as records posted to the panel view.
#pragma once

#include <cstdint>
#include <string>

#include "CoreLib.h"
#include "DSProtocol.h"
#include "LocalCommit.h"
#include "TransferRegistry.h"

struct ne_session_s;
typedef struct ne_session_s ne_session;
class CFile;
class CWatchedSession;
struct StoredFile;

class CThreadSink : public IJobSink, public ITaskSink {
public:
    CThreadSink() = default;
    virtual ~CThreadSink() = default;

    void ExecuteJob(IJob* pJob) override;
    void NotifyJob(IJob* pJob) override;
    void NotifyTask(ITask* pTask) override;

    // The transfers submitted and not yet ended. Never destroyed: a transfer thread may still
    // end its job while the process exits.
    static CTransferRegistry& Transfers();

private:
    // One transfer while it runs.
    struct Run {
        IJob* pJob = nullptr;
        ITask* pTask = nullptr;
        IDataRecord* pJR = nullptr;
        CWatchedSession* pSession = nullptr; // while the transfer runs
        ne_session* sess = nullptr;          // its neon session
        std::string serverPath;              // "FullPath", not escaped
        std::string localPath;
        std::string localName;       // set once the local file is open
        uint64_t resumeFrom = 0;     // bytes of a kept part being continued
        std::string resumeValidator; // the kept part's version of the file
        uint64_t resumeLength = 0;   // and its whole length
        LocalTarget targetBefore;    // what the commit must find at the target
    };

    void DoDownload(IJob* pJob);
    void DoUpload(IJob* pJob);
    // A job's run begins: its start posted, its paths read. False when it cannot run; a missing
    // job record is reported with the check's line.
    bool BeginRun(IJob* pJob, uint32_t startedSub, int nCheckLine, Run& run);
    // The job's session is the one a cancel cuts while the job runs.
    void WatchSession(Run& run, CWatchedSession* pSession);
    static bool IsCancelled(const Run& run);
    // The steps on a session of their own.
    ds::TransferResult Download(Run& run);
    ds::TransferResult Upload(Run& run, std::string& leftover);

    // Download steps.
    ds::TransferResult OpenDownloadTarget(Run& run, CFile& file, std::string& tempPath);
    static bool OpenKeptPart(Run& run, CFile& file, std::string& tempPath);
    static bool TargetStillAsAsked(Run& run);
    void SettlePart(Run& run, const std::string& tempPath, ds::TransferResult result);
    ds::TransferResult FetchBody(Run& run, CFile& file);
    static bool HasPromisedLength(const Run& run, const std::string& tempPath);
    ds::TransferResult CommitDownload(Run& run, const std::string& tempPath);
    void PostDownloadDone(Run& run, ds::TransferResult result);

    // Upload steps.
    ds::TransferResult OpenUploadSource(Run& run, CFile& file, int64_t& length);
    ds::TransferResult SendIntoPlace(Run& run, CFile& file, int64_t length,
                                     const std::string& target, std::string& leftover);
    // A name of its own for each upload's bytes, not escaped, ending in ds::kUploadTempSuffix.
    static std::string TemporaryUploadName(const std::string& serverPath);
    ds::TransferResult SendProbe(Run& run, const std::string& temp);
    ds::TransferResult SendBody(Run& run, const std::string& temp, int64_t length);
    ds::TransferResult MoveIntoPlace(Run& run, const std::string& temp, const std::string& target);
    ds::TransferResult VerifyStoredLength(Run& run, const std::string& uri, int64_t length,
                                          StoredFile& stored);
    static void RemoveTemporary(const std::string& temp);
    void LabelAuthor(Run& run, const std::string& path);
    void PostUploadDone(Run& run, ds::TransferResult result);
    void PostUploadNotices(Run& run);
};
