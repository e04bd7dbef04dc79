// SPDX-License-Identifier: Apache-2.0
#include "TransferSessions.h"

#include <algorithm>

#include "WatchedSession.h"

CTransferSessions& CTransferSessions::Instance() {
    // Never destroyed: a transfer thread may give a session back while the process exits.
    static CTransferSessions* s_pSessions = new CTransferSessions;
    return *s_pSessions;
}

CTransferSessions::~CTransferSessions() {
    Clear();
}

std::unique_ptr<CWatchedSession> CTransferSessions::Take(const ServerSettings& settings,
                                                         const CProgressWatch::Limit& limit) {
    std::unique_ptr<CWatchedSession> pSession;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        // The most recently used: its connection is the likeliest to be open still.
        for (auto it = m_Kept.rbegin(); it != m_Kept.rend(); ++it) {
            if (it->settings.SameConnection(settings)) {
                pSession = std::move(it->pSession);
                m_Kept.erase(std::next(it).base());
                break;
            }
        }
    }
    if (pSession == nullptr) {
        return std::make_unique<CWatchedSession>(settings, limit);
    }
    pSession->Watch().Restart(limit);
    return pSession;
}

void CTransferSessions::Give(std::unique_ptr<CWatchedSession> pSession,
                             const ServerSettings& settings) {
    if (pSession == nullptr) {
        return;
    }
    pSession->Watch().SetIdle();
    std::vector<Kept> dropped;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Kept.push_back(Kept{std::move(pSession), settings, Clock::now()});
        // Settings the host has left behind are never used again.
        for (auto it = m_Kept.begin(); it != m_Kept.end();) {
            if (!it->settings.SameConnection(settings) || m_Kept.size() > kMaxKept) {
                dropped.push_back(std::move(*it));
                it = m_Kept.erase(it);
            } else {
                ++it;
            }
        }
        if (!m_Reaper.joinable()) {
            m_bStop = false;
            m_Reaper = std::thread([this] { RunReaper(); });
        }
    }
    m_Changed.notify_all();
    // Closed outside the lock: closing a TLS connection may wait on the network.
    dropped.clear();
}

void CTransferSessions::Clear() {
    std::vector<Kept> dropped;
    std::thread reaper;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        dropped.swap(m_Kept);
        m_bStop = true;
        reaper.swap(m_Reaper);
    }
    m_Changed.notify_all();
    if (reaper.joinable()) {
        reaper.join();
    }
    dropped.clear();
}

size_t CTransferSessions::KeptCount() {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Kept.size();
}

CTransferSessions::Clock::time_point CTransferSessions::ExpiryOf(const Kept& kept) {
    return kept.since + std::chrono::seconds(kept.settings.limits.idleSeconds);
}

std::vector<CTransferSessions::Kept> CTransferSessions::TakeExpired(Clock::time_point now) {
    std::vector<Kept> expired;
    for (auto it = m_Kept.begin(); it != m_Kept.end();) {
        if (now >= ExpiryOf(*it)) {
            expired.push_back(std::move(*it));
            it = m_Kept.erase(it);
        } else {
            ++it;
        }
    }
    return expired;
}

void CTransferSessions::RunReaper() {
    std::unique_lock<std::mutex> lock(m_Lock);
    while (!m_bStop) {
        std::vector<Kept> expired = TakeExpired(Clock::now());
        if (!expired.empty()) {
            lock.unlock();
            expired.clear();
            lock.lock();
            continue;
        }
        if (m_Kept.empty()) {
            m_Changed.wait(lock, [this] { return m_bStop || !m_Kept.empty(); });
            continue;
        }
        const auto first =
            std::min_element(m_Kept.begin(), m_Kept.end(), [](const Kept& a, const Kept& b) {
                return ExpiryOf(a) < ExpiryOf(b);
            });
        m_Changed.wait_until(lock, ExpiryOf(*first));
    }
}
