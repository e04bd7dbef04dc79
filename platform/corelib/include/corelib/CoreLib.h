// SPDX-License-Identifier: Apache-2.0
// The utility library the component imports: keyed records, a task manager that runs jobs
// on threads of its own, a log sink and the work directory.
#pragma once

#include <cstdint>

#define CORELIB_API __attribute__((visibility("default")))

class IJob;
class ITask;

// A keyed set of byte values with a method number. Values are copied in and out.
// Reference counted: the last Release frees the record.
class IDataRecord {
public:
    virtual int32_t AddRef() = 0;
    virtual int32_t Release() = 0;
    virtual int32_t RemoveData(const char* pszKey) = 0;
    virtual void RemoveAll() = 0;
    virtual void SetMethod(uint32_t dwMethod) = 0;
    virtual uint32_t GetMethod() = 0;
    virtual int32_t SetData(const char* pszKey, const void* pData, uint32_t dwSize) = 0;
    virtual void* GetDataPtr(const char* pszKey) = 0;
    virtual uint32_t GetDataSize(const char* pszKey) = 0;
    // Nonzero when the key exists and its value, no larger than dwSize, was copied.
    virtual int32_t GetData(const char* pszKey, void* pBuffer, uint32_t dwSize) = 0;
    virtual int32_t HasData(const char* pszKey) = 0;

protected:
    ~IDataRecord() = default;
};

class IDataFactory {
public:
    // A new record holding one reference, or null.
    virtual IDataRecord* CreateDataRecord() = 0;

protected:
    ~IDataFactory() = default;
};

class IJobSink {
public:
    virtual void ExecuteJob(IJob* pJob) = 0;
    virtual void NotifyJob(IJob* pJob) = 0;

protected:
    ~IJobSink() = default;
};

class ITaskSink {
public:
    virtual void NotifyTask(ITask* pTask) = 0;

protected:
    ~ITaskSink() = default;
};

// The single job of a task. The job owns its container record.
class IJob {
public:
    virtual ITask* GetTask() = 0;
    virtual void SetSink(IJobSink* pSink) = 0;
    virtual IJobSink* GetSink() = 0;
    virtual void SetContainer(IDataRecord* pRecord) = 0;
    virtual IDataRecord* GetContainer() = 0;

protected:
    ~IJob() = default;
};

// A unit of work run by the task manager. The manager owns its tasks: a task is freed once its
// job has run, or when the manager stops. The task owns its task record.
class ITask {
public:
    virtual IJob* GetJob() = 0;
    virtual void SetSink(ITaskSink* pSink) = 0;
    virtual uint32_t GetTaskID() = 0;
    virtual void SetTaskRecord(IDataRecord* pRecord) = 0;
    virtual IDataRecord* GetTaskRecord() = 0;
    virtual int32_t IsStopped() = 0;
    // Asks the task to be abandoned: IsStopped turns nonzero.
    virtual void Stop() = 0;

protected:
    ~ITask() = default;
};

class ITaskMgr {
public:
    // Starts the worker threads; nStart is the number to start, 1 for the default pool. After
    // StopTaskMgr it starts the manager again.
    virtual int32_t InitTaskMgr(int32_t nStart) = 0;
    // Ends every task thread: running tasks are asked to stop, waiting tasks are dropped. A
    // job that does not end within a few seconds is left to end by itself: 0 when every
    // thread ended, 258 when one was left. New tasks are refused until InitTaskMgr.
    virtual uint32_t StopTaskMgr() = 0;
    virtual ITask* CreateTask() = 0;
    virtual int32_t SubmitTask(ITask* pTask) = 0;
    // Tasks submitted and not yet ended, a job left running by a stop included.
    virtual uint32_t GetPendingTaskCount() = 0;

protected:
    ~ITaskMgr() = default;
};

// Receives every log line: module, level (16 assertion, 8 error, 4 info) and text.
typedef void (*CoreLogSink)(void* pContext, int32_t nModule, int32_t nLevel, const char* pszText);

extern "C" {
CORELIB_API IDataFactory* GetDataFactory(int32_t nFlag);
CORELIB_API ITaskMgr* CreateTaskMgr();
CORELIB_API void WriteLog(int32_t nModule, int32_t nLevel, const char* pszText);
CORELIB_API int32_t SetWorkDirectory(const char* pszPath);

// For hosts and tests: where log lines go, and the lowest level passed on. A null sink restores
// the default, which writes lines of level 8 and above to standard error.
CORELIB_API void CoreLibSetLogSink(CoreLogSink pfnSink, void* pContext, int32_t nMinLevel);
// Copies the directory last given to SetWorkDirectory (cut to fit); returns its full length.
CORELIB_API uint32_t CoreLibGetWorkDirectory(char* pBuffer, uint32_t dwSize);
}

enum : int32_t {
    CORELOG_INFO = 4,
    CORELOG_ERROR = 8,
    CORELOG_ASSERT = 16,
};
