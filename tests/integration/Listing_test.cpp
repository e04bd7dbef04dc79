// SPDX-License-Identifier: Apache-2.0
#include <algorithm>

#include "ComponentFixture.h"

using Listing = ComponentFixture;

namespace {

bool IsEnd(const RecordedCall& c) {
    return c.args.size() == 6 && c.args[3] == "(end)";
}

} // namespace

TEST_F(Listing, HostListingReportsEachShownEntryThenTheEndCall) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/plan b.ppt", "12345"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/upload.doc.mxdstmp", "partial"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/OTHER.PPT.MXDSTMP", "partial"));
    ASSERT_TRUE(m_server->MakeDir("Presenter/old"));
    StartComponent(m_server->Port());
    m_pShelf->ListDirectoryContent("Presenter", 5, 9);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    auto calls = CallsNamed("OnDirectoryEntry");
    ASSERT_EQ(calls.size(), 3u);
    std::vector<std::vector<std::string>> entries;
    for (size_t i = 0; i + 1 < calls.size(); ++i) {
        entries.push_back(calls[i].args);
        EXPECT_NE(calls[i].threadId, static_cast<uint32_t>(gettid()));
    }
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries[0], (std::vector<std::string>{"Presenter", "0", "9", "old", "0", "1"}));
    EXPECT_EQ(entries[1],
              (std::vector<std::string>{"Presenter", "0", "9", "plan b.ppt", "5", "0"}));
    EXPECT_EQ(calls.back().args,
              (std::vector<std::string>{"Presenter", "0", "9", "(end)", "0", "0"}));
}

TEST_F(Listing, LengthsBeyondFourGibibytesAreKeptWhole) {
    ASSERT_TRUE(StartServer());
    const uint64_t huge = (5ull << 30) + 17;
    ASSERT_TRUE(m_server->MakeSparseFile("huge.iso", huge));
    StartComponent(m_server->Port());
    m_pShelf->ListDirectoryContent("", 0, 1);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    // The panel's own "Presenter" folder is listed beside it.
    auto calls = CallsNamed("OnDirectoryEntry");
    auto iso = std::find_if(calls.begin(), calls.end(),
                            [](const RecordedCall& c) { return c.args[3] == "huge.iso"; });
    ASSERT_NE(iso, calls.end());
    EXPECT_EQ(iso->args[4], std::to_string(huge));
}

TEST_F(Listing, NonAsciiNamesComeBackDecoded) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/Grüße 中文.txt", "x"));
    StartComponent(m_server->Port());
    m_pShelf->ListDirectoryContent("Presenter/", 0, 2);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    auto calls = CallsNamed("OnDirectoryEntry");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].args[3], "Grüße 中文.txt");
    EXPECT_EQ(calls[0].args[0], "Presenter/");
}

TEST_F(Listing, WithoutListRightsNothingIsQueued) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port(), kAllRights & ~DS_RIGHT_LIST);
    m_pShelf->ListDirectoryContent("", 0, 1);
    Pump(700);
    EXPECT_TRUE(CallsNamed("OnDirectoryEntry").empty());
    EXPECT_EQ(Requests("PROPFIND"), 0);
}

TEST_F(Listing, EnsureDirectoryCreatesEveryLevel) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    m_pShelf->EnsureDirectory("a\\b\\c");
    ASSERT_TRUE(PumpUntil([&] { return m_server->IsDir("a/b/c"); }));
    EXPECT_TRUE(m_server->IsDir("a/b"));
    // The panel's start: /dav, /dav/room/, Presenter/; then /dav, /dav/room/, a, a/b, a/b/c.
    // One answered MKCOL each, besides the challenges.
    EXPECT_EQ(Requests("MKCOL", 201), 4);
    EXPECT_EQ(Requests("MKCOL") - Requests("MKCOL", 401), 8);
}
