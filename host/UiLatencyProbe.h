// SPDX-License-Identifier: Apache-2.0
// Measures how fast the user-interface thread answers: a thread of its own posts a no-op to the
// application every few milliseconds and times its round trip. Stop writes the figures to a
// file as one line: "samples=N p50_ms=X p99_ms=X max_ms=X".
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CUiLatencyProbe {
public:
    explicit CUiLatencyProbe(std::string file) : m_File(std::move(file)) {}
    ~CUiLatencyProbe() { Stop(); }
    CUiLatencyProbe(const CUiLatencyProbe&) = delete;
    CUiLatencyProbe& operator=(const CUiLatencyProbe&) = delete;

    // UI thread, once the application exists.
    void Start();
    // Ends the probing and writes the figures; false when the file could not be written.
    bool Stop();

private:
    void Loop();
    // One round trip in microseconds, or -1 when the answer did not come before stopping.
    int64_t RoundTrip();
    bool WriteFigures() const;

    std::string m_File;
    std::thread m_Thread;
    std::atomic<bool> m_bStopping{false};
    // Shared with the posted no-ops, which may outlive the probe in the queue.
    struct Answers {
        std::mutex lock;
        std::condition_variable answered;
        uint64_t count = 0;
    };
    std::shared_ptr<Answers> m_pAnswers = std::make_shared<Answers>();
    std::vector<int64_t> m_Samples;
};
