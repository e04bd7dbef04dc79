// SPDX-License-Identifier: Apache-2.0
// The task manager: a small pool of worker threads running submitted tasks in order.
// The manager owns every task it creates; a task is freed once its job has run, or when the
// manager stops before running it.

#include "CoreLib.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kDefaultWorkers = 4;

class CTask;

class CJob final : public IJob {
public:
    explicit CJob(CTask* pTask) : m_pTask(pTask) {}
    ~CJob() {
        if (m_pContainer != nullptr) {
            m_pContainer->Release();
        }
    }
    CJob(const CJob&) = delete;
    CJob& operator=(const CJob&) = delete;

    ITask* GetTask() override;
    void SetSink(IJobSink* pSink) override { m_pSink = pSink; }
    IJobSink* GetSink() override { return m_pSink; }
    void SetContainer(IDataRecord* pRecord) override {
        if (m_pContainer != nullptr && m_pContainer != pRecord) {
            m_pContainer->Release();
        }
        m_pContainer = pRecord;
    }
    IDataRecord* GetContainer() override { return m_pContainer; }

private:
    CTask* m_pTask;
    IJobSink* m_pSink = nullptr;
    IDataRecord* m_pContainer = nullptr;
};

class CTask final : public ITask {
public:
    explicit CTask(uint32_t id) : m_dwId(id), m_job(this) {}
    ~CTask() {
        if (m_pRecord != nullptr) {
            m_pRecord->Release();
        }
    }
    CTask(const CTask&) = delete;
    CTask& operator=(const CTask&) = delete;

    IJob* GetJob() override { return &m_job; }
    void SetSink(ITaskSink* pSink) override { m_pSink = pSink; }
    ITaskSink* GetSink() const { return m_pSink; }
    uint32_t GetTaskID() override { return m_dwId; }
    void SetTaskRecord(IDataRecord* pRecord) override {
        if (m_pRecord != nullptr && m_pRecord != pRecord) {
            m_pRecord->Release();
        }
        m_pRecord = pRecord;
    }
    IDataRecord* GetTaskRecord() override { return m_pRecord; }
    int32_t IsStopped() override { return m_bStopped.load(std::memory_order_acquire) ? 1 : 0; }
    void Stop() override { m_bStopped.store(true, std::memory_order_release); }

    bool m_bSubmitted = false;

private:
    uint32_t m_dwId;
    CJob m_job;
    ITaskSink* m_pSink = nullptr;
    IDataRecord* m_pRecord = nullptr;
    std::atomic<bool> m_bStopped{false};
};

ITask* CJob::GetTask() {
    return m_pTask;
}

class CTaskMgr final : public ITaskMgr {
public:
    CTaskMgr() = default;
    CTaskMgr(const CTaskMgr&) = delete;
    CTaskMgr& operator=(const CTaskMgr&) = delete;

