// SPDX-License-Identifier: Apache-2.0
// Downloads and uploads against a server that refuses, breaks off or falls silent.
#include <chrono>
#include <regex>

#include "FaultFixture.h"
#include "WebDavMgr.h"

using Transfers = FaultFixture;
using S = CHostileServer;

TEST_F(Transfers, FailedDownloadsLeaveTheSaveDirectoryAsItWas) {
    S server;
    server.On("GET", S::Status(500, "oops"), "/c500/")
        .On("GET", S::Status(404, "gone"), "/c404/")
        .On("GET", S::Cut(200, "the first part", 100000), "/cut/")
        .On("GET", S::Silent(200, 100000), "/silent/")
        .On("GET", S::Hangup(), "/hangup/");
    Start(server.Port(), 2);
    WriteLocal("report.txt", "the user's own words");
    struct Case {
        const char* folder;
        int result;
    };
    int ud = 10;
    for (Case c : {Case{"c500", 4}, {"c404", 6}, {"cut", 1}, {"silent", 1}, {"hangup", 1}}) {
        SCOPED_TRACE(c.folder);
        const std::string folder = c.folder;
        EXPECT_EQ(Download(folder + "/report.txt", "report.txt", ++ud), c.result);
        EXPECT_EQ(Download(folder + "/new.txt", "new.txt", ++ud), c.result);
        EXPECT_EQ(ReadLocal("report.txt"), "the user's own words");
        EXPECT_EQ(LocalNames(), std::vector<std::string>{"report.txt"});
    }
}

TEST_F(Transfers, DownloadResultsSayWhatHappened) {
    const std::string slow(3000, 's');
    S server;
    server.On("GET", S::Status(200, TestBytes(300000)), "/ok/")
        .On("GET", S::Status(403, "no"), "/forbidden/")
        // Pieces come well within the read timeout; the whole body takes longer than it.
        .On("GET", S::Trickled(200, slow, 100, 120), "/slow/");
    Start(server.Port(), 2);
    EXPECT_EQ(Download("ok/a.bin", "a.bin", 1), 0);
    EXPECT_TRUE(ReadLocal("a.bin") == TestBytes(300000));
    EXPECT_EQ(Download("forbidden/b.bin", "b.bin", 2), 4);
    EXPECT_EQ(Download("slow/c.txt", "c.txt", 3), 0);
    EXPECT_EQ(ReadLocal("c.txt"), slow);
    // The target's folder is a file: nothing can be written there.
    WriteLocal("plain", "x");
    EXPECT_EQ(Download("ok/d.bin", "plain/d.bin", 4), 2);
    server.Stop();
    EXPECT_EQ(Download("ok/e.bin", "e.bin", 5), 1);
    EXPECT_EQ(LocalNames(), (std::vector<std::string>{"a.bin", "c.txt", "plain"}));
}

TEST_F(Transfers, UploadIsProbeBodyLabelMoveWithEscapedPathsUnderANameOfItsOwn) {
    const std::string target = "/dav/room/Q%201%2D%C3%A9%2Etxt";
    S server;
    server.On("PUT", S::Status(201))
        .On("MOVE", S::Status(201))
        .On("PROPPATCH", S::Status(403), "/p403")
        .On("PROPPATCH", S::Status(405), "/p405")
        .On("PROPPATCH", S::Status(501), "/p501")
        .On("PROPPATCH", S::Multistatus({{"/dav/room/x", "<Z:Author xmlns:Z=\"ZIDaze:\"/>"}}))
        .On("PROPFIND",
            S::Multistatus(
                {{target, FileProps("5000") + "<Z:Author xmlns:Z=\"ZIDaze:\">A</Z:Author>"}}),
            "/Q%20")
        .On("PROPFIND", S::Multistatus({{"/dav/room/p", FileProps("4")}}));
    Start(server.Port());
    WriteLocal("Q 1-\xC3\xA9.txt", TestBytes(5000));
    ASSERT_EQ(Upload("Q 1-\xC3\xA9.txt", "Q 1-\xC3\xA9.txt", 1), 0);
    ASSERT_EQ(Upload("Q 1-\xC3\xA9.txt", "Q 1-\xC3\xA9.txt", 2), 0);
    std::vector<S::Request> reqs;
    for (const S::Request& r : server.Requests()) {
        if (r.path.rfind(target, 0) == 0) {
            reqs.push_back(r);
        }
    }
    ASSERT_EQ(reqs.size(), 12u);
    const std::regex temp(target + "%2E[a-z]{10}%2Emxdstmp");
    for (size_t i : {0u, 6u}) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(std::regex_match(reqs[i].path, temp)) << reqs[i].path;
        EXPECT_EQ(reqs[i].method, "PUT");
        EXPECT_EQ(reqs[i].Header("Content-Length"), "0");
        EXPECT_EQ(reqs[i + 1].method + " " + reqs[i + 1].path, "PUT " + reqs[i].path);
        EXPECT_EQ(reqs[i + 1].bodySize, 5000u);
        // The label goes with the bytes, and the bytes are checked, before they take the
        // target's name.
        EXPECT_EQ(reqs[i + 2].method + " " + reqs[i + 2].path, "PROPPATCH " + reqs[i].path);
        EXPECT_EQ(reqs[i + 3].method + " " + reqs[i + 3].path, "PROPFIND " + reqs[i].path);
        EXPECT_EQ(reqs[i + 3].Header("Depth"), "0");
        EXPECT_EQ(reqs[i + 4].method + " " + reqs[i + 4].path, "MOVE " + reqs[i].path);
        EXPECT_EQ(reqs[i + 4].Header("Destination"),
                  "http://127.0.0.1:" + std::to_string(server.Port()) + target);
        EXPECT_EQ(reqs[i + 4].Header("Overwrite"), "T");
        EXPECT_EQ(reqs[i + 5].method + " " + reqs[i + 5].path, "PROPFIND " + target);
    }
    // Two uploads of one name never share a temporary name.
    EXPECT_NE(reqs[0].path, reqs[6].path);

    // A server that keeps no labels still took the file; no label is ever set on the target's
    // name, where it could land on another upload's bytes.
    WriteLocal("x", "data");
    EXPECT_EQ(Upload("x", "p403", 3), 0);
    EXPECT_EQ(Upload("x", "p405", 4), 0);
    EXPECT_EQ(Upload("x", "p501", 5), 0);
    for (const S::Request& r : server.RequestsFor("PROPPATCH")) {
        EXPECT_TRUE(std::regex_search(r.path, std::regex("%2Emxdstmp$"))) << r.path;
    }
}

