// SPDX-License-Identifier: Apache-2.0
// A flood of meeting messages: the first runs at once, then at most once per gap, and what was
// asked last is never lost.
#include <gtest/gtest.h>

#include "MeetingPacer.h"

TEST(MeetingPacer, RunsTheFirstAtOnceThenOncePerGapKeepingWhatWasAsked) {
    using namespace std::chrono_literals;
    CMeetingPacer pacer;
    const auto t0 = CMeetingPacer::Clock::now();
    int delayMs = -1;
    EXPECT_TRUE(pacer.Ask({true, false}, t0, delayMs).refresh);
    EXPECT_EQ(delayMs, 0);
    EXPECT_FALSE(pacer.Ask({true, false}, t0 + 100ms, delayMs).Any());
    EXPECT_GT(delayMs, 800);
    EXPECT_LE(delayMs, 901);
    // Later messages join what waits; the timer is already set.
    EXPECT_FALSE(pacer.Ask({true, true}, t0 + 200ms, delayMs).Any());
    EXPECT_EQ(delayMs, 0);
    const CMeetingPacer::Work due = pacer.OnTimer(t0 + 1001ms);
    EXPECT_TRUE(due.refresh && due.fetchChatFilter);
    EXPECT_FALSE(pacer.OnTimer(t0 + 1100ms).Any());
    // A quiet room runs the next message at once again.
    EXPECT_TRUE(pacer.Ask({true, false}, t0 + 3s, delayMs).refresh);
}

TEST(MeetingPacer, AnnouncedFilesWaitTogetherAndTooManyBecomeOneListing) {
    using namespace std::chrono_literals;
    CMeetingPacer pacer;
    const auto t0 = CMeetingPacer::Clock::now();
    int delayMs = -1;
    EXPECT_EQ(pacer.Ask({false, false, {"a"}}, t0, delayMs).files, std::vector<std::string>{"a"});
    pacer.Ask({false, false, {"b"}}, t0 + 10ms, delayMs);
    pacer.Ask({false, false, {"b"}}, t0 + 20ms, delayMs);
    CMeetingPacer::Work due = pacer.OnTimer(t0 + 1001ms);
    EXPECT_FALSE(due.refresh);
    EXPECT_EQ(due.files, std::vector<std::string>{"b"});
    for (size_t i = 0; i <= CMeetingPacer::kMaxWaitingFiles; ++i) {
        pacer.Ask({false, false, {std::to_string(i)}}, t0 + 1100ms, delayMs);
    }
    due = pacer.OnTimer(t0 + 2002ms);
    EXPECT_TRUE(due.refresh);
    EXPECT_TRUE(due.files.empty());
}
