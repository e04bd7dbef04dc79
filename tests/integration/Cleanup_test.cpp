#include <algorithm>
#include <filesystem>

#include "ComponentFixture.h"

using Cleanup = ComponentFixture;

namespace {

bool IsEnd(const RecordedCall& c) {
    return c.args.size() == 6 && c.args[3] == "(end)";
}

std::vector<std::string> EntryNames(const std::vector<RecordedCall>& calls) {
    std::vector<std::string> names;
    for (const RecordedCall& c : calls) {
        if (!IsEnd(c)) {
            names.push_back(c.args[3]);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

TEST_F(Cleanup, FirstPresenterListingReconcilesTheSaveDirectoryOnce) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/same.txt", "12345"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/resized.txt", "123"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/fresh.txt", "not yet downloaded"));
    ASSERT_TRUE(m_server->MakeDir("Presenter/old"));
    StartComponent(m_server->Port());
    WriteLocal("same.txt", "abcde");
    WriteLocal("resized.txt", "abcdef");
    WriteLocal("gone.txt", "only here");
    WriteLocal("old", "a local file named like the server folder");
    WriteLocal("keep/inner.txt", "sub-folders are not touched");

    m_pShelf->ListDirectoryContent("Presenter/", 0, 1);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    EXPECT_TRUE(LocalExists("same.txt"));
    EXPECT_FALSE(LocalExists("resized.txt"));
    EXPECT_FALSE(LocalExists("gone.txt"));
    EXPECT_FALSE(LocalExists("old"));
    EXPECT_TRUE(LocalExists("keep/inner.txt"));
    // Entries without a readable local copy are still reported.
    EXPECT_EQ(EntryNames(CallsNamed("OnDirectoryEntry")),
              (std::vector<std::string>{"fresh.txt", "old", "resized.txt", "same.txt"}));

    m_host.Clear();
    WriteLocal("gone.txt", "made after the first listing");
    m_pShelf->ListDirectoryContent("Presenter/", 0, 2);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    EXPECT_TRUE(LocalExists("gone.txt"));
}

TEST_F(Cleanup, OtherFoldersNeverReconcile) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->MakeDir("Other"));
    StartComponent(m_server->Port());
    WriteLocal("stray.txt", "x");
    m_pShelf->ListDirectoryContent("Other/", 0, 1);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    m_pShelf->ListDirectoryContent("", 0, 1);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", [](const RecordedCall& c) {
        return c.args[3] == "(end)" && c.args[0].empty();
    }));
    EXPECT_TRUE(LocalExists("stray.txt"));
}

TEST_F(Cleanup, ChatFilterFileFetchedByTheCleanupListingSurvivesIt) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", TestBytes(300000)));
    StartComponent(m_server->Port());
    m_pShelf->ListDirectoryContent("Presenter/", 0, 1);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    EXPECT_TRUE(ReadLocal("mtkey.txt") == TestBytes(300000));
}

TEST_F(Cleanup, ClearLocalSpaceRemovesTheSaveDirectory) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    WriteLocal("a.txt", "a");
    WriteLocal("deep/er/b.txt", "b");
    EXPECT_EQ(m_pShelf->ClearLocalDSSpace(), 1);
    EXPECT_FALSE(std::filesystem::exists(m_localDir));
}

TEST_F(Cleanup, ClearServerSpaceEmptiesTheSharedFolder) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/a.txt", "a"));
    ASSERT_TRUE(m_server->WriteFile("b.txt", "b"));
    StartComponent(m_server->Port());
    m_pShelf->ClearServerSpace();
    ASSERT_TRUE(PumpUntil([&] { return m_server->List("").empty(); }));
    // One DELETE of the whole folder (and its challenge).
    EXPECT_EQ(Requests("DELETE"), 2);
}
