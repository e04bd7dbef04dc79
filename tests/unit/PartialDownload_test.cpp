// Kept parts of downloads: which ranges continue one, and which notes and parts are the
// component's own.
#include <gtest/gtest.h>

#include "DownloadLog.h"
#include "PartialDownload.h"

TEST(PartialDownload, OnlyARangeFromTheEndOfThePartContinuesIt) {
    uint64_t whole = 0;
    EXPECT_TRUE(partial::ContinuesAt("bytes 100-199/200", 100, whole));
    EXPECT_EQ(whole, 200u);
    EXPECT_TRUE(partial::ContinuesAt("bytes 100-199/*", 100, whole));
    EXPECT_EQ(whole, 0u);
    for (const char* range : {"bytes 0-199/200", "bytes 101-199/200", "bytes 100-200/200",
                              "bytes 100-99/200", "items 100-199/200", "bytes 100-199",
                              "bytes -100-199/200", "bytes 100-199/99999999999999999999999"}) {
        EXPECT_FALSE(partial::ContinuesAt(range, 100, whole)) << range;
    }
    EXPECT_FALSE(partial::ContinuesAt(nullptr, 100, whole));
    // A weak ETag cannot guard a range.
    EXPECT_EQ(partial::ValidatorOf("\"v1\"", "Tue, 08 Dec 2026 10:00:00 GMT"), "\"v1\"");
    EXPECT_EQ(partial::ValidatorOf("W/\"v1\"", "Tue, 08 Dec 2026 10:00:00 GMT"),
              "Tue, 08 Dec 2026 10:00:00 GMT");
    EXPECT_EQ(partial::ValidatorOf(nullptr, nullptr), "");
}

TEST(PartialDownload, NotesAreOwnNamesOnlyBesideATemporaryName) {
    EXPECT_TRUE(IsComponentOwnName(".a.bin.abc123.part.resume"));
    EXPECT_TRUE(IsComponentOwnName(".a.bin.abc123.part"));
    EXPECT_FALSE(IsComponentOwnName("a.bin.resume"));
    EXPECT_FALSE(IsComponentOwnName(".a.bin.resume"));
}
