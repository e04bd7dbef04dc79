// SPDX-License-Identifier: Apache-2.0
// Waits that a server cannot stretch: trickled answers, a port that never answers, and lengths
// that cannot be read.
#include <arpa/inet.h>
#include <chrono>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "DocShelfPanel.h"
#include "FaultFixture.h"
#include "IDocShelfAutoDownloadItf.h"
#include "ScriptedPrompts.h"
#include "WebDavMgr.h"

class Bounds : public FaultFixture {
protected:
    // Listings end within 2 s, and transfers that move less than 1 KiB in 2 s.
    void ShortenLimits() {
        m_port.Limits().listingSeconds = 2;
        m_port.Limits().stallSeconds = 2;
    }
};
using S = CHostileServer;

namespace {

using Clock = std::chrono::steady_clock;

// A loopback socket that listens and never accepts: connections beyond the backlog are never
// made, those within it are made and never answered. Its port in port.
int Listener(int backlog, uint16_t& port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof addr;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
        ::close(fd);
        return -1;
    }
    port = ntohs(addr.sin_port);
    return fd;
}
// Far above the limits the tests set, far below what the trickled answers would take.
constexpr auto kWellWithin = std::chrono::seconds(30);

S::Reply TrickledListing(const std::string& folder, size_t entries) {
    std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:multistatus xmlns:D=\"DAV:\">\n" +
        S::MultistatusResponse("/dav/room/" + folder + "/", kFolderProps);
    for (size_t i = 0; i < entries; ++i) {
        body += S::MultistatusResponse("/dav/room/" + folder + "/f" + std::to_string(i) + ".txt",
                                       FileProps("1"));
    }
    body += "</D:multistatus>\n";
    S::Reply reply = S::Trickled(207, body, 1, 50);
    reply.headers = "Content-Type: application/xml; charset=utf-8\r\n";
    return reply;
}

// A head that never ends: a header line one byte at a time.
S::Reply TrickledHead(int status) {
    return S::TrickledRaw(
        "HTTP/1.1 " + std::to_string(status) + " OK\r\nX-Slow: " + std::string(5000, 'a'), 1, 20);
}

} // namespace

TEST_F(Bounds, ATrickledListingEndsAndTheOneQueuedAfterItRuns) {
    S server;
    server.On("PROPFIND", TrickledListing("slow", 20), "/slow/")
        .On("PROPFIND", TrickledHead(207), "/head/")
        .On("PROPFIND",
            S::Multistatus(
                {{"/dav/room/fast/", kFolderProps}, {"/dav/room/fast/a.txt", FileProps("1")}}),
            "/fast/");
    Start(server.Port());
    ASSERT_TRUE(WaitIdle());
    ShortenLimits();
    const auto start = Clock::now();
    m_pShelf->ListDirectoryContent("slow/", 0, 1);
    m_pShelf->ListDirectoryContent("head/", 0, 4);
    EXPECT_EQ(List("fast/", 2), (std::vector<Entry>{{"a.txt", "1", "0"}}));
    EXPECT_LT(Clock::now() - start, kWellWithin);
    EXPECT_TRUE(OnlyEnd(1));
    EXPECT_TRUE(OnlyEnd(4));

    List("slow/", 3);
    EXPECT_EQ(GetDocShelfPanel()->GetLastListResult(), DS_LIST_NO_CONNECTION);
}

TEST_F(Bounds, ATransferThatBarelyMovesEndsAsALostConnection) {
    S server;
    server.On("GET", S::Trickled(200, std::string(5000, 't'), 1, 50), "/slow/")
        .On("GET", TrickledHead(200), "/head/")
        .On("PUT", TrickledHead(201), "/head/");
    Start(server.Port());
    ShortenLimits();
    const auto start = Clock::now();
    EXPECT_EQ(Download("slow/a.txt", "a.txt", 1), 1);
    EXPECT_EQ(Download("head/a.txt", "a.txt", 2), 1);
    WriteLocal("up.txt", "words");
    EXPECT_EQ(Upload("up.txt", "head/up.txt", 4), 1);
    EXPECT_LT(Clock::now() - start, kWellWithin * 2);
    EXPECT_EQ(LocalNames(), std::vector<std::string>{"up.txt"});
}