TEST_F(Transfers, RefusedUploadStepsSayWhyAndRemoveTheTemporaryFile) {
    S server;
    server.On("PUT", S::Status(507), "/probe507")
        .On("PUT", S::Status(201), "/body507", 1)
        .On("PUT", S::Status(507), "/body507")
        .On("PUT", S::Status(201), "/body500", 1)
        .On("PUT", S::Status(500), "/body500")
        .On("PUT", S::Hangup(), "/hangup")
        .On("PUT", S::Status(201))
        .On("PROPPATCH", S::Status(403))
        .On("PROPFIND", S::Multistatus({{"/dav/room/x", FileProps("4")}}))
        .On("MOVE", S::Status(507), "/move507")
        .On("MOVE", S::Status(412), "/move412")
        .On("DELETE", S::Status(204));
    Start(server.Port());
    WriteLocal("x", "data");
    EXPECT_EQ(Upload("x", "probe507", 1), 5);
    EXPECT_EQ(Upload("x", "hangup", 2), 1);
    EXPECT_EQ(Upload("missing", "local", 3), 2);
    EXPECT_TRUE(server.RequestsFor("PUT", "/local").empty());
    struct Case {
        const char* name;
        int result;
    };
    int ud = 10;
    for (Case c : {Case{"body507", 5}, {"move507", 5}, {"body500", 4}, {"move412", 4}}) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Upload("x", c.name, ++ud), c.result);
        const std::string name = "/dav/room/" + std::string(c.name) + "%2E";
        ASSERT_TRUE(server.WaitForRequests("DELETE", name, 1, 10000));
        EXPECT_EQ(server.RequestsFor("DELETE", name)[0].path,
                  server.RequestsFor("PUT", name).back().path);
    }
    // Only a temporary name was ever labelled.
    for (const S::Request& r : server.RequestsFor("PROPPATCH")) {
        EXPECT_TRUE(std::regex_search(r.path, std::regex("%2Emxdstmp$"))) << r.path;
    }
}

// The host changes the credentials while a transfer's session is open: the session still
// answers its server's challenge with the ones it was made with.
TEST_F(Transfers, ASessionKeepsTheCredentialsItWasMadeWith) {
    S server;
    server
        .On("GET",
            S::TrickledRaw("HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm=\"r\"\r\n"
                           "Content-Length: 0\r\n\r\n",
                           1000, 1500),
            "", 1)
        .On("GET", S::Status(200, "the file"));
    Start(server.Port());
    m_pShelf->DownloadFile(LocalPath("a.txt").c_str(), "a.txt", 3, 1);
    ASSERT_TRUE(server.WaitForRequests("GET", "/a", 1, 20000));
    m_pShelf->SetUserAuth("mallory", "another server's password");
    ASSERT_TRUE(WaitForCall("OnFileDownloaded"));
    EXPECT_EQ(CallsNamed("OnFileDownloaded")[0].args[3], "0");
    const auto gets = server.RequestsFor("GET", "/a");
    ASSERT_EQ(gets.size(), 2u);
    // "alice:secret"
    EXPECT_EQ(gets[1].Header("Authorization"), "Basic YWxpY2U6c2VjcmV0");
}

TEST_F(Transfers, SilentServerEndsTransfersWithALostConnection) {
    S server;
    server.On("GET", S::Silent(200, 10)).On("PUT", S::Silent(201, 10));
    Start(server.Port(), 2);
    WriteLocal("x", "data");
    EXPECT_EQ(Download("a", "a", 1), 1);
    EXPECT_EQ(Upload("x", "b", 2), 1);
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"x"});
}

TEST_F(Transfers, ReleaseDoesNotWaitForASilentServer) {
    S server;
    server.On("GET", S::Silent(200, 100000));
    // A read timeout far beyond the bound below: release must not sit it out.
    Start(server.Port(), 120);
    m_pShelf->DownloadFile(LocalPath("a").c_str(), "a", 3, 1);
    ASSERT_TRUE(server.WaitForRequests("GET", "", 1, 30000));
    auto begin = std::chrono::steady_clock::now();
    ReleaseComponent();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(15));
    // The job left waiting ends once the server goes; nothing of it outlives the test.
    server.Stop();
    EXPECT_TRUE(PumpUntil([] { return !GetWebDavMgr()->IsBusy(); }, 30000));
}
