// SPDX-License-Identifier: Apache-2.0
#include <csignal>
#include <filesystem>
#include <sys/resource.h>

#include "ComponentFixture.h"

using Transfer = ComponentFixture;

namespace {

struct NamedCase {
    const char* local;
    const char* server;
    size_t size;
};

} // namespace

TEST_F(Transfer, UploadsAndDownloadsAreByteIdenticalForAwkwardNames) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    m_pShelf->EnsureDirectory("Presenter");
    ASSERT_TRUE(PumpUntil([&] { return m_server->IsDir("Presenter"); }));
    const NamedCase cases[] = {
        {"plain.bin", "Presenter/plain.bin", 300000},
        {"with space.txt", "Presenter/with space.txt", 1234},
        {"many.dots.in.name.tar.gz", "Presenter/many.dots.in.name.tar.gz", 5000},
        {"Grüße-中文.doc", "Presenter/Grüße-中文.doc", 777},
        {"empty.txt", "Presenter/empty.txt", 0},
        {"percent%20and+plus&.txt", "Presenter/percent%20and+plus&.txt", 10},
    };
    unsigned seed = 1;
    for (const NamedCase& c : cases) {
        SCOPED_TRACE(c.local);
        std::string content = TestBytes(c.size, seed++);
        WriteLocal(c.local, content);
        ASSERT_EQ(Upload(c.local, c.server), 0);
        auto onServer = m_server->ReadFile(c.server);
        ASSERT_TRUE(onServer.has_value());
        EXPECT_TRUE(*onServer == content);
        std::string back = std::string("back-") + c.local;
        ASSERT_EQ(Download(c.server, back), 0);
        EXPECT_TRUE(ReadLocal(back) == content);
    }
    EXPECT_TRUE(m_server->FindBySuffix(".mxdstmp").empty());
}

TEST_F(Transfer, UploadStoresTheAuthorAndIsReportedWithTheHostsValues) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    m_pShelf->SetAuthorName("Zoë Smith");
    WriteLocal("notes.txt", "hello");
    std::string local = LocalPath("notes.txt");
    m_pShelf->UploadFile(local.c_str(), "notes.txt", 42, 99);
    ASSERT_TRUE(WaitForCall("OnFileUploaded"));
    auto calls = CallsNamed("OnFileUploaded");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, (std::vector<std::string>{local, "42", "99", "0"}));
    EXPECT_EQ(calls[0].threadId, static_cast<uint32_t>(gettid()));
    // Stored escaped as UTF-8, as listings read it back.
    auto author = m_server->ReadProperty("notes.txt", "ZIDaze:", "Author");
    ASSERT_TRUE(author.has_value());
    EXPECT_EQ(*author, "Zo%C3%AB%20Smith");
    EXPECT_FALSE(m_server->Exists("notes.txt.mxdstmp"));
}

TEST_F(Transfer, ProgressIsReportedWithSixtyFourBitValuesAndEndsAtTheLength) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    const size_t size = 200000;
    WriteLocal("p.bin", TestBytes(size));
    ASSERT_EQ(Upload("p.bin", "p.bin"), 0);
    ASSERT_EQ(Download("p.bin", "p-back.bin"), 0);
    int64_t lastUp = -1, lastDown = -1;
    int upStarted = -1, upEnded = -1, upDone = -1, index = 0;
    for (const ObservedRecord& r : Observed()) {
        if (r.method == 3 && (r.subMethod == 5 || r.subMethod == 6)) {
            EXPECT_EQ(r.totalSize, 8u);
            EXPECT_EQ(r.total, static_cast<int64_t>(size));
            (r.subMethod == 5 ? lastUp : lastDown) = r.progress;
        }
        if (r.method == 3 && r.subMethod == 1) {
            upStarted = index;
        }
        if (r.method == 3 && r.subMethod == 3) {
            upEnded = index;
            EXPECT_EQ(r.errorCode, 0u);
        }
        if (r.method == 4 && r.subMethod == 5) {
            upDone = index;
        }
        ++index;
    }
    EXPECT_EQ(lastUp, static_cast<int64_t>(size));
    EXPECT_EQ(lastDown, static_cast<int64_t>(size));
    // Started first, then the done record, then the ended record.
    EXPECT_LT(upStarted, upDone);
    EXPECT_LT(upDone, upEnded);
}

TEST_F(Transfer, MissingServerFileGivesSixAndLeavesNoLocalFile) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    EXPECT_EQ(Download("nothere.txt", "nothere.txt"), 6);
    EXPECT_FALSE(LocalExists("nothere.txt"));
}

TEST_F(Transfer, DownloadIntoAMissingFolderGivesTwoWithoutARequest) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    ASSERT_TRUE(m_server->WriteFile("a.txt", "abc"));
    EXPECT_EQ(Download("a.txt", "no/such/folder/a.txt"), 2);
    EXPECT_EQ(Requests("GET"), 0);
}

