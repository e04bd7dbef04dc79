// SPDX-License-Identifier: Apache-2.0
#include "Thread.h"

#include <chrono>
#include <system_error>
#include <unistd.h>

namespace qk {

namespace {
// Longer than any request with the engine's connect and read timeouts.
constexpr auto kAbandonedBodyWait = std::chrono::seconds(60);
} // namespace

CThread::~CThread() {
    if (m_bRunning.load()) {
        Stop(1, 50000);
    }
    if (m_thread.joinable()) {
        m_thread.detach();
    }
    if (m_bStarted) {
        // A body left running by a timed-out Stop still uses this object: give it a last
        // chance to end before the members go.
        std::unique_lock<std::mutex> lock(m_endLock);
        m_endCv.wait_for(lock, std::chrono::seconds(5), [this] { return m_bEnded; });
    }
}

int CThread::Start() {
    if (m_thread.joinable()) {
        return m_bRunning.load();
    }
    {
        std::unique_lock<std::mutex> lock(m_endLock);
        if (m_bStarted &&
            !m_endCv.wait_for(lock, kAbandonedBodyWait, [this] { return m_bEnded; })) {
            return 0;
        }
        m_bEnded = false;
    }
    m_bAbandoned = false;
    m_bRunning = 1;
    try {
        m_thread = std::thread(&CThread::Body, this);
        m_bStarted = true;
    } catch (const std::system_error&) {
        m_bRunning = 0;
        return 0;
    }
    return m_bRunning.load() ? 1 : 0;
}

void CThread::Body() {
    m_dwThreadId = static_cast<uint32_t>(gettid());
    Run();
    std::lock_guard<std::mutex> lock(m_endLock);
    m_bEnded = true;
    m_endCv.notify_all();
}

unsigned CThread::Stop(int bWait, unsigned nTimeoutMs) {
    unsigned result = 0;
    m_bRunning = 0;
    Signal();
    if (bWait && m_thread.joinable()) {
        std::unique_lock<std::mutex> lock(m_endLock);
        bool ended = m_endCv.wait_for(lock, std::chrono::milliseconds(nTimeoutMs),
                                      [this] { return m_bEnded; });
        lock.unlock();
        if (ended) {
            m_thread.join();
            result = WAIT_OBJECT_0;
        } else {
            m_bAbandoned = true;
            m_thread.detach();
            result = WAIT_TIMEOUT;
        }
    }
    return result;
}

void CThread::Signal() {
    std::lock_guard<std::mutex> lock(m_eventLock);
    m_bSignalled = true;
    m_eventCv.notify_one();
}

void CThread::WaitSignal(unsigned nMs) {
    std::unique_lock<std::mutex> lock(m_eventLock);
    m_eventCv.wait_for(lock, std::chrono::milliseconds(nMs), [this] { return m_bSignalled; });
    m_bSignalled = false;
}

} // namespace qk
