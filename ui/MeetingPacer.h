// Meeting messages ask the panel to list its folder again and to fetch the chat filter file, and
// anyone in the room can send them at any rate. The first runs at once; while later ones keep
// coming they run at most once per gap, and the last of them is never lost.
#pragma once

#include <chrono>

class CMeetingPacer {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr std::chrono::milliseconds kGap{1000};

    struct Work {
        bool refresh = false;
        bool fetchChatFilter = false;
        bool Any() const { return refresh || fetchChatFilter; }
    };

    // What a message asks for. Returns what may run now; the rest waits, and delayMs says
    // when to come back (0: nothing waits, or a timer is already due).
    Work Ask(Work asked, Clock::time_point now, int& delayMs);
    // The timer came: what waited, now due.
    Work OnTimer(Clock::time_point now);

private:
    Work m_Waiting;
    Clock::time_point m_LastRun{};
    bool m_bTimerArmed = false;
};
