// SPDX-License-Identifier: Apache-2.0
/**
 * @file CoreLib.h
 * @brief The utility library the component imports: keyed records, a task manager that runs
 * jobs on threads of its own, a log sink and the work directory.
 *
 * A host uses `libcorelib.so` for the log: CoreLibSetLogSink takes the component's log lines
 * (the host guide's "The log"). Link it, or look the function up through the component's
 * handle, `dlsym(handle, "CoreLibSetLogSink")`. The records and the task manager are the
 * component's own tools between its threads; no record crosses the component's interfaces.
 *
 * **The log.** Every line has a module number, a level and a text. The module numbers:
 *
 * @verbatim
   nModule  written by                           lines
   0        the component                        every line it writes, at every level
   other    no one in the component or CoreLib   only what a caller of WriteLog writes
   @endverbatim
 *
 * The levels: 4 (CORELOG_INFO) what the component does; 8 (CORELOG_ERROR) a failure: a
 * request, a listing, a local file, a refusal; 16 (CORELOG_ASSERT) a broken precondition
 * ("Assert failed: file=F line=N expr=E") and a few failures marked as grave (a local file a
 * transfer could not open, an upload whose first request was refused). The component's texts
 * are one line each, at most 1,023 bytes (longer ones are cut), with control characters
 * written as `\xNN` and characters that would reorder or hide text as `\uXXXX`; a password
 * is never written.
 */
#pragma once

#include <cstdint>

/** @brief Marks the functions CoreLib exports (default visibility). */
#define CORELIB_API __attribute__((visibility("default")))

class IJob;
class ITask;

/**
 * @brief A keyed set of byte values with a method number.
 *
 * Values are copied in and out. Keys are compared exactly (letter case counts). Reference
 * counted: the last Release frees the record. Not locked: one thread at a time uses a record;
 * AddRef and Release alone may come from any thread.
 */
class IDataRecord {
public:
    /**
     * @brief Adds a reference.
     * @return the count after the call.
     */
    virtual int32_t AddRef() = 0;
    /**
     * @brief Takes a reference away; at 0 the record is freed.
     * @return the count after the call; 0 when the record was freed.
     */
    virtual int32_t Release() = 0;
    /**
     * @brief Removes a key and its value.
     * @param pszKey the key.
     * @return 1 when it was there, 0 otherwise.
     */
    virtual int32_t RemoveData(const char* pszKey) = 0;
    /** @brief Removes every key; the method stays. */
    virtual void RemoveAll() = 0;
    /**
     * @brief Sets the method number: what the record is for, the user's to choose.
     * @param dwMethod the number; 0 in a new record.
     */
    virtual void SetMethod(uint32_t dwMethod) = 0;
    /**
     * @brief The method number.
     * @return the number SetMethod set, 0 before.
     */
    virtual uint32_t GetMethod() = 0;
    /**
     * @brief Sets a key's value: a copy of dwSize bytes, replacing any value it had.
     * @param pszKey the key, copied.
     * @param pData the bytes; may be null when dwSize is 0.
     * @param dwSize the number of bytes.
     * @return 1; 0 when pszKey is null or pData is null with a size, and nothing changes.
     */
    virtual int32_t SetData(const char* pszKey, const void* pData, uint32_t dwSize) = 0;
    /**
     * @brief The address of a key's stored bytes.
     * @param pszKey the key.
     * @return the address (a valid one also for an empty value), or null when the key is not
     *         there. Owned by the record and valid until the record is next changed or freed.
     */
    virtual void* GetDataPtr(const char* pszKey) = 0;
    /**
     * @brief The size of a key's value.
     * @param pszKey the key.
     * @return the size in bytes; 0 when the key is not there.
     */
    virtual uint32_t GetDataSize(const char* pszKey) = 0;
    /**
     * @brief Copies a key's value into a buffer.
     * @param pszKey the key.
     * @param pBuffer the caller's buffer.
     * @param dwSize its size in bytes.
     * @return nonzero when the key exists and its value, no larger than dwSize, was copied
     *         (exactly its size); 0 otherwise, with nothing copied.
     */
    virtual int32_t GetData(const char* pszKey, void* pBuffer, uint32_t dwSize) = 0;
    /**
     * @brief Whether a key is there.
     * @param pszKey the key.
     * @return 1 when it is, 0 otherwise.
     */
    virtual int32_t HasData(const char* pszKey) = 0;

protected:
    /** @brief Freed by the last Release only. */
    ~IDataRecord() = default;
};

/** @brief Makes records (GetDataFactory). */
class IDataFactory {
public:
    /**
     * @brief A new empty record, method 0. Any thread.
     * @return the record, holding one reference: the caller's, to Release.
     */
    virtual IDataRecord* CreateDataRecord() = 0;

protected:
    /** @brief The factory is CoreLib's and lives as long as the process. */
    ~IDataFactory() = default;
};

