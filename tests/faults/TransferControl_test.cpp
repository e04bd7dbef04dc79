// SPDX-License-Identifier: Apache-2.0
// Transfers a person controls: cancelled at once, continued after a lost connection, and
// uploads checked against what the server says it holds.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "FaultFixture.h"
#include "IDocShelfTransfersItf.h"
#include "WebDavMgr.h"

using S = CHostileServer;

namespace {

S::Reply WithHeaders(S::Reply reply, std::string headers) {
    reply.headers = std::move(headers);
    return reply;
}

} // namespace

class TransferControl : public FaultFixture {
protected:
    IDocShelfTransfersItf* Transfers() {
        void* pItf = nullptr;
        m_pItfMgr->QueryItf("IDocShelfTransfers", &pItf);
        return static_cast<IDocShelfTransfersItf*>(pItf);
    }
    // The result the host heard for the transfer with this user data, -1 while none.
    int Result(const char* call, int userData) {
        for (const RecordedCall& c : CallsNamed(call)) {
            if (c.args[2] == std::to_string(userData)) {
                return std::atoi(c.args[3].c_str());
            }
        }
        return -1;
    }
};

// The server falls silent mid-answer with a read timeout far away: only the cancel can end the
// transfers within the wait.
TEST_F(TransferControl, ACancelEndsRunningTransfersLeavingNothingBehind) {
    S server;
    server.On("GET", S::Silent(200, 1000000))
        .On("PUT", S::Status(201), "", 1)
        .On("PUT", S::Silent(201, 10))
        .On("DELETE", S::Status(204));
    Start(server.Port(), 120);
    IDocShelfTransfersItf* pTransfers = Transfers();
    ASSERT_NE(pTransfers, nullptr);
    WriteLocal("report.txt", "the user's own words");
    WriteLocal("slides.bin", TestBytes(200000));

    m_pShelf->DownloadFile(LocalPath("report.txt").c_str(), "Presenter/report", 2, 1);
    const uint32_t download = pTransfers->GetLastTaskId();
    m_pShelf->UploadFile(LocalPath("slides.bin").c_str(), "Presenter/slides", 2, 2);
    const uint32_t upload = pTransfers->GetLastTaskId();
    ASSERT_NE(download, 0u);
    ASSERT_NE(upload, download);
    ASSERT_TRUE(server.WaitForRequests("GET", "/report", 1, 20000));
    ASSERT_TRUE(server.WaitForRequests("PUT", "/slides", 2, 20000));
    Pump(200);
    EXPECT_EQ(pTransfers->CancelTransfer(download), 1);
    EXPECT_EQ(pTransfers->CancelTransfer(upload), 1);
    ASSERT_TRUE(PumpUntil([&] { return Result("OnFileDownloaded", 1) >= 0; }, 20000));
    ASSERT_TRUE(PumpUntil([&] { return Result("OnFileUploaded", 2) >= 0; }, 20000));
    EXPECT_EQ(Result("OnFileDownloaded", 1), DS_RESULT_CANCELLED);
    EXPECT_EQ(Result("OnFileUploaded", 2), DS_RESULT_CANCELLED);
    EXPECT_EQ(ReadLocal("report.txt"), "the user's own words");
    EXPECT_EQ(LocalNames(), (std::vector<std::string>{"report.txt", "slides.bin"}));
    EXPECT_TRUE(server.WaitForRequests("DELETE", "/slides%2E", 1, 20000));
    // Ended transfers are no longer there to cancel.
    EXPECT_EQ(pTransfers->CancelTransfer(download), 0);
}

