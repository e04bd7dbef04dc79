// The transfer job sink: runs one upload or download per call on a CoreLib task thread and
// reports its start and end as records posted to the panel view.
#pragma once

#include "CoreLib.h"

class CThreadSink : public IJobSink, public ITaskSink {
public:
    CThreadSink() = default;
    virtual ~CThreadSink() = default;

    void ExecuteJob(IJob* pJob) override;
    void NotifyJob(IJob* pJob) override;
    void NotifyTask(ITask* pTask) override;

private:
    void DoDownload(IJob* pJob);
    void DoUpload(IJob* pJob);
};
