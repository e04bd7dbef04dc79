// SPDX-License-Identifier: Apache-2.0
#include <algorithm>
#include <chrono>
#include <filesystem>

#include "ComponentFixture.h"

using Cleanup = ComponentFixture;

namespace {

bool IsEnd(const RecordedCall& c) {
    return c.args.size() == 6 && c.args[3] == "(end)";
}

} // namespace

// Only what the component downloaded there from the presenter folder is its own to remove; a
// user's files stay. The clean-up comes with the panel's first listing of the presenter folder
// in a component's life, so the downloads are made in a first life.
TEST_F(Cleanup, FirstPresenterListingRemovesOnlyStaleDownloadsOnce) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/same.txt", "12345"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/resized.txt", "123"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/gone.txt", "soon gone"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/edited.txt", "abc"));
    ASSERT_TRUE(m_server->WriteFile("elsewhere.txt", "from the root"));
    StartComponent(m_server->Port());
    for (const char* name : {"same.txt", "resized.txt", "gone.txt", "edited.txt"}) {
        ASSERT_EQ(Download(std::string("Presenter/") + name, name), 0) << name;
    }
    ASSERT_EQ(Download("elsewhere.txt", "elsewhere.txt"), 0);
    ReleaseComponent();
    ASSERT_TRUE(m_server->WriteFile("Presenter/resized.txt", "1234567"));
    ASSERT_TRUE(m_server->Remove("Presenter/gone.txt"));
    ASSERT_TRUE(m_server->Remove("Presenter/edited.txt"));
    WriteLocal("edited.txt", "the user's own words now");
    WriteLocal("notes.txt", "never on the server");

    m_host.Clear();
    StartComponent(m_server->Port());
    ASSERT_TRUE(PumpUntil([&] { return !LocalExists("gone.txt") && !LocalExists("resized.txt"); }));
    EXPECT_TRUE(LocalExists("same.txt"));
    EXPECT_FALSE(LocalExists("resized.txt"));
    EXPECT_EQ(ReadLocal("edited.txt"), "the user's own words now");
    EXPECT_EQ(ReadLocal("notes.txt"), "never on the server");
    EXPECT_EQ(ReadLocal("elsewhere.txt"), "from the root");

    // Once per life: a stale download made now stays.
    ASSERT_EQ(Download("Presenter/same.txt", "again.txt"), 0);
    ASSERT_TRUE(m_server->Remove("Presenter/same.txt"));
    m_pShelf->RunRefreshCommand();
    m_pShelf->ListDirectoryContent("Presenter/", 0, 2);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry", IsEnd));
    EXPECT_TRUE(LocalExists("again.txt"));
    EXPECT_TRUE(LocalExists("same.txt"));
}

// A download the user rewrote with as many bytes is the user's now: its time says so.
TEST_F(Cleanup, ADownloadRewrittenToTheSameSizeStays) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/notes.txt", "12345"));
    StartComponent(m_server->Port());
    ASSERT_EQ(Download("Presenter/notes.txt", "notes.txt"), 0);
    ReleaseComponent();
    ASSERT_TRUE(m_server->Remove("Presenter/notes.txt"));
    WriteLocal("notes.txt", "abcde");
    const auto later =
        std::filesystem::last_write_time(LocalPath("notes.txt")) + std::chrono::seconds(1);
    std::filesystem::last_write_time(LocalPath("notes.txt"), later);

    m_host.Clear();
    StartComponent(m_server->Port());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadLocal("notes.txt"), "abcde");
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
    // One DELETE of the whole folder, on the session the start-up listing authenticated.
    EXPECT_EQ(Requests("DELETE"), 1);
}