TEST_F(Transfer, WrongPasswordFailsWithoutRetrying) {
    m_password = "wrong";
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    WriteLocal("x.txt", "data");
    EXPECT_EQ(Upload("x.txt", "x.txt"), 4);
    EXPECT_FALSE(m_server->Exists("x.txt.mxdstmp"));
    EXPECT_FALSE(m_server->Exists("x.txt"));
    // The challenge, then one answer with the credentials: nothing more.
    EXPECT_EQ(Requests("PUT"), 2);
    EXPECT_EQ(Requests("PUT", 401), 2);
    EXPECT_EQ(Download("x.txt", "x-back.txt"), 4);
    EXPECT_EQ(Requests("GET"), 2);
    EXPECT_FALSE(LocalExists("x-back.txt"));
}

TEST_F(Transfer, BasicAuthenticationWorksBothWays) {
    m_auth = "basic";
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    std::string content = TestBytes(65536 + 3);
    WriteLocal("b.bin", content);
    ASSERT_EQ(Upload("b.bin", "b.bin"), 0);
    EXPECT_TRUE(m_server->ReadFile("b.bin") == content);
    ASSERT_EQ(Download("b.bin", "b-back.bin"), 0);
    EXPECT_TRUE(ReadLocal("b-back.bin") == content);
    EXPECT_EQ(m_server->ReadProperty("b.bin", "ZIDaze:", "Author").value_or(""), "Alice%20Example");
}

TEST_F(Transfer, SeveralTransfersAtOnceAllArriveIntact) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    const int n = 6;
    std::vector<std::string> contents;
    for (int i = 0; i < n; ++i) {
        contents.push_back(TestBytes(100000 + static_cast<size_t>(i) * 7919, i + 10));
        WriteLocal("c" + std::to_string(i) + ".bin", contents.back());
    }
    // The host may set the settings again while transfers read them (a race for TSan).
    auto settingsAgain = [&] {
        m_pShelf->SetUserAuth("alice", m_password.c_str());
        m_pShelf->SetAuthorName("Alice Example");
        m_pShelf->SetLocalDirectory(m_localDir.c_str());
    };
    for (int i = 0; i < n; ++i) {
        std::string local = LocalPath("c" + std::to_string(i) + ".bin");
        m_pShelf->UploadFile(local.c_str(), ("c" + std::to_string(i) + ".bin").c_str(), 2, i);
    }
    ASSERT_TRUE(PumpUntil([&] {
        settingsAgain();
        return CallsNamed("OnFileUploaded").size() == n;
    }));
    for (const RecordedCall& c : CallsNamed("OnFileUploaded")) {
        EXPECT_EQ(c.args[3], "0");
    }
    for (int i = 0; i < n; ++i) {
        std::string local = LocalPath("d" + std::to_string(i) + ".bin");
        m_pShelf->DownloadFile(local.c_str(), ("c" + std::to_string(i) + ".bin").c_str(), 3, i);
    }
    ASSERT_TRUE(PumpUntil([&] {
        settingsAgain();
        return CallsNamed("OnFileDownloaded").size() == n;
    }));
    for (int i = 0; i < n; ++i) {
        EXPECT_TRUE(m_server->ReadFile("c" + std::to_string(i) + ".bin") == contents[i]);
        EXPECT_TRUE(ReadLocal("d" + std::to_string(i) + ".bin") == contents[i]);
    }
    EXPECT_EQ(m_pShelf->GetActiveTransferCount(), 0);
}

TEST_F(Transfer, LocalWriteFailureWhileDataFlowsEndsTheDownloadAsFailed) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    ASSERT_TRUE(m_server->WriteFile("big.bin", TestBytes(1 << 20)));
    int result = -1;
    {
        CFileSizeLimit full(65536);
        result = Download("big.bin", "big.bin");
    }
    EXPECT_EQ(result, 2);
    EXPECT_FALSE(LocalExists("big.bin"));
}

TEST_F(Transfer, PanelUploadPostsTheRefreshAndTheMeetingMessageOnly) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    m_pShelf->SetAuthorName("Alice");
    WriteLocal("deck.ppt", "slides");
    std::string local = LocalPath("deck.ppt");
    m_pShelf->UploadFile(local.c_str(), "deck.ppt", 1, 0);
    ASSERT_TRUE(PumpUntil([&] {
        for (const ObservedRecord& r : Observed()) {
            if (r.method == 1 && r.subMethod == 4) {
                return true;
            }
        }
        return false;
    }));
    int messages = 0;
    for (const ObservedRecord& r : Observed()) {
        if (r.method == 1 && r.subMethod == 4) {
            EXPECT_EQ(r.message, "Alice uploaded file deck.ppt");
            ++messages;
        }
    }
    EXPECT_EQ(messages, 1);
    Pump(200);
    EXPECT_TRUE(CallsNamed("OnFileUploaded").empty());
    EXPECT_EQ(m_server->ReadFile("deck.ppt").value_or(""), "slides");
}

TEST_F(Transfer, HostUploadPostsNoMeetingMessage) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    WriteLocal("quiet.txt", "q");
    ASSERT_EQ(Upload("quiet.txt", "quiet.txt"), 0);
    for (const ObservedRecord& r : Observed()) {
        EXPECT_FALSE(r.method == 1 && (r.subMethod == 3 || r.subMethod == 4));
    }
}
