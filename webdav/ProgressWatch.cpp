// SPDX-License-Identifier: Apache-2.0
#include "ProgressWatch.h"

CProgressWatch::CProgressWatch(const Limit& limit) : m_Limit(limit), m_WindowStart(Clock::now()) {}

bool CProgressWatch::Moved(size_t bytes) {
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_bExpired) {
        return false;
    }
    if (m_bIdle) {
        return true;
    }
    m_nWindowBytes += bytes;
    const Clock::time_point now = Clock::now();
    if (now - m_WindowStart < std::chrono::seconds(m_Limit.seconds)) {
        return true;
    }
    if (m_Limit.minBytes == 0 || m_nWindowBytes < m_Limit.minBytes) {
        m_bExpired = true;
        return false;
    }
    // A window that moved enough starts the next one.
    m_WindowStart = now;
    m_nWindowBytes = 0;
    return true;
}

bool CProgressWatch::HasExpired() const {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_bExpired;
}

void CProgressWatch::SetIdle() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bIdle = true;
}

void CProgressWatch::Resume() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bIdle = false;
    m_WindowStart = Clock::now();
    m_nWindowBytes = 0;
}

void CProgressWatch::Restart() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_WindowStart = Clock::now();
    m_nWindowBytes = 0;
    m_bExpired = false;
    m_bCancelled = false;
    m_bIdle = false;
}

void CProgressWatch::Restart(const Limit& limit) {
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Limit = limit;
    }
    Restart();
}

void CProgressWatch::Cancel() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_bExpired = true;
    m_bCancelled = true;
}

std::string CProgressWatch::Reason() const {
    std::lock_guard<std::mutex> lock(m_Lock);
    if (m_bCancelled) {
        return "transfer cancelled";
    }
    const std::string seconds = std::to_string(m_Limit.seconds);
    if (m_Limit.minBytes == 0) {
        return "no complete answer within " + seconds + " s";
    }
    return "fewer than " + std::to_string(m_Limit.minBytes) + " bytes moved in " + seconds + " s";
}
