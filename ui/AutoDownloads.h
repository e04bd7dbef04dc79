// Automatic downloads wait here and run a few at a time: a folder of many new files would
// otherwise hold a task and a transfer row for every file long before its turn.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

class CAutoDownloads {
public:
    static constexpr size_t kMaxRunning = 4;

    struct File {
        std::string remote; // relative to the server directory
        uint64_t ullSize = 0;
        bool bLengthKnown = true;
    };
    // Starts a file's download: its task id, or 0 when it did not start.
    using Starter = std::function<uint32_t(const File&)>;

    explicit CAutoDownloads(Starter start) : m_Start(std::move(start)) {}

    // Runs the file at once while fewer than kMaxRunning run, else keeps it waiting. False
    // when it was to run at once and did not start.
    bool Add(File file);
    // A transfer ended: when it was one of these, the next waiting files start.
    void OnEnded(uint32_t taskId);
    size_t Waiting() const { return m_Waiting.size(); }

private:
    void StartWaiting();

    Starter m_Start;
    std::deque<File> m_Waiting;
    std::vector<uint32_t> m_Running;
};
