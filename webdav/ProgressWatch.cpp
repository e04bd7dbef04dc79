#include "ProgressWatch.h"

CProgressWatch::CProgressWatch(size_t minBytes, int seconds)
    : m_nMinBytes(minBytes), m_Window(std::chrono::seconds(seconds)), m_WindowStart(Clock::now()) {}

CProgressWatch CProgressWatch::Deadline(int seconds) {
    return CProgressWatch(0, seconds);
}

CProgressWatch CProgressWatch::MinimumRate(size_t bytes, int seconds) {
    return CProgressWatch(bytes, seconds);
}

bool CProgressWatch::Moved(size_t bytes) {
    if (m_bExpired) {
        return false;
    }
    m_nWindowBytes += bytes;
    const Clock::time_point now = Clock::now();
    if (now - m_WindowStart < m_Window) {
        return true;
    }
    if (m_nMinBytes == 0 || m_nWindowBytes < m_nMinBytes) {
        m_bExpired = true;
        return false;
    }
    // A window that moved enough starts the next one.
    m_WindowStart = now;
    m_nWindowBytes = 0;
    return true;
}

std::string CProgressWatch::Reason() const {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(m_Window).count();
    if (m_nMinBytes == 0) {
        return "no complete answer within " + std::to_string(seconds) + " s";
    }
    return "fewer than " + std::to_string(m_nMinBytes) + " bytes moved in " +
           std::to_string(seconds) + " s";
}