// An automatic download that waits for its rate moves nothing meanwhile, and is no stall: a
// block of 64 KiB at the lowest rate waits 4 s, four stall windows.
TEST_F(Bounds, AnAutomaticDownloadHeldToItsRateIsNoStall) {
    const std::string whole = TestBytes(65536);
    S server;
    server
        .On("PROPFIND", S::Multistatus({{"/dav/room/Presenter/", kFolderProps},
                                        {"/dav/room/Presenter/held.bin", FileProps("65536")}}))
        .On("MKCOL", S::Status(405))
        .On("GET", S::Status(200, whole));
    Start(server.Port());
    m_port.Limits().stallSeconds = 1;
    void* pItf = nullptr;
    m_pItfMgr->QueryItf("IDocShelfAutoDownload", &pItf);
    auto* pAutoDownload = static_cast<IDocShelfAutoDownloadItf*>(pItf);
    ASSERT_NE(pAutoDownload, nullptr);
    pAutoDownload->SetRateLimit(DS_AUTO_DOWNLOAD_MIN_RATE);
    m_pShelf->EnableAutoDownload();
    m_pShelf->RunRefreshCommand();
    const bool bArrived =
        PumpUntil([&] { return LocalNames() == std::vector<std::string>{"held.bin"}; }, 30000);
    pAutoDownload->SetRateLimit(0);
    ASSERT_TRUE(bArrived);
    EXPECT_TRUE(ReadLocal("held.bin") == whole);
    EXPECT_EQ(server.RequestsFor("GET").size(), 1u);
}

TEST_F(Bounds, TheStartCheckWaitsNoLongerThanTheConnectTimeout) {
    // A listener whose queue is full: further connections are never answered.
    uint16_t port = 0;
    const int listener = Listener(0, port);
    ASSERT_GE(listener, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(port);
    int filler = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(::connect(filler, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);

    m_port.Limits().connectSeconds = 1;
    const auto start = Clock::now();
    StartComponent(port);
    const auto waited = Clock::now() - start;
    ::close(filler);
    ::close(listener);
    EXPECT_LT(waited, std::chrono::seconds(10));
    ASSERT_FALSE(CallsNamed("OnServerState").empty());
    EXPECT_EQ(CallsNamed("OnServerState")[0].args[0], "0");
}

// A server that takes connections and never answers is not there: the start sends it nothing
// more than the check.
TEST_F(Bounds, AServerThatNeverAnswersIsNotAvailable) {
    uint16_t port = 0;
    const int listener = Listener(16, port);
    ASSERT_GE(listener, 0);
    m_port.Limits().connectSeconds = 1;
    StartComponent(port);
    ::close(listener);
    ASSERT_FALSE(CallsNamed("OnServerState").empty());
    EXPECT_EQ(CallsNamed("OnServerState")[0].args[0], "0");
}

// A length the server does not give readably is unknown: no reason to delete a download, and
// a huge one fills the space instead of wrapping the sum around.
TEST_F(Bounds, UnknownLengthsDeleteNothingAndSumsStopAtTheTop) {
    S server;
    server.On("GET", S::Status(200, "hello"), "/Presenter/");
    Start(server.Port());
    ASSERT_EQ(Download("Presenter/a.txt", "a.txt", 1), 0);
    ASSERT_EQ(Download("Presenter/b.txt", "b.txt", 2), 0);
    ReleaseComponent();

    server.ClearRules();
    server.On("PROPFIND",
              S::Multistatus({{"/dav/room/Presenter/", kFolderProps},
                              {"/dav/room/Presenter/a.txt", FileProps("abc")},
                              {"/dav/room/Presenter/b.txt", FileProps("")},
                              {"/dav/room/Presenter/c.txt", FileProps("5")},
                              {"/dav/room/Presenter/big.iso", FileProps("18446744073709551615")}}),
              "/Presenter/");
    m_host.Clear();
    Start(server.Port());
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadLocal("a.txt"), "hello");
    EXPECT_EQ(ReadLocal("b.txt"), "hello");

    ScriptedPrompts prompts;
    ScriptedPrompts::Installer installed(prompts);
    prompts.AnswerMessageBox(IDOK);
    m_pShelf->SetSizeLimits(1ull << 40, 1ull << 40);
    m_pShelf->RunUploadCommand();
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].text, "Insufficient space on docshelf");
}
