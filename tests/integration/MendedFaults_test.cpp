// SPDX-License-Identifier: Apache-2.0
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "ComponentFixture.h"

using MendedFaults = ComponentFixture;

TEST_F(MendedFaults, RefusedMoveFailsTheUploadAndLabelsNothing) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("theirs.txt", "someone else's file"));
    ASSERT_TRUE(m_server->Lock("theirs.txt"));
    StartComponent(m_server->Port());
    WriteLocal("theirs.txt", "mine");
    EXPECT_EQ(Upload("theirs.txt", "theirs.txt"), 4);
    EXPECT_EQ(m_server->ReadFile("theirs.txt").value_or(""), "someone else's file");
    // The label went with the bytes to their temporary name, and both went away.
    Requests("DELETE");
    for (const std::string& line : m_server->AccessLog()) {
        EXPECT_EQ(line.find("PROPPATCH /dav/room/theirs%2Etxt HTTP"), std::string::npos) << line;
    }
    EXPECT_FALSE(m_server->ReadProperty("theirs.txt", "ZIDaze:", "Author").has_value());
    EXPECT_TRUE(m_server->FindBySuffix(".mxdstmp").empty());
}

TEST_F(MendedFaults, RefusedProbeSendsNoBodyAndNoLabel) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    WriteLocal("x.txt", "data");
    // The parent folder does not exist: the probe PUT is refused (409).
    EXPECT_EQ(Upload("x.txt", "missing/x.txt"), 4);
    EXPECT_EQ(Requests("PUT", 409), 1);
    EXPECT_EQ(Requests("MOVE"), 0);
    EXPECT_EQ(Requests("PROPPATCH"), 0);
}

// A file over 2 GiB is sent whole: its length is not cut to a 32-bit count.
TEST_F(MendedFaults, UploadOfMoreThanTwoGibibytesArrivesWhole) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    const uint64_t size = (2ull << 30) + 4096 + 5;
    std::string local = LocalPath("big.bin");
    {
        std::ofstream f(local, std::ios::binary);
        f.seekp(static_cast<std::streamoff>(size - 5));
        f.write("tail!", 5);
    }
    ASSERT_EQ(std::filesystem::file_size(local), size);
    ASSERT_EQ(Upload("big.bin", "big.bin", 3, 120000), 0);
    std::string onServer = m_server->DataDir() + "/big.bin";
    EXPECT_EQ(std::filesystem::file_size(onServer), size);
    std::ifstream f(onServer, std::ios::binary);
    f.seekg(static_cast<std::streamoff>(size - 5));
    char tail[6] = {};
    f.read(tail, 5);
    EXPECT_STREQ(tail, "tail!");
    std::filesystem::remove(onServer);
    int64_t last = 0;
    for (const ObservedRecord& r : Observed()) {
        if (r.method == 3 && r.subMethod == 5) {
            EXPECT_EQ(r.total, static_cast<int64_t>(size));
            last = r.progress;
        }
    }
    EXPECT_EQ(last, static_cast<int64_t>(size));
}

// Every local write has a local directory or an absolute target.
TEST_F(MendedFaults, NothingIsWrittenRelativeToTheWorkingDirectory) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "old words"));
    StartComponent(m_server->Port());
    // The panel's first listing fetches the chat filter file into the save directory.
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    const int gets = Requests("GET");
    const std::string cwd = std::filesystem::current_path();
    const std::string relative = "docshelf-relative-target.txt";
    // Refused at the call: no task, no request.
    m_pShelf->DownloadFile(relative.c_str(), "Presenter/mtkey.txt", 3, 5);
    m_pShelf->UploadFile(relative.c_str(), "Presenter/up.txt", 3, 6);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(CallsNamed("OnFileDownloaded").empty());
    EXPECT_TRUE(CallsNamed("OnFileUploaded").empty());
    EXPECT_FALSE(std::filesystem::exists(cwd + "/" + relative));
    EXPECT_EQ(Requests("GET"), gets);
    EXPECT_EQ(Requests("PUT"), 0);

    // A panel upload of the chat filter file fetches it back only into a local directory.
    m_pShelf->SetLocalDirectory("");
    WriteLocal("mtkey.txt", "new words");
    std::string local = LocalPath("mtkey.txt");
    m_pShelf->UploadFile(local.c_str(), "Presenter/mtkey.txt", 1, 6);
    ASSERT_TRUE(
        PumpUntil([&] { return m_server->ReadFile("Presenter/mtkey.txt") == "new words"; }));
    Pump(300);
    EXPECT_FALSE(std::filesystem::exists(cwd + "/mtkey.txt"));
    EXPECT_EQ(Requests("GET"), gets);
}
