// SPDX-License-Identifier: Apache-2.0
#include "TransferRegistry.h"

#include "CoreLib.h"
#include "ProgressWatch.h"

void CTransferRegistry::Add(ITask* pTask) {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Entries[pTask->GetTaskID()] = Entry{pTask, nullptr};
}

void CTransferRegistry::SetWatch(uint32_t taskId, CProgressWatch* pWatch) {
    std::lock_guard<std::mutex> lock(m_Lock);
    auto it = m_Entries.find(taskId);
    if (it == m_Entries.end()) {
        return;
    }
    it->second.pWatch = pWatch;
    // A cancel that came while no session was open still ends this one at once.
    if (pWatch != nullptr && it->second.pTask->IsStopped()) {
        pWatch->Cancel();
    }
}

void CTransferRegistry::Remove(uint32_t taskId) {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Entries.erase(taskId);
}

bool CTransferRegistry::Cancel(uint32_t taskId) {
    std::lock_guard<std::mutex> lock(m_Lock);
    auto it = m_Entries.find(taskId);
    if (it == m_Entries.end()) {
        return false;
    }
    Cancel(it->second);
    return true;
}

void CTransferRegistry::CancelAll() {
    std::lock_guard<std::mutex> lock(m_Lock);
    for (auto& [id, entry] : m_Entries) {
        Cancel(entry);
    }
}

bool CTransferRegistry::IsWaiting(uint32_t taskId) {
    std::lock_guard<std::mutex> lock(m_Lock);
    auto it = m_Entries.find(taskId);
    return it != m_Entries.end() && it->second.pWatch == nullptr;
}

void CTransferRegistry::Clear() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Entries.clear();
}

void CTransferRegistry::Cancel(Entry& entry) {
    entry.pTask->Stop();
    if (entry.pWatch != nullptr) {
        entry.pWatch->Cancel();
    }
}