/** @brief Runs a task's job: the user's implementation, set with IJob::SetSink. */
class IJobSink {
public:
    /**
     * @brief Does the job's work, on a worker thread of the task manager.
     *
     * A job that can take long looks at ITask::IsStopped (IJob::GetTask).
     * @param pJob the job; valid until its task is freed after ITaskSink::NotifyTask.
     */
    virtual void ExecuteJob(IJob* pJob) = 0;
    /**
     * @brief Called right after ExecuteJob returned, on the same thread.
     * @param pJob the job.
     */
    virtual void NotifyJob(IJob* pJob) = 0;

protected:
    /** @brief Owned by the user; never deleted by CoreLib. */
    ~IJobSink() = default;
};

/** @brief Told when a task's job has run: the user's implementation, set with ITask::SetSink. */
class ITaskSink {
public:
    /**
     * @brief Called after the job's sink (IJobSink::NotifyJob), on the same worker thread.
     *
     * When it returns the task and its job are freed and their records released.
     * @param pTask the task.
     */
    virtual void NotifyTask(ITask* pTask) = 0;

protected:
    /** @brief Owned by the user; never deleted by CoreLib. */
    ~ITaskSink() = default;
};

/**
 * @brief The single job of a task: its sink, which runs it, and its container record.
 *
 * It lives as long as its task. The job owns its container record.
 */
class IJob {
public:
    /**
     * @brief The task the job belongs to.
     * @return the task; owned by the task manager.
     */
    virtual ITask* GetTask() = 0;
    /**
     * @brief Sets the sink that runs the job; a job without one does nothing when it runs.
     * @param pSink the sink, not owned; it must outlive the task.
     */
    virtual void SetSink(IJobSink* pSink) = 0;
    /**
     * @brief The job's sink.
     * @return the sink SetSink set, null before.
     */
    virtual IJobSink* GetSink() = 0;
    /**
     * @brief Gives the job its container record.
     * @param pRecord the record; the job takes over the caller's reference and releases it
     *        when the task is freed. A different record set before is released.
     */
    virtual void SetContainer(IDataRecord* pRecord) = 0;
    /**
     * @brief The job's container record.
     * @return the record, or null; owned by the job, valid while the task lives.
     */
    virtual IDataRecord* GetContainer() = 0;

protected:
    /** @brief Freed with its task only. */
    ~IJob() = default;
};

/**
 * @brief A unit of work run by the task manager.
 *
 * The manager owns its tasks: a task is freed once its job has run (after
 * ITaskSink::NotifyTask), or by ITaskMgr::StopTaskMgr when it is not running; a task never
 * submitted stays until StopTaskMgr. Do not touch a submitted task after its job's
 * notifications. The task owns its task record.
 */
class ITask {
public:
    /**
     * @brief The task's one job.
     * @return the job; it lives as long as the task.
     */
    virtual IJob* GetJob() = 0;
    /**
     * @brief Sets the sink told once the job has run.
     * @param pSink the sink, not owned; null: none.
     */
    virtual void SetSink(ITaskSink* pSink) = 0;
    /**
     * @brief The task's id.
     * @return the id the manager gave it: 1, 2, ... in the order tasks were created.
     */
    virtual uint32_t GetTaskID() = 0;
    /**
     * @brief Gives the task a record of the user's.
     * @param pRecord the record; the task takes over the caller's reference and releases it
     *        when it is freed. A different record set before is released.
     */
    virtual void SetTaskRecord(IDataRecord* pRecord) = 0;
    /**
     * @brief The task's record.
     * @return the record SetTaskRecord set, or null; owned by the task.
     */
    virtual IDataRecord* GetTaskRecord() = 0;
    /**
     * @brief Whether the task was asked to be abandoned. Any thread.
     * @return nonzero once Stop was called (by the user, or by StopTaskMgr for a running
     *         task); 0 before.
     */
    virtual int32_t IsStopped() = 0;
    /**
     * @brief Asks the task to be abandoned: IsStopped turns nonzero. Any thread.
     *
     * Only a flag: a waiting task still runs its job, and a running job ends when it looks.
     */
    virtual void Stop() = 0;

protected:
    /** @brief Freed by the task manager only. */
    ~ITask() = default;
};

/**
 * @brief A pool of worker threads that runs submitted tasks in the order submitted (CreateTaskMgr).
 *
 * Any thread.
 */
