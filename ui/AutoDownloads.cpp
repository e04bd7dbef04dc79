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
        m_Running.push_back(taskId);
    }
    return taskId != 0;
}

void CAutoDownloads::OnEnded(uint32_t taskId) {
    const auto it = std::find(m_Running.begin(), m_Running.end(), taskId);
    if (it == m_Running.end()) {
        return;
    }
    m_Running.erase(it);
    StartWaiting();
}

void CAutoDownloads::StartWaiting() {
    while (m_Running.size() < kMaxRunning && !m_Waiting.empty()) {
        const File file = std::move(m_Waiting.front());
        m_Waiting.pop_front();
        // One that cannot start now is left to a later listing, as at once.
        if (const uint32_t taskId = m_Start(file); taskId != 0) {
            m_Running.push_back(taskId);
        }
    }
    if (m_Waiting.empty()) {
        m_Waiting.shrink_to_fit();
    }
}