TEST_F(TransferControl, ALostDownloadContinuesWhereItStoppedOrStartsOverWhenTheFileChanged) {
    const std::string whole = TestBytes(100000);
    const std::string head = whole.substr(0, 40000);
    const std::string range = "bytes 40000-99999/100000";
    S server;
    server.On("GET", WithHeaders(S::Cut(200, head, whole.size()), "ETag: \"v1\"\r\n"), "/alpha", 1)
        .On("GET", S::Hangup(), "/alpha", 1)
        .On("GET",
            S::Status(206, whole.substr(40000), "ETag: \"v1\"\r\nContent-Range: " + range + "\r\n"),
            "/alpha", 1)
        .On("GET", WithHeaders(S::Cut(200, head, whole.size()), "ETag: \"v1\"\r\n"), "/beta", 1)
        .On("GET", S::Status(200, "changed since", "ETag: \"v2\"\r\n"), "/beta", 1);
    Start(server.Port(), 2);

    EXPECT_EQ(Download("Presenter/alpha", "a.bin", 1), DS_RESULT_REQUEST_FAILED);
    EXPECT_FALSE(LocalExists("a.bin"));
    // A try that gets no answer at all keeps the part for the next.
    EXPECT_EQ(Download("Presenter/alpha", "a.bin", 2), DS_RESULT_REQUEST_FAILED);
    EXPECT_EQ(Download("Presenter/alpha", "a.bin", 5), DS_RESULT_SUCCESS);
    EXPECT_TRUE(ReadLocal("a.bin") == whole);
    const auto gets = server.RequestsFor("GET", "/alpha");
    ASSERT_EQ(gets.size(), 3u);
    EXPECT_EQ(gets[0].Header("Range"), "");
    for (size_t i : {1u, 2u}) {
        EXPECT_EQ(gets[i].Header("Range"), "bytes=40000-");
        EXPECT_EQ(gets[i].Header("If-Range"), "\"v1\"");
    }

    EXPECT_EQ(Download("Presenter/beta", "b.bin", 3), DS_RESULT_REQUEST_FAILED);
    EXPECT_EQ(Download("Presenter/beta", "b.bin", 4), DS_RESULT_SUCCESS);
    EXPECT_EQ(ReadLocal("b.bin"), "changed since");
    // Nothing is kept once the files are whole.
    EXPECT_EQ(LocalNames(), (std::vector<std::string>{"a.bin", "b.bin"}));
}

TEST_F(TransferControl, AnUploadEndsWithTheLengthTheServerHolds) {
    S server;
    server.On("PUT", S::Status(201))
        .On("MOVE", S::Status(201))
        .On("PROPPATCH", S::Status(403))
        .On("PROPFIND", S::Multistatus({{"/dav/room/cut", FileProps("1000")}}), "/cut")
        .On("PROPFIND", S::Multistatus({{"/dav/room/whole", FileProps("5000")}}), "/whole")
        .On("PROPFIND", S::Multistatus({{"/dav/room/quiet", "<D:resourcetype/>"}}), "/quiet")
        .On("PROPFIND", S::Status(404), "/gone")
        .On("PROPFIND", S::Status(500), "/broken")
        .On("PROPFIND", S::Status(207, "<not xml"), "/garbled")
        .On("PROPFIND", S::Hangup(), "/hangup");
    Start(server.Port());
    WriteLocal("x", TestBytes(5000));
    EXPECT_EQ(Upload("x", "cut", 1), DS_RESULT_SERVER_ERROR);
    EXPECT_EQ(Upload("x", "whole", 2), DS_RESULT_SUCCESS);
    // Only a server that answers for the file without a length is trusted.
    EXPECT_EQ(Upload("x", "quiet", 3), DS_RESULT_SUCCESS);
    EXPECT_EQ(Upload("x", "gone", 4), DS_RESULT_NOT_FOUND);
    EXPECT_EQ(Upload("x", "broken", 5), DS_RESULT_SERVER_ERROR);
    EXPECT_EQ(Upload("x", "garbled", 6), DS_RESULT_SERVER_ERROR);
    EXPECT_EQ(Upload("x", "hangup", 7), DS_RESULT_REQUEST_FAILED);
    EXPECT_EQ(server.RequestsFor("PROPFIND", "/cut")[0].Header("Depth"), "0");
    // A file the server does not hold whole gets no label of its own name.
    for (const S::Request& r : server.RequestsFor("PROPPATCH", "/cut")) {
        EXPECT_NE(r.path, "/dav/room/cut");
    }
}

