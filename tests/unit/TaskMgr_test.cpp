// SPDX-License-Identifier: Apache-2.0
// CoreLib's task manager: ids, pool threads, sinks, ownership and stopping.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "CoreLib.h"

namespace {

using namespace std::chrono_literals;

// A record that only counts its releases.
class CountingRecord final : public IDataRecord {
public:
    explicit CountingRecord(std::atomic<int>& releases) : m_releases(releases) {}
    int32_t AddRef() override { return 2; }
    int32_t Release() override { return --m_releases, 0; }
    int32_t RemoveData(const char*) override { return 0; }
    void RemoveAll() override {}
    void SetMethod(uint32_t) override {}
    uint32_t GetMethod() override { return 0; }
    int32_t SetData(const char*, const void*, uint32_t) override { return 0; }
    void* GetDataPtr(const char*) override { return nullptr; }
    uint32_t GetDataSize(const char*) override { return 0; }
    int32_t GetData(const char*, void*, uint32_t) override { return 0; }
    int32_t HasData(const char*) override { return 0; }

private:
    std::atomic<int>& m_releases;
};

// Runs jobs that wait until the test opens the gate or the task is stopped.
class GateSink final : public IJobSink, public ITaskSink {
public:
    void ExecuteJob(IJob* job) override {
        std::unique_lock<std::mutex> lock(m);
        started.push_back(job->GetTask()->GetTaskID());
        threads.insert(std::this_thread::get_id());
        cv.notify_all();
        // A stop is only seen by polling, as a transfer's body callbacks do.
        while (!open && !job->GetTask()->IsStopped()) {
            cv.wait_for(lock, 5ms);
        }
        if (job->GetTask()->IsStopped()) {
            ++sawStop;
        }
    }
    void NotifyJob(IJob*) override { ++jobNotes; }
    void NotifyTask(ITask*) override {
        std::lock_guard<std::mutex> lock(m);
        ++taskNotes;
        cv.notify_all();
    }

    void Open() {
        std::lock_guard<std::mutex> lock(m);
        open = true;
        cv.notify_all();
    }
    bool WaitStarted(size_t n) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 5s, [&] { return started.size() >= n; });
    }
    bool WaitFinished(int n) {
        std::unique_lock<std::mutex> lock(m);
        return cv.wait_for(lock, 5s, [&] { return taskNotes >= n; });
    }

    std::mutex m;
    std::condition_variable cv;
    bool open = false;
    std::vector<uint32_t> started;
    std::set<std::thread::id> threads;
    std::atomic<int> jobNotes{0};
    int taskNotes = 0;
    std::atomic<int> sawStop{0};
};

ITask* NewTask(ITaskMgr* mgr, GateSink& sink) {
    ITask* task = mgr->CreateTask();
    task->SetSink(&sink);
    task->GetJob()->SetSink(&sink);
    return task;
}

} // namespace

TEST(TaskMgr, IdsAreUniqueAndCountUpFromOne) {
    ITaskMgr* mgr = CreateTaskMgr();
    mgr->InitTaskMgr(1);
    std::vector<uint32_t> ids;
    for (int i = 0; i < 5; ++i) {
        ITask* task = mgr->CreateTask();
        ASSERT_NE(task, nullptr);
        EXPECT_EQ(task->GetJob()->GetTask(), task);
        ids.push_back(task->GetTaskID());
    }
    EXPECT_EQ(ids, (std::vector<uint32_t>{1, 2, 3, 4, 5}));
    mgr->StopTaskMgr();
}

TEST(TaskMgr, JobsRunOnPoolThreadsWithBothSinksNotified) {
    ITaskMgr* mgr = CreateTaskMgr();
    mgr->InitTaskMgr(1);
    GateSink sink;
    sink.Open();
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(mgr->SubmitTask(NewTask(mgr, sink)));
    }
    ASSERT_TRUE(sink.WaitFinished(8));
    EXPECT_EQ(sink.jobNotes.load(), 8);
    EXPECT_EQ(sink.threads.count(std::this_thread::get_id()), 0u);
    EXPECT_GE(sink.threads.size(), 1u);
    mgr->StopTaskMgr();
}

