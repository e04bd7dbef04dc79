// SPDX-License-Identifier: Apache-2.0
#include "RateLimit.h"

#include <algorithm>
#include <thread>

void CRateLimit::SetRate(uint64_t bytesPerSecond) {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_nRate = bytesPerSecond;
    m_Tokens = static_cast<double>(bytesPerSecond) * kBurstSeconds;
    m_Filled = Clock::now();
}

uint64_t CRateLimit::Rate() {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_nRate;
}

bool CRateLimit::Take(size_t bytes, const std::function<bool()>& stopped) {
    Clock::duration wait{};
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (m_nRate == 0) {
            return true;
        }
        const double rate = static_cast<double>(m_nRate);
        const Clock::time_point now = Clock::now();
        const double elapsed = std::chrono::duration<double>(now - m_Filled).count();
        m_Tokens = std::min(m_Tokens + elapsed * rate, rate * kBurstSeconds);
        m_Filled = now;
        // The bytes are taken now; a debt is waited off before they go on.
        m_Tokens -= static_cast<double>(bytes);
        if (m_Tokens < 0) {
            wait = std::chrono::duration_cast<Clock::duration>(
                std::chrono::duration<double>(-m_Tokens / rate));
        }
    }
    const Clock::time_point until = Clock::now() + wait;
    while (Clock::now() < until) {
        if (stopped()) {
            return false;
        }
        std::this_thread::sleep_for(std::min<Clock::duration>(kWaitSlice, until - Clock::now()));
    }
    return !stopped();
}

CRateLimit& AutoDownloadRate() {
    static CRateLimit s_rate;
    return s_rate;
}