// However the server behaves, a cancel ends an upload at once: its result comes before the
// clean-up, the clean-up has a short limit of its own, and nothing but it is sent after the
// cancel.
TEST_F(TransferControl, ACancelledUploadEndsAtOnceAndSendsOnlyItsCleanUp) {
    S server;
    server.On("PUT", S::Status(201), "", 1)
        .On("PUT", S::Silent(201, 10))
        // Read, and no answer for a minute.
        .On("DELETE", S::TrickledRaw("HTTP/1.1 204 No Content\r\n\r\n", 64, 60000));
    Start(server.Port(), 120);
    IDocShelfTransfersItf* pTransfers = Transfers();
    ASSERT_NE(pTransfers, nullptr);
    WriteLocal("slides.bin", TestBytes(300000));
    m_pShelf->UploadFile(LocalPath("slides.bin").c_str(), "Presenter/slides", 2, 2);
    const uint32_t upload = pTransfers->GetLastTaskId();
    ASSERT_TRUE(server.WaitForRequests("PUT", "/slides", 2, 20000));
    Pump(200);
    const size_t before = server.Requests().size();
    EXPECT_EQ(pTransfers->CancelTransfer(upload), 1);
    // The read timeout is two minutes and the clean-up never answered: neither is waited for.
    ASSERT_TRUE(PumpUntil([&] { return Result("OnFileUploaded", 2) >= 0; }, 20000));
    EXPECT_EQ(Result("OnFileUploaded", 2), DS_RESULT_CANCELLED);
    ASSERT_TRUE(server.WaitForRequests("DELETE", "/slides%2E", 1, 20000));
    EXPECT_TRUE(PumpUntil([] { return !GetWebDavMgr()->IsBusy(); }, 20000));
    Pump(500);
    const std::vector<S::Request> all = server.Requests();
    std::vector<std::string> after;
    for (size_t i = before; i < all.size(); ++i) {
        after.push_back(all[i].method);
    }
    EXPECT_EQ(after, std::vector<std::string>{"DELETE"});
}

// Many transfers connect and close at once while an upload goes to a server that never reads
// its body (neon blocks in send, no read timeout helps): the watchdog still knows the upload's
// socket, so the stall bound ends the first and a cancel the second.
TEST_F(TransferControl, UnderLoadAStallAndACancelReachTheirUploads) {
    S server;
    // Each upload's probe is taken, its body never read.
    server.On("PUT", S::Status(201), "", 1)
        .On("PUT", S::Deaf(), "", 1)
        .On("PUT", S::Status(201), "", 1)
        .On("PUT", S::Deaf(), "", 1)
        // Kept alive, as a real server keeps them: many sockets to the server stay open.
        .On("GET", S::KeptAlive(S::Status(200, TestBytes(3000))))
        .On("DELETE", S::Status(204));
    m_port.Limits().stallSeconds = 2;
    Start(server.Port(), 120);
    IDocShelfTransfersItf* pTransfers = Transfers();
    ASSERT_NE(pTransfers, nullptr);
    WriteLocal("big.bin", TestBytes(50 << 20));
    // Sockets to the server that no session holds, as a session's that neon has not closed yet.
    std::vector<int> strays;
    for (int i = 0; i < 3; ++i) {
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<uint16_t>(server.Port()));
        strays.push_back(::socket(AF_INET, SOCK_STREAM, 0));
        ASSERT_EQ(::connect(strays.back(), reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    }
    // The upload connects while the downloads' sessions connect and close around it.
    const auto uploadAmidDownloads = [&](int userData) {
        uint32_t task = 0;
        for (int i = 0; i < 150; ++i) {
            const std::string name = "d" + std::to_string(userData) + "-" + std::to_string(i);
            m_pShelf->DownloadFile(LocalPath(name).c_str(), ("Presenter/" + name).c_str(), 2,
                                   1000 * userData + i);
            if (i == 20) {
                m_pShelf->UploadFile(LocalPath("big.bin").c_str(), "Presenter/big.bin", 2,
                                     userData);
                task = pTransfers->GetLastTaskId();
            }
        }
        return task;
    };
    uploadAmidDownloads(1);
    ASSERT_TRUE(PumpUntil([&] { return Result("OnFileUploaded", 1) >= 0; }, 30000));
    EXPECT_EQ(Result("OnFileUploaded", 1), DS_RESULT_REQUEST_FAILED);

    const uint32_t second = uploadAmidDownloads(2);
    ASSERT_TRUE(server.WaitForRequests("PUT", "/big", 4, 20000));
    Pump(300);
    EXPECT_EQ(pTransfers->CancelTransfer(second), 1);
    ASSERT_TRUE(PumpUntil([&] { return Result("OnFileUploaded", 2) >= 0; }, 30000));
    EXPECT_EQ(Result("OnFileUploaded", 2), DS_RESULT_CANCELLED);
    EXPECT_TRUE(PumpUntil([] { return !GetWebDavMgr()->IsBusy(); }, 60000));
    for (int fd : strays) {
        ::close(fd);
    }
    server.Stop();
}
