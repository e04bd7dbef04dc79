// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

#include "Thread.h"

namespace {

// Counts wake-ups until stopped; optionally blocks in its body until released.
class CCountingThread : public qk::CThread {
public:
    ~CCountingThread() {
        Release();
        if (IsRunning()) {
            Stop(1, 10000);
        }
    }
    void Run() override {
        while (IsRunning()) {
            {
                std::unique_lock<std::mutex> lock(m_lock);
                m_bInBody = true;
                m_cv.notify_all();
                m_cv.wait(lock, [this] { return !m_bBlock; });
            }
            ++m_nPasses;
            WaitSignal(500);
        }
        m_bFinished = true;
    }
    void Block() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bBlock = true;
    }
    void WaitInBody() {
        std::unique_lock<std::mutex> lock(m_lock);
        m_cv.wait(lock, [this] { return m_bInBody; });
    }
    void Release() {
        std::lock_guard<std::mutex> lock(m_lock);
        m_bBlock = false;
        m_cv.notify_all();
    }

    std::atomic<int> m_nPasses{0};
    std::atomic<bool> m_bFinished{false};

private:
    std::mutex m_lock;
    std::condition_variable m_cv;
    bool m_bBlock = false;
    bool m_bInBody = false;
};

} // namespace

TEST(ThreadBase, StopWithWaitReturnsOnceTheBodyEnded) {
    CCountingThread t;
    ASSERT_EQ(t.Start(), 1);
    EXPECT_EQ(t.IsRunning(), 1);
    EXPECT_EQ(t.Stop(1, 10000), qk::WAIT_OBJECT_0);
    EXPECT_TRUE(t.m_bFinished);
    EXPECT_EQ(t.IsRunning(), 0);
}

TEST(ThreadBase, StopWithoutWaitReturnsZero) {
    CCountingThread t;
    ASSERT_EQ(t.Start(), 1);
    EXPECT_EQ(t.Stop(0, 0), 0u);
    EXPECT_EQ(t.Stop(1, 10000), qk::WAIT_OBJECT_0);
}

TEST(ThreadBase, StopOfANeverStartedThreadWaitsForNothing) {
    CCountingThread t;
    EXPECT_EQ(t.Stop(1, 10000), 0u);
}

TEST(ThreadBase, BodyThatDoesNotEndInTimeGivesWaitTimeout) {
    // Static: the detached body may touch its object until it has fully ended.
    static CCountingThread s_thread;
    CCountingThread* t = &s_thread;
    t->Block();
    ASSERT_EQ(t->Start(), 1);
    t->WaitInBody();
    EXPECT_EQ(t->Stop(1, 20), qk::WAIT_TIMEOUT);
    // The detached body ends by itself once released.
    t->Release();
    while (!t->m_bFinished) {
        std::this_thread::yield();
    }
}

TEST(ThreadBase, SignalWakesTheBodyAtOnce) {
    CCountingThread t;
    ASSERT_EQ(t.Start(), 1);
    while (t.m_nPasses < 1) {
        std::this_thread::yield();
    }
    int before = t.m_nPasses;
    t.Signal();
    while (t.m_nPasses == before) {
        std::this_thread::yield();
    }
    EXPECT_GT(t.m_nPasses, before);
    t.Stop(1, 10000);
}
