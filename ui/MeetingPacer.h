// SPDX-License-Identifier: Apache-2.0
// Meeting messages ask the panel to list its folder again, or only an announced file of it, and
// to fetch the chat filter file, and anyone in the room can send them at any rate. The first
// runs at once; while later ones keep coming they run at most once per gap, and the last of them
// is never lost.
#pragma once

#include <chrono>
#include <string>
#include <vector>

class CMeetingPacer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kGap{1000};
    // Beyond this many announced files waiting, one listing of the folder costs less.
    static constexpr size_t kMaxWaitingFiles = 8;

    struct Work {
        bool refresh = false; // the whole folder
        bool fetchChatFilter = false;
        std::vector<std::string> files; // announced files, when the folder is not listed whole
        bool Any() const { return refresh || fetchChatFilter || !files.empty(); }
    };

    // What a message asks for. Returns what may run now; the rest waits, and delayMs says
    // when to come back (0: nothing waits, or a timer is already due).
    Work Ask(Work asked, Clock::time_point now, int& delayMs);
    // The timer came: what waited, now due.
    Work OnTimer(Clock::time_point now);

private:
    void Wait(const Work& asked);

    Work m_Waiting;
    Clock::time_point m_LastRun{};
    bool m_bTimerArmed = false;
};
