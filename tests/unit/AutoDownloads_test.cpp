// Automatic downloads run a few at a time; the rest wait without a task, and each end starts
// the next. One that cannot start is dropped, and the next one tried.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "AutoDownloads.h"

TEST(AutoDownloads, AFewRunTheRestWaitAndEachEndStartsTheNext) {
    std::vector<std::string> started;
    std::set<std::string> refused = {"f6"};
    uint32_t nextId = 100;
    CAutoDownloads downloads([&](const CAutoDownloads::File& file) -> uint32_t {
        if (refused.count(file.remote) != 0) {
            return 0;
        }
        started.push_back(file.remote);
        return nextId++;
    });
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(downloads.Add({"f" + std::to_string(i), 1, true}));
    }
    ASSERT_EQ(started.size(), CAutoDownloads::kMaxRunning);
    EXPECT_EQ(downloads.Waiting(), 8 - CAutoDownloads::kMaxRunning);

    downloads.OnEnded(7); // not one of these
    EXPECT_EQ(started.size(), CAutoDownloads::kMaxRunning);
    downloads.OnEnded(101);
    downloads.OnEnded(101); // told twice
    EXPECT_EQ(started, (std::vector<std::string>{"f0", "f1", "f2", "f3", "f4"}));
    downloads.OnEnded(100);
    EXPECT_EQ(started.back(), "f5");
    downloads.OnEnded(104); // f6 cannot start: f7 takes its turn
    EXPECT_EQ(started.back(), "f7");
    EXPECT_EQ(downloads.Waiting(), 0u);

    // Below the limit a file that cannot start says so at once.
    CAutoDownloads none([](const CAutoDownloads::File&) -> uint32_t { return 0; });
    EXPECT_FALSE(none.Add({"x", 1, true}));
    EXPECT_EQ(none.Waiting(), 0u);
}