    // Starts a pool; after StopTaskMgr it starts a new one.
    int32_t InitTaskMgr(int32_t nStart) override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_bStopping && !m_workers.empty()) {
            return 0;
        }
        m_bStopping = false;
        ++m_generation;
        int count = nStart > 1 ? nStart : kDefaultWorkers;
        for (int i = 0; i < count; ++i) {
            auto ended = std::make_shared<std::atomic<bool>>(false);
            m_workers.push_back(
                {std::thread([this, gen = m_generation, ended] { WorkerLoop(gen, *ended); }),
                 ended});
        }
        return 1;
    }

    uint32_t StopTaskMgr() override {
        std::vector<Worker> workers;
        {
            std::lock_guard<std::mutex> guard(m_lock);
            m_bStopping = true;
            for (CTask* task : m_running) {
                task->Stop();
            }
            workers.swap(m_workers);
            // Tasks never run, or never submitted, go now; a running task goes with its job.
            m_queue.clear();
            std::erase_if(m_tasks, [this](const std::unique_ptr<CTask>& t) {
                return std::find(m_running.begin(), m_running.end(), t.get()) == m_running.end();
            });
        }
        m_wake.notify_all();
        // A job blocked where it cannot see the stop (a silent server) is not waited for: its
        // thread ends by itself once the network gives up, and frees its own task.
        const auto deadline = std::chrono::steady_clock::now() + kStopWait;
        uint32_t result = 0;
        for (Worker& w : workers) {
            while (!w.ended->load() && std::chrono::steady_clock::now() < deadline) {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            if (w.ended->load()) {
                w.thread.join();
            } else {
                w.thread.detach();
                result = kStopTimedOut;
            }
        }
        return result;
    }

    ITask* CreateTask() override {
        std::lock_guard<std::mutex> guard(m_lock);
        if (m_bStopping) {
            return nullptr;
        }
        auto task = std::make_unique<CTask>(m_nextId++);
        CTask* raw = task.get();
        m_tasks.push_back(std::move(task));
        return raw;
    }

    int32_t SubmitTask(ITask* pTask) override {
        {
            std::lock_guard<std::mutex> guard(m_lock);
            CTask* task = Owned(pTask);
            if (m_bStopping || task == nullptr || task->m_bSubmitted) {
                return 0;
            }
            task->m_bSubmitted = true;
            m_queue.push_back(task);
        }
        m_wake.notify_one();
        return 1;
    }

    uint32_t GetPendingTaskCount() override {
        std::lock_guard<std::mutex> guard(m_lock);
        return static_cast<uint32_t>(m_queue.size() + m_running.size());
    }

private:
    static constexpr auto kStopWait = std::chrono::milliseconds(3000);
    static constexpr uint32_t kStopTimedOut = 258;

    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> ended;
    };

    CTask* Owned(ITask* pTask) {
        for (auto& t : m_tasks) {
            if (t.get() == pTask) {
                return t.get();
            }
        }
        return nullptr;
    }

    bool Retired(uint64_t gen) const { return m_bStopping || gen != m_generation; }

    void WorkerLoop(uint64_t gen, std::atomic<bool>& ended) {
        std::unique_lock<std::mutex> lock(m_lock);
        for (;;) {
            m_wake.wait(lock, [&] { return Retired(gen) || !m_queue.empty(); });
            if (Retired(gen)) {
                break;
            }
            CTask* task = m_queue.front();
            m_queue.pop_front();
            m_running.push_back(task);
            lock.unlock();

            Run(task);

            lock.lock();
            m_running.erase(std::find(m_running.begin(), m_running.end(), task));
            auto it = std::find_if(m_tasks.begin(), m_tasks.end(),
                                   [task](const auto& t) { return t.get() == task; });
            std::unique_ptr<CTask> done = std::move(*it);
            m_tasks.erase(it);
            // Free outside the lock: releasing records may run arbitrary code.
            lock.unlock();
            done.reset();
            lock.lock();
        }
        ended = true;
    }

    static void Run(CTask* task) {
        IJob* job = task->GetJob();
        if (IJobSink* sink = job->GetSink()) {
            sink->ExecuteJob(job);
            sink->NotifyJob(job);
        }
        if (ITaskSink* sink = task->GetSink()) {
            sink->NotifyTask(task);
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::vector<Worker> m_workers;
    std::deque<CTask*> m_queue;
    std::vector<CTask*> m_running;
    std::vector<std::unique_ptr<CTask>> m_tasks;
    uint32_t m_nextId = 1;
    uint64_t m_generation = 0;
    bool m_bStopping = false;
};

// Managers live as long as the process: a job left blocked by a stop may still be using one.
std::mutex g_registryLock;
std::vector<CTaskMgr*>* g_managers = new std::vector<CTaskMgr*>;

} // namespace

extern "C" ITaskMgr* CreateTaskMgr() {
    std::lock_guard<std::mutex> guard(g_registryLock);
    g_managers->push_back(new CTaskMgr);
    return g_managers->back();
}