TEST(TaskMgr, SeveralJobsRunAtOnce) {
    ITaskMgr* mgr = CreateTaskMgr();
    mgr->InitTaskMgr(1);
    GateSink sink;
    for (int i = 0; i < 3; ++i) {
        mgr->SubmitTask(NewTask(mgr, sink));
    }
    EXPECT_TRUE(sink.WaitStarted(3)) << "three transfers must be able to run side by side";
    sink.Open();
    ASSERT_TRUE(sink.WaitFinished(3));
    mgr->StopTaskMgr();
}

TEST(TaskMgr, RecordsAreReleasedWithTheTask) {
    ITaskMgr* mgr = CreateTaskMgr();
    mgr->InitTaskMgr(1);
    GateSink sink;
    sink.Open();
    std::atomic<int> releases{0};
    auto* taskRecord = new CountingRecord(releases);
    auto* jobRecord = new CountingRecord(releases);
    ITask* task = NewTask(mgr, sink);
    task->SetTaskRecord(taskRecord);
    task->GetJob()->SetContainer(jobRecord);
    EXPECT_EQ(task->GetTaskRecord(), taskRecord);
    EXPECT_EQ(task->GetJob()->GetContainer(), jobRecord);
    mgr->SubmitTask(task);
    ASSERT_TRUE(sink.WaitFinished(1));
    mgr->StopTaskMgr();
    EXPECT_EQ(releases.load(), -2);
    delete taskRecord;
    delete jobRecord;
}

TEST(TaskMgr, StopAsksRunningTasksToStopAndDropsWaitingOnes) {
    ITaskMgr* mgr = CreateTaskMgr();
    mgr->InitTaskMgr(2);
    GateSink sink;
    std::atomic<int> releases{0};
    auto* waitingRecord = new CountingRecord(releases);
    mgr->SubmitTask(NewTask(mgr, sink));
    mgr->SubmitTask(NewTask(mgr, sink));
    ASSERT_TRUE(sink.WaitStarted(2));
    ITask* waiting = NewTask(mgr, sink);
    waiting->GetJob()->SetContainer(waitingRecord);
    mgr->SubmitTask(waiting);
    ITask* neverSubmitted = mgr->CreateTask();
    (void)neverSubmitted;

    EXPECT_EQ(mgr->StopTaskMgr(), 0u);
    EXPECT_EQ(sink.sawStop.load(), 2);
    EXPECT_EQ(sink.started.size(), 2u) << "a task not yet started is not run";
    EXPECT_EQ(releases.load(), -1) << "the dropped task's record is released";
    EXPECT_EQ(mgr->CreateTask(), nullptr);
    delete waitingRecord;
}

TEST(TaskMgr, TaskStopIsSeenByItsJob) {
    ITaskMgr* mgr = CreateTaskMgr();
    mgr->InitTaskMgr(1);
    GateSink sink;
    ITask* task = NewTask(mgr, sink);
    EXPECT_FALSE(task->IsStopped());
    mgr->SubmitTask(task);
    ASSERT_TRUE(sink.WaitStarted(1));
    task->Stop();
    {
        std::lock_guard<std::mutex> lock(sink.m);
        sink.cv.notify_all();
    }
    ASSERT_TRUE(sink.WaitFinished(1));
    EXPECT_EQ(sink.sawStop.load(), 1);
    mgr->StopTaskMgr();
}

TEST(TaskMgr, SubmitRefusesForeignAndRepeatedTasks) {
    ITaskMgr* a = CreateTaskMgr();
    ITaskMgr* b = CreateTaskMgr();
    GateSink sink;
    ITask* task = NewTask(a, sink);
    EXPECT_FALSE(b->SubmitTask(task));
    EXPECT_FALSE(b->SubmitTask(nullptr));
    EXPECT_TRUE(a->SubmitTask(task));
    EXPECT_FALSE(a->SubmitTask(task));
    // Never started: stopping drops it without running.
    a->StopTaskMgr();
    b->StopTaskMgr();
    EXPECT_TRUE(sink.started.empty());
}
