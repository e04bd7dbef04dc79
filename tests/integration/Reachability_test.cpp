// SPDX-License-Identifier: Apache-2.0
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "ComponentFixture.h"

namespace {

// A loopback port nobody listens on.
int ClosedPort() {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    ::close(fd);
    return ntohs(a.sin_port);
}

} // namespace

using Reachability = ComponentFixture;

TEST_F(Reachability, RunningServerIsReportedAvailableOnTheWorkThread) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    auto calls = CallsNamed("OnServerState");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, (std::vector<std::string>{"1"}));
    EXPECT_NE(calls[0].threadId, static_cast<uint32_t>(gettid()));
    // The check is one request the server answered; then the panel's own start (its folders
    // and its listing).
    const std::vector<std::string> log = m_server->AccessLog();
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log[0].find("\"OPTIONS /dav/room/ "), std::string::npos) << log[0];
    for (const std::string& line : log) {
        EXPECT_TRUE(line.find("\"OPTIONS ") != std::string::npos ||
                    line.find("\"MKCOL ") != std::string::npos ||
                    line.find("\"PROPFIND ") != std::string::npos)
            << line;
    }
}

TEST_F(Reachability, ClosedPortIsReportedUnavailableAndGatesDirectoryWork) {
    StartComponent(ClosedPort());
    auto calls = CallsNamed("OnServerState");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].args, (std::vector<std::string>{"0"}));
    // Listing is refused by the work thread while the server is unavailable: no end call.
    m_pShelf->ListDirectoryContent("Presenter", 0, 5);
    Pump(700);
    EXPECT_TRUE(CallsNamed("OnDirectoryEntry").empty());
}

TEST_F(Reachability, CheckServerReportsAgainWhenTheServerComesUp) {
    ASSERT_TRUE(StartServer());
    int port = m_server->Port();
    StartComponent(port);
    m_server->Stop();
    m_host.Clear();
    m_pShelf->CheckServer();
    ASSERT_TRUE(WaitForCall("OnServerState"));
    EXPECT_EQ(CallsNamed("OnServerState")[0].args[0], "0");
}
