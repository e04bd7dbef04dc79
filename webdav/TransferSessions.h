// SPDX-License-Identifier: Apache-2.0
// Sessions kept between transfers. A transfer worker takes a session kept for the same settings
// (its connection, TLS and authentication already made) and gives it back when the transfer
// ends with an answer from the server, so a burst of transfers costs one connection, one
// handshake and one challenge per worker, not per file. A session is dropped when the settings
// change (it is never handed to other settings), after a transfer that leaves its connection in
// doubt (a lost connection, a local failure, a cancel), and after the settings' idle time
// unused (NetworkLimits::idleSeconds, 30 s); at most kMaxKept wait. Any thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "ProgressWatch.h"
#include "WebDavMgr.h"

class CWatchedSession;

class CTransferSessions {
public:
    static constexpr size_t kMaxKept = 16;

    static CTransferSessions& Instance();
    ~CTransferSessions();

    // A session kept for these settings, its watch started afresh under limit; else a new one.
    std::unique_ptr<CWatchedSession> Take(const ServerSettings& settings,
                                          const CProgressWatch::Limit& limit);
    // Keeps a session made with these settings for the next transfer.
    void Give(std::unique_ptr<CWatchedSession> pSession, const ServerSettings& settings);
    // Drops every kept session (shutdown, and tests).
    void Clear();
    size_t KeptCount();

private:
    using Clock = std::chrono::steady_clock;
    struct Kept {
        std::unique_ptr<CWatchedSession> pSession;
        ServerSettings settings;
        Clock::time_point since;
    };

    CTransferSessions() = default;
    void RunReaper();
    static Clock::time_point ExpiryOf(const Kept& kept);
    // Under the lock: the kept sessions past their idle time, taken out.
    std::vector<Kept> TakeExpired(Clock::time_point now);

    std::mutex m_Lock;
    std::condition_variable m_Changed;
    std::vector<Kept> m_Kept;
    std::thread m_Reaper;
    bool m_bStop = false;
};
