// Downloads and uploads against a server that refuses, breaks off or falls silent.
#include <chrono>

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

TEST_F(Transfers, UploadIsProbeBodyMoveAndLabelWithEscapedPaths) {
    S server;
    server.On("PUT", S::Status(201))
        .On("MOVE", S::Status(201))
        .On("PROPPATCH", S::Status(403), "/p403")
        .On("PROPPATCH", S::Status(405), "/p405")
        .On("PROPPATCH", S::Status(501), "/p501")
        .On("PROPPATCH", S::Multistatus({{"/dav/room/x", "<Z:Author xmlns:Z=\"ZIDaze:\"/>"}}));
    Start(server.Port());
    WriteLocal("Q 1-\xC3\xA9.txt", TestBytes(5000));
    ASSERT_EQ(Upload("Q 1-\xC3\xA9.txt", "Q 1-\xC3\xA9.txt", 1), 0);
    const std::string target = "/dav/room/Q%201%2D%C3%A9%2Etxt";
    const std::string temp = target + "%2Emxdstmp";
    std::vector<S::Request> reqs;
    for (const S::Request& r : server.Requests()) {
        if (r.path.rfind(target, 0) == 0) {
            reqs.push_back(r);
        }
    }
    ASSERT_EQ(reqs.size(), 5u);
    EXPECT_EQ(reqs[0].method + " " + reqs[0].path, "PUT " + temp);
    EXPECT_EQ(reqs[0].Header("Content-Length"), "0");
    EXPECT_EQ(reqs[1].method + " " + reqs[1].path, "PUT " + temp);
    EXPECT_EQ(reqs[1].bodySize, 5000u);
    EXPECT_EQ(reqs[2].method + " " + reqs[2].path, "MOVE " + temp);
    EXPECT_EQ(reqs[2].Header("Destination"),
              "http://127.0.0.1:" + std::to_string(server.Port()) + target);
    EXPECT_EQ(reqs[2].Header("Overwrite"), "T");
    // The length the server holds is read back before the label goes on.
    EXPECT_EQ(reqs[3].method + " " + reqs[3].path, "PROPFIND " + target);
    EXPECT_EQ(reqs[4].method + " " + reqs[4].path, "PROPPATCH " + target);

    // A server that keeps no labels still took the file.
    WriteLocal("x", "data");
    EXPECT_EQ(Upload("x", "p403", 2), 0);
    EXPECT_EQ(Upload("x", "p405", 3), 0);
    EXPECT_EQ(Upload("x", "p501", 4), 0);
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
        EXPECT_TRUE(server.WaitForRequests(
            "DELETE", "/dav/room/" + std::string(c.name) + "%2Emxdstmp", 1, 10000));
    }
    EXPECT_TRUE(server.RequestsFor("PROPPATCH").empty());
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
