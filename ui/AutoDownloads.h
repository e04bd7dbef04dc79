// SPDX-License-Identifier: Apache-2.0
// Automatic downloads wait here once many are under way: a folder of many new files would
// otherwise hold a task and a transfer row for every file long before its turn. The bound is
// a compromise: files started one by one as others end cost more CPU than files started
// together (1,000 small files: 1.8 s with 4 under way, 1.4 to 1.6 s with 256, 1.1 s with
// 1,024), and each one under way holds about 6 KB.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class CAutoDownloads {
public:
    // Started and not yet ended: queued in the task manager or running.
    static constexpr size_t kMaxRunning = 256;

    struct File {
        std::string remote; // relative to the server directory
        uint64_t ullSize = 0;
        bool bLengthKnown = true;
        bool bNewVersion = false; // fetched once already, and changed on the server since
    };
    // Starts a file's download: its task id, or 0 when it did not start.
    using Starter = std::function<uint32_t(const File&)>;

    explicit CAutoDownloads(Starter start) : m_Start(std::move(start)) {}

    // Runs the file at once while fewer than kMaxRunning run, else keeps it waiting. False
    // when it was to run at once and did not start.
    bool Add(File file);
    // A transfer ended: when it was one of these, the next waiting files start and its remote
    // path is returned; else "".
    std::string OnEnded(uint32_t taskId);
    size_t Waiting() const { return m_Waiting.size(); }

private:
    void StartWaiting();

    Starter m_Start;
    std::deque<File> m_Waiting;
    struct Running {
        uint32_t taskId;
        std::string remote;
    };
    std::vector<Running> m_Running;
};
