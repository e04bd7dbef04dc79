// SPDX-License-Identifier: Apache-2.0
// A small reusable thread base: a running flag, an auto-reset wake event and a body.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace qk {

constexpr unsigned WAIT_OBJECT_0 = 0;
constexpr unsigned WAIT_TIMEOUT = 258;

class CThread {
public:
    CThread() = default;
    CThread(const CThread&) = delete;
    CThread& operator=(const CThread&) = delete;

    // 1 when the thread was created and runs, 0 when it could not be created. A body that an
    // earlier Stop left running is waited for first, for as long as a request can last.
    int Start();
    // Clears the running flag and wakes the body. With a wait: WAIT_OBJECT_0 once the body
    // ended, WAIT_TIMEOUT when it did not end in time (the thread is then abandoned: left to
    // end by itself, as POSIX has no safe way to terminate it). 0 when no wait took place.
    unsigned Stop(int bWait, unsigned nTimeoutMs);
    int IsRunning() const { return m_bRunning.load(); }
    void Signal();
    // Waits at most nMs for the wake event, which resets itself.
    void WaitSignal(unsigned nMs);

    virtual void Run() = 0;

protected:
    // The last Stop gave up waiting: the body should end without further work.
    bool IsAbandoned() const { return m_bAbandoned.load(); }
    // Derived classes stop the thread in their own destructor, while their members exist.
    ~CThread();

private:
    void Body();

    std::thread m_thread;
    uint32_t m_dwThreadId = 0;
    std::atomic<int> m_bRunning{0};
    std::atomic<bool> m_bAbandoned{false};
    std::mutex m_eventLock;
    std::condition_variable m_eventCv;
    bool m_bSignalled = false;
    std::mutex m_endLock;
    std::condition_variable m_endCv;
    bool m_bEnded = false;
    bool m_bStarted = false;
};

} // namespace qk
