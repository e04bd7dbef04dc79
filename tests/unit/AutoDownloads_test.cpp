// SPDX-License-Identifier: Apache-2.0
// Automatic downloads beyond the bound wait without a task, and each end starts the next. One
// that cannot start is dropped, and the next one tried.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "AutoDownloads.h"

TEST(AutoDownloads, BeyondTheBoundFilesWaitAndEachEndStartsTheNext) {
    constexpr size_t kMax = CAutoDownloads::kMaxRunning;
    const auto name = [](size_t i) { return "f" + std::to_string(i); };
    std::vector<std::string> started;
    const std::set<std::string> refused = {name(kMax + 1)};
    uint32_t nextId = 100; // the task of file i is 100 + i while none is refused
    CAutoDownloads downloads([&](const CAutoDownloads::File& file) -> uint32_t {
        if (refused.count(file.remote) != 0) {
            return 0;
        }
        started.push_back(file.remote);
        return nextId++;
    });
    for (size_t i = 0; i < kMax + 3; ++i) {
        EXPECT_TRUE(downloads.Add({name(i), 1, true}));
    }
    ASSERT_EQ(started.size(), kMax);
    EXPECT_EQ(downloads.Waiting(), 3u);

    downloads.OnEnded(7); // not one of these
    EXPECT_EQ(started.size(), kMax);
    downloads.OnEnded(101);
    downloads.OnEnded(101); // told twice
    EXPECT_EQ(started.size(), kMax + 1);
    EXPECT_EQ(started.back(), name(kMax));
    downloads.OnEnded(100); // the next cannot start: the one after takes its turn
    EXPECT_EQ(started.back(), name(kMax + 2));
    EXPECT_EQ(downloads.Waiting(), 0u);

    // Below the bound a file that cannot start says so at once.
    CAutoDownloads none([](const CAutoDownloads::File&) -> uint32_t { return 0; });
    EXPECT_FALSE(none.Add({"x", 1, true}));
    EXPECT_EQ(none.Waiting(), 0u);
}
