// SPDX-License-Identifier: Apache-2.0
// Bounds a request that keeps its connection busy without getting anywhere: a server that sends
// one byte now and then never trips the read timeout. A listing has a deadline for its whole
// answer; a transfer must move a minimum of bytes in every window of time. The body callbacks
// count what moves, and the session watchdog looks at the watch while neon waits.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>

class CProgressWatch {
public:
    using Clock = std::chrono::steady_clock;

    struct Limit {
        size_t minBytes; // 0: the whole request ends within `seconds`
        int seconds;
    };
    // The whole request ends within `seconds`.
    static Limit Deadline(int seconds) { return Limit{0, seconds}; }
    // At least `bytes` move within every window of `seconds`.
    static Limit MinimumRate(size_t bytes, int seconds) { return Limit{bytes, seconds}; }

    explicit CProgressWatch(const Limit& limit);
    CProgressWatch(const CProgressWatch&) = delete;
    CProgressWatch& operator=(const CProgressWatch&) = delete;

    // Any thread. Counts bytes that moved now; false once the request has to end.
    bool Moved(size_t bytes);
    // Any thread: whether the request may go on, nothing having moved.
    bool IsAlive() { return Moved(0); }
    bool HasExpired() const;
    // Any thread: the request ends now, as if the watch had expired.
    void Cancel();
    // A session kept between requests: no request runs, nothing expires until the next one
    // starts the watch afresh.
    void SetIdle();
    // The component holds the request itself (an automatic download waiting for its rate): the
    // wait is no stall. Resume starts a fresh window and keeps a cancel or expiry that came.
    void Hold() { SetIdle(); }
    void Resume();
    void Restart();
    // The next request starts afresh under another limit.
    void Restart(const Limit& limit);
    // For the log, once expired: what was not met.
    std::string Reason() const;

private:
    Limit m_Limit;
    mutable std::mutex m_Lock;
    Clock::time_point m_WindowStart;
    size_t m_nWindowBytes = 0;
    bool m_bExpired = false;
    bool m_bCancelled = false;
    bool m_bIdle = false;
};