class ITaskMgr {
public:
    /**
     * @brief Starts the worker threads.
     *
     * After StopTaskMgr it starts the manager again, with a new pool.
     * @param nStart the number of threads to start; 1 or less starts the default pool of 4.
     * @return 1 when a pool was started; 0 when one runs already, and nothing changes.
     */
    virtual int32_t InitTaskMgr(int32_t nStart) = 0;
    /**
     * @brief Ends every worker thread.
     *
     * Running tasks are asked to stop (ITask::Stop), waiting tasks and tasks never submitted
     * are dropped and freed. A job that has not ended within 3 s is left to end by itself; its
     * task is freed when it does. New tasks are refused until InitTaskMgr.
     * @return 0 when every thread ended, 258 when one was left running.
     */
    virtual uint32_t StopTaskMgr() = 0;
    /**
     * @brief A new task, owned by the manager, with its job and a new id.
     * @return the task; null while the manager is stopped (after StopTaskMgr, until
     *         InitTaskMgr).
     */
    virtual ITask* CreateTask() = 0;
    /**
     * @brief Queues a task for a worker thread.
     * @param pTask a task this manager created.
     * @return 1 when queued; 0 when the manager is stopped, the task is not this manager's,
     *         or it was submitted before.
     */
    virtual int32_t SubmitTask(ITask* pTask) = 0;
    /**
     * @brief Tasks submitted and not yet ended.
     * @return the number queued and running, a job left running by a stop included.
     */
    virtual uint32_t GetPendingTaskCount() = 0;

protected:
    /** @brief The manager is never freed: it lives as long as the process. */
    ~ITaskMgr() = default;
};

/**
 * @brief Receives every log line that passes the sink's level (CoreLibSetLogSink).
 *
 * Called on the thread that logs, any thread, one line at a time under the log's lock. It must
 * not log itself (through WriteLog or the component): the lock is held. The text is valid only
 * during the call.
 * @param pContext the pointer given to CoreLibSetLogSink.
 * @param nModule the module number: 0 for every line of the component (see CoreLib.h).
 * @param nLevel CORELOG_INFO (4), CORELOG_ERROR (8) or CORELOG_ASSERT (16).
 * @param pszText the line, zero-terminated, without a line break at its end.
 */
typedef void (*CoreLogSink)(void* pContext, int32_t nModule, int32_t nLevel, const char* pszText);

extern "C" {
/**
 * @brief The record factory. Any thread.
 * @param nFlag not used: every value gives the same factory.
 * @return the process-wide factory; never null, never freed.
 */
CORELIB_API IDataFactory* GetDataFactory(int32_t nFlag);
/**
 * @brief A new task manager, with no worker threads until ITaskMgr::InitTaskMgr. Any thread.
 * @return the manager; never freed: it lives as long as the process, since a job left running
 *         by a stop may still use it.
 */
CORELIB_API ITaskMgr* CreateTaskMgr();
/**
 * @brief Writes a log line: to the sink, or without one to standard error as "[level] text".
 *
 * Any thread; one line at a time. A line below the minimum level (8 until a sink sets
 * another) is dropped.
 * @param nModule the module number (the component writes 0).
 * @param nLevel the level: CORELOG_INFO, CORELOG_ERROR or CORELOG_ASSERT.
 * @param pszText the line; null is "".
 */
CORELIB_API void WriteLog(int32_t nModule, int32_t nLevel, const char* pszText);
/**
 * @brief Records a directory for CoreLibGetWorkDirectory; nothing else reads it.
 *
 * The component gives it its save directory (IDocShelfItf::SetLocalDirectory, with the "/"
 * added). Any thread.
 * @param pszPath the directory, copied; null is "".
 * @return 1.
 */
CORELIB_API int32_t SetWorkDirectory(const char* pszPath);

/**
 * @brief Where log lines go, and the lowest level passed on. For hosts and tests.
 *
 * When it returns, the previous sink is never called again. Any thread, but not from inside a
 * sink.
 * @param pfnSink the sink; null restores the default, which writes lines of level 8 and above
 *        to standard error.
 * @param pContext handed to the sink with every line; not owned.
 * @param nMinLevel lines below this level are dropped (CORELOG_INFO for all of them); not
 *        used with a null sink.
 */
CORELIB_API void CoreLibSetLogSink(CoreLogSink pfnSink, void* pContext, int32_t nMinLevel);
/**
 * @brief Copies the directory last given to SetWorkDirectory. Any thread.
 * @param pBuffer the caller's buffer; may be null when dwSize is 0.
 * @param dwSize its size: at most dwSize - 1 bytes and a terminating zero are written (the
 *        directory cut to fit).
 * @return the directory's full length in bytes; 0 before any SetWorkDirectory.
 */
CORELIB_API uint32_t CoreLibGetWorkDirectory(char* pBuffer, uint32_t dwSize);
}

/** @brief The log's levels (WriteLog, CoreLogSink, CoreLibSetLogSink). */
enum : int32_t {
    /** @brief Information: what the component does; dropped by default. */
    CORELOG_INFO = 4,
    /** @brief An error: a request, listing or local file that failed, a refusal. */
    CORELOG_ERROR = 8,
    /** @brief An assertion: a broken precondition, or a failure marked as grave. */
    CORELOG_ASSERT = 16,
};
