// SPDX-License-Identifier: Apache-2.0
// What a listing without authors may take from earlier ones: a file's author by its name and
// tag, and a file without one only once a second listing still finds it so.
#include <gtest/gtest.h>

#include "KnownAuthors.h"

namespace {

DirEntry File(const std::string& name, const std::string& tag, const std::string& author = {}) {
    DirEntry e;
    e.fileName = name;
    e.tag = tag.empty() ? 0 : TagOf(tag);
    e.author = author;
    return e;
}

} // namespace

TEST(KnownAuthors, AFileIsKnownByNameAndTagAndAnUnlabelledOneOnlyWhenSeenTwice) {
    const std::string folder = "/dav/Presenter/";
    CKnownAuthors known;
    EXPECT_FALSE(known.Knows(folder, 8));
    known.Remember(folder, {File("a.txt", "\"1\"", "Alice"), File("bare.txt", "\"2\"")});
    EXPECT_TRUE(known.Knows(folder, 1));
    EXPECT_FALSE(known.Knows(folder, 0));

    // Rewritten (a new tag), new, without a tag, not yet settled: asked again.
    DirEntries later = {File("a.txt", "\"1\""), File("a.txt", "\"9\""), File("new.txt", "\"3\""),
                        File("untagged.txt", ""), File("bare.txt", "\"2\"")};
    EXPECT_EQ(known.Fill(folder, later), (std::vector<size_t>{1, 2, 3, 4}));
    EXPECT_EQ(later[0].author, "Alice");
    EXPECT_TRUE(known.Fill("/dav/other/", later).size() == later.size());

    known.Remember(folder, {File("a.txt", "\"1\"", "Alice"), File("bare.txt", "\"2\"")});
    EXPECT_TRUE(known.Knows(folder, 0));
    DirEntries settled = {File("bare.txt", "\"2\"", "stale")};
    EXPECT_TRUE(known.Fill(folder, settled).empty());
    EXPECT_EQ(settled[0].author, "");
}
