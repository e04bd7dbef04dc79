// Bounds a request that keeps its connection busy without getting anywhere: a server that sends
// one byte now and then never trips the read timeout. A listing has a deadline for its whole
// answer; a transfer must move a minimum of bytes in every window of time. The body callbacks
// count what moves and abort the request once the watch has expired.
#pragma once

#include <chrono>
#include <cstddef>
#include <string>

class CProgressWatch {
public:
    using Clock = std::chrono::steady_clock;

    // The whole request ends within `seconds`.
    static CProgressWatch Deadline(int seconds);
    // At least `bytes` move within every window of `seconds`.
    static CProgressWatch MinimumRate(size_t bytes, int seconds);

    // Counts bytes that moved now; false once the request has to end.
    bool Moved(size_t bytes);
    bool HasExpired() const { return m_bExpired; }
    // For the log, once expired: what was not met.
    std::string Reason() const;

private:
    CProgressWatch(size_t minBytes, int seconds);

    size_t m_nMinBytes; // 0: a deadline
    Clock::duration m_Window;
    Clock::time_point m_WindowStart;
    size_t m_nWindowBytes = 0;
    bool m_bExpired = false;
};
