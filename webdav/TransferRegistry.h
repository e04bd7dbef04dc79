// SPDX-License-Identifier: Apache-2.0
// The transfers submitted and not yet ended, by task id: what a cancel finds. A running job
// names its watch, so that a cancel also cuts a connection neon is waiting on.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>

class CProgressWatch;
class ITask;

class CTransferRegistry {
public:
    void Add(ITask* pTask);
    // The job's watch while it has a session; null once the session is gone.
    void SetWatch(uint32_t taskId, CProgressWatch* pWatch);
    // The job has ended; its task is freed after this.
    void Remove(uint32_t taskId);
    // Asks the task to stop and ends its request; false when no such transfer waits or runs.
    bool Cancel(uint32_t taskId);
    void CancelAll();
    // Submitted and not yet begun on a session.
    bool IsWaiting(uint32_t taskId);
    // The task manager dropped every task.
    void Clear();

private:
    struct Entry {
        ITask* pTask = nullptr;
        CProgressWatch* pWatch = nullptr;
    };
    static void Cancel(Entry& entry);

    std::mutex m_Lock;
    std::map<uint32_t, Entry> m_Entries;
};
