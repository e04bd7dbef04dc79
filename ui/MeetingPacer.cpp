// SPDX-License-Identifier: Apache-2.0
#include "MeetingPacer.h"

#include <algorithm>

void CMeetingPacer::Wait(const Work& asked) {
    m_Waiting.refresh |= asked.refresh;
    m_Waiting.fetchChatFilter |= asked.fetchChatFilter;
    for (const std::string& file : asked.files) {
        if (std::find(m_Waiting.files.begin(), m_Waiting.files.end(), file) ==
            m_Waiting.files.end()) {
            m_Waiting.files.push_back(file);
        }
    }
    if (m_Waiting.refresh || m_Waiting.files.size() > kMaxWaitingFiles) {
        m_Waiting.refresh = true;
        m_Waiting.files.clear();
    }
}

CMeetingPacer::Work CMeetingPacer::Ask(Work asked, Clock::time_point now, int& delayMs) {
    delayMs = 0;
    const auto since = now - m_LastRun;
    if (!m_bTimerArmed && since >= kGap) {
        m_LastRun = now;
        return asked;
    }
    Wait(asked);
    if (!m_bTimerArmed) {
        m_bTimerArmed = true;
        delayMs = static_cast<int>(
                      std::chrono::duration_cast<std::chrono::milliseconds>(kGap - since).count()) +
                  1;
    }
    return Work{};
}

CMeetingPacer::Work CMeetingPacer::OnTimer(Clock::time_point now) {
    m_bTimerArmed = false;
    const Work due = m_Waiting;
    m_Waiting = Work{};
    if (due.Any()) {
        m_LastRun = now;
    }
    return due;
}
