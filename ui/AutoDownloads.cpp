// SPDX-License-Identifier: Apache-2.0
#include "AutoDownloads.h"

#include <algorithm>

bool CAutoDownloads::Add(File file) {
    if (m_Running.size() >= kMaxRunning || !m_Waiting.empty()) {
        m_Waiting.push_back(std::move(file));
        return true;
    }
    const uint32_t taskId = m_Start(file);
    if (taskId != 0) {
        m_Running.push_back({taskId, std::move(file.remote)});
    }
    return taskId != 0;
}

std::string CAutoDownloads::OnEnded(uint32_t taskId) {
    const auto it = std::find_if(m_Running.begin(), m_Running.end(),
                                 [taskId](const Running& r) { return r.taskId == taskId; });
    if (it == m_Running.end()) {
        return {};
    }
    std::string remote = std::move(it->remote);
    m_Running.erase(it);
    StartWaiting();
    return remote;
}

void CAutoDownloads::StartWaiting() {
    while (m_Running.size() < kMaxRunning && !m_Waiting.empty()) {
        const File file = std::move(m_Waiting.front());
        m_Waiting.pop_front();
        // One that cannot start now is left to a later listing, as at once.
        if (const uint32_t taskId = m_Start(file); taskId != 0) {
            m_Running.push_back({taskId, file.remote});
        }
    }
    if (m_Waiting.empty()) {
        m_Waiting.shrink_to_fit();
    }
}
