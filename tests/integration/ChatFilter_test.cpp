// SPDX-License-Identifier: Apache-2.0
#include "ComponentFixture.h"

using ChatFilter = ComponentFixture;

TEST_F(ChatFilter, BroadcastDownloadsTheFileAndHandsTheHostItsPath) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "badword\n"));
    StartComponent(m_server->Port());
    // The panel's first listing fetches the file too; the broadcast's own fetch is counted.
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    m_host.Clear();
    m_pShelf->OnBroadcastMessage("chat_filter_file_uploaded");
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    auto calls = CallsNamed("SetChatFilterFile");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args[0], LocalPath("mtkey.txt"));
    EXPECT_EQ(ReadLocal("mtkey.txt"), "badword\n");
    // The component's own download of it is not a host transfer.
    EXPECT_TRUE(CallsNamed("OnFileDownloaded").empty());
}

TEST_F(ChatFilter, FailedDownloadHandsTheHostNoPath) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    // Announced, but not on the server: the download ends with 6 and leaves nothing.
    m_pShelf->OnBroadcastMessage("CHAT_FILTER_FILE_UPLOADED");
    ASSERT_TRUE(PumpUntil([&] { return Requests("GET", 404) == 1; }));
    Pump(500);
    EXPECT_TRUE(CallsNamed("SetChatFilterFile").empty());
    EXPECT_FALSE(LocalExists("mtkey.txt"));
}

TEST_F(ChatFilter, OtherBroadcastsDownloadNothing) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "x"));
    StartComponent(m_server->Port());
    // The panel's first listing of the presenter folder fetches the file once.
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    const int gets = Requests("GET");
    m_pShelf->OnBroadcastMessage("hello");
    m_pShelf->OnBroadcastMessage("");
    Pump(700);
    EXPECT_EQ(Requests("GET"), gets);
}

TEST_F(ChatFilter, ListingThatShowsItWithoutLocalCopyDownloadsButHidesIt) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "filter"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/a.txt", "a"));
    // Role without bits 2 and 3: the file is not shown.
    StartComponent(m_server->Port(), kAllRights, 0x1);
    m_pShelf->ListDirectoryContent("Presenter/", 0, 4);
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    EXPECT_EQ(ReadLocal("mtkey.txt"), "filter");
    for (const RecordedCall& c : CallsNamed("OnDirectoryEntry")) {
        EXPECT_NE(c.args[3], "mtkey.txt");
    }
}

TEST_F(ChatFilter, PrivilegedUploaderSeesItInListings) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "filter"));
    StartComponent(m_server->Port(), kAllRights, 0x4);
    m_pShelf->ListDirectoryContent("Presenter/", 0, 4);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry",
                            [](const RecordedCall& c) { return c.args[3] == "mtkey.txt"; }));
}

TEST_F(ChatFilter, ExistingLocalCopyIsNotFetchedAgain) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "server"));
    StartComponent(m_server->Port());
    // The panel's start fetched it; a copy there since, whoever wrote it, counts as present.
    ASSERT_TRUE(WaitIdle());
    const int gets = Requests("GET");
    WriteLocal("mtkey.txt", "local");
    m_pShelf->ListDirectoryContent("Presenter/", 0, 4);
    ASSERT_TRUE(WaitForCall("OnDirectoryEntry",
                            [](const RecordedCall& c) { return c.args[3] == "(end)"; }));
    Pump(300);
    EXPECT_EQ(Requests("GET"), gets);
    EXPECT_EQ(ReadLocal("mtkey.txt"), "local");
}

TEST_F(ChatFilter, PanelUploadOfTheFileAnnouncesItAndFetchesTheCopy) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->MakeDir("Presenter"));
    StartComponent(m_server->Port(), kAllRights, 0x4);
    WriteLocal("src/MTKEY.TXT", "filter words");
    std::string local = LocalPath("src/MTKEY.TXT");
    // Module data 1 marks the panel's own uploads.
    m_pShelf->UploadFile(local.c_str(), "Presenter/mtkey.txt", 1, 0);
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    EXPECT_EQ(CallsNamed("SetChatFilterFile")[0].args[0], LocalPath("mtkey.txt"));
    EXPECT_EQ(ReadLocal("mtkey.txt"), "filter words");
    EXPECT_TRUE(CallsNamed("OnFileUploaded").empty());
    bool announced = false, relisted = false;
    for (const ObservedRecord& r : Observed()) {
        announced |= r.method == 1 && r.subMethod == 4 && r.message == "CHAT_FILTER_FILE_UPLOADED";
        relisted |= r.method == 1 && r.subMethod == 3 &&
                    r.fullPath == std::string(CDavServer::Root()) + "Presenter/mtkey.txt";
    }
    EXPECT_TRUE(announced);
    EXPECT_TRUE(relisted);
}

// Anyone in the meeting can put the file on the server and announce it: a copy the user wrote
// is never replaced.
TEST_F(ChatFilter, AnnouncementNeverReplacesTheUsersOwnCopy) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "badword\n"));
    StartComponent(m_server->Port());
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    ASSERT_TRUE(WaitIdle());
    WriteLocal("mtkey.txt", "my own list");
    const int gets = Requests("GET");
    m_host.Clear();
    m_pShelf->OnBroadcastMessage("CHAT_FILTER_FILE_UPLOADED");
    ASSERT_TRUE(WaitIdle());
    Pump(200);
    EXPECT_EQ(ReadLocal("mtkey.txt"), "my own list");
    EXPECT_TRUE(CallsNamed("SetChatFilterFile").empty());
    EXPECT_EQ(Requests("GET"), gets);
}

TEST_F(ChatFilter, AForgedAnnouncementReachesNoListingAndNoDownload) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "x"));
    StartComponent(m_server->Port());
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    ASSERT_TRUE(WaitIdle());
    const int gets = Requests("GET");
    const int listings = Requests("PROPFIND");
    m_pShelf->OnBroadcastMessage("CHAT_FILTER_FILE_UPLOADED\x01");
    m_pShelf->OnBroadcastMessage((std::string(5000, 'A') + " uploaded file a.txt").c_str());
    m_pShelf->OnBroadcastMessage("Mallory uploaded file ../../.docshelf-downloads");
    Pump(700);
    EXPECT_EQ(Requests("GET"), gets);
    EXPECT_EQ(Requests("PROPFIND"), listings);
    // A genuine notice still makes the panel list again.
    m_pShelf->OnBroadcastMessage("Alice uploaded file a.txt");
    EXPECT_TRUE(PumpUntil([&] { return Requests("PROPFIND") > listings; }));
}

TEST_F(ChatFilter, AFloodOfAnnouncementsCostsAHandfulOfRequests) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "x"));
    StartComponent(m_server->Port(), kAllRights, 0xC);
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    ASSERT_TRUE(WaitIdle());
    const int listings = Requests("PROPFIND");
    const int gets = Requests("GET");
    for (int i = 0; i < 20000; ++i) {
        m_pShelf->OnBroadcastMessage(i % 2 == 0 ? "Mallory uploaded file a.txt"
                                                : "CHAT_FILTER_FILE_UPLOADED");
    }
    ASSERT_TRUE(WaitIdle());
    // Queued and unsent, the same listing or fetch answers every message after it.
    EXPECT_LE(Requests("PROPFIND") - listings, 10);
    EXPECT_LE(Requests("GET") - gets, 10);
}
