// SPDX-License-Identifier: Apache-2.0
// A real Apache that dies mid-transfer, is down when the component starts, or refuses the
// password.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "DSProtocol.h"
#include "DocShelfPanel.h"
#include "DownloadLog.h"
#include "FaultFixture.h"
#include "PartialDownload.h"

namespace {

namespace fs = std::filesystem;

// A process's parent and state from /proc; false when it is gone.
bool ProcStat(pid_t pid, pid_t& parent, char& state) {
    std::ifstream f("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(f, line) || line.rfind(')') == std::string::npos) {
        return false;
    }
    std::istringstream rest(line.substr(line.rfind(')') + 1));
    rest >> state >> parent;
    return true;
}

bool Connects(int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(fd);
    return ok;
}

// Ends the server at once, as a crash would, with its workers; its folders stay.
void KillApache(const CDavServer& server) {
    pid_t main = 0;
    std::ifstream(server.InstanceDir() + "/httpd.pid") >> main;
    ASSERT_GT(main, 0);
    std::vector<pid_t> pids{main};
    std::error_code ec;
    for (const auto& e : fs::directory_iterator("/proc", ec)) {
        pid_t pid = std::atoi(e.path().filename().c_str());
        pid_t parent = 0;
        char state = 0;
        if (pid > 0 && ProcStat(pid, parent, state) && parent == main) {
            pids.push_back(pid);
        }
    }
    for (pid_t pid : pids) {
        ::kill(pid, SIGKILL);
    }
    // A killed worker shows as a zombie while its other threads still hold the listening
    // socket, so the port is what says the server is gone.
    for (int i = 0; i < 250 && Connects(server.Port()); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_FALSE(Connects(server.Port()));
}

// Starts a killed server again from its own configuration, on the same port; the fixture
// stops it through the pid file as before.
bool RestartApache(const CDavServer& server, int port) {
    // The killed server's own pid file would make the new one think it still runs.
    std::error_code ec;
    fs::remove(server.InstanceDir() + "/run/apache2.pid", ec);
    const std::string inst = "'" + server.InstanceDir() + "'";
    std::string cmd = "/usr/sbin/apache2 -f " + inst + "/httpd.conf -D FOREGROUND </dev/null >>" +
                      inst + "/logs/stdout.log 2>&1 & echo $! >" + inst + "/httpd.pid";
    if (std::system(cmd.c_str()) != 0) {
        return false;
    }
    for (int i = 0; i < 500; ++i) {
        if (Connects(port)) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

} // namespace

class ApacheFaults : public FaultFixture {
protected:
    // Whether a transfer has moved bytes: a progress record with something done.
    bool Progressed(uint32_t sub) const {
        for (const ObservedRecord& r : Observed()) {
            if (r.method == ds::kToTransferList && r.subMethod == sub && r.progress > 0) {
                return true;
            }
        }
        return false;
    }

    // The result of the one transfer of this kind the test started.
    std::string ResultOf(const std::string& call) {
        if (!WaitForCall(call)) {
            return "(none)";
        }
        return CallsNamed(call)[0].args[3];
    }
};

TEST_F(ApacheFaults, ServerKilledMidDownloadLeavesOnlyAHiddenPartToContinue) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->MakeSparseFile("big.bin", 4ull << 30));
    Start(m_server->Port());
    m_pShelf->DownloadFile(LocalPath("big.bin").c_str(), "big.bin", 3, 1);
    ASSERT_TRUE(PumpUntil([&] { return Progressed(ds::kDownloadProgress); }));
    KillApache(*m_server);
    EXPECT_EQ(ResultOf("OnFileDownloaded"), "1");
    // Nothing under the file's name: the part and its note are the component's own.
    const std::vector<std::string> names = LocalNames();
    ASSERT_EQ(names.size(), 2u);
    for (const std::string& name : names) {
        EXPECT_TRUE(IsComponentOwnName(name)) << name;
    }
    EXPECT_TRUE(partial::IsNoteName(names[0]) || partial::IsNoteName(names[1]));
}

// The retry timer's first check is a minute away: the failed download itself asks.
TEST_F(ApacheFaults, TheStatusLineSaysTheServerIsGoneOnceATransferLosesIt) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->MakeSparseFile("Presenter/big.bin", 4ull << 30));
    Start(m_server->Port());
    ASSERT_TRUE(PumpUntil(
        [] { return CDocShelfPanel::PanelText().find("Used space: ") != std::string::npos; }));
    m_pShelf->DownloadFile(LocalPath("big.bin").c_str(), "Presenter/big.bin", 3, 1);
    ASSERT_TRUE(PumpUntil([&] { return Progressed(ds::kDownloadProgress); }));
    KillApache(*m_server);
    EXPECT_EQ(ResultOf("OnFileDownloaded"), "1");
    EXPECT_TRUE(PumpUntil(
        [] {
            return CDocShelfPanel::PanelText().rfind("Caption\tDocshelf: Connect server failed\n",
                                                     0) == 0;
        },
        30000))
        << CDocShelfPanel::PanelText();
}

TEST_F(ApacheFaults, ServerKilledMidUploadLeavesNothingAtTheName) {
    ASSERT_TRUE(StartServer());
    Start(m_server->Port());
    const std::string local = LocalPath("big.bin");
    std::ofstream(local).close();
    ASSERT_EQ(::truncate(local.c_str(), static_cast<off_t>(4ull << 30)), 0);
    m_pShelf->UploadFile(local.c_str(), "big.bin", 2, 1);
    ASSERT_TRUE(PumpUntil([&] { return Progressed(ds::kUploadProgress); }));
    KillApache(*m_server);
    EXPECT_EQ(ResultOf("OnFileUploaded"), "1");
    EXPECT_FALSE(m_server->Exists("big.bin"));
}

TEST_F(ApacheFaults, ServerDownAtStartIsFoundLater) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/a.txt", "hello"));
    const int port = m_server->Port();
    KillApache(*m_server);
    Start(port);
    EXPECT_EQ(CallsNamed("OnServerState")[0].args[0], "0");

    ASSERT_TRUE(RestartApache(*m_server, port));
    m_host.Clear();
    m_pShelf->CheckServer();
    ASSERT_TRUE(WaitForCall("OnServerState"));
    EXPECT_EQ(CallsNamed("OnServerState")[0].args[0], "1");
    EXPECT_EQ(List("Presenter/", 1), (std::vector<Entry>{{"a.txt", "5", "0"}}));
    EXPECT_EQ(Download("Presenter/a.txt", "a.txt", 2), 0);
    EXPECT_EQ(ReadLocal("a.txt"), "hello");
}

TEST_F(ApacheFaults, WrongPasswordFailsOnceAndTouchesNothing) {
    m_password = "wrong";
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/a.txt", "server copy"));
    Start(m_server->Port());
    WriteLocal("a.txt", "local copy");
    WriteLocal("b.txt", "only here");
    // The panel lists its folder at start; counted apart.
    ASSERT_TRUE(WaitIdle());
    const int panelListings = Requests("PROPFIND");
    EXPECT_TRUE(List("Presenter/", 1).empty());
    EXPECT_TRUE(OnlyEnd(1));
    EXPECT_EQ(Download("Presenter/a.txt", "a.txt", 2), 4);
    // The challenge and one answer to it, each.
    EXPECT_LE(Requests("PROPFIND") - panelListings, 2);
    EXPECT_LE(Requests("GET"), 2);
    EXPECT_EQ(ReadLocal("a.txt"), "local copy");
    EXPECT_EQ(LocalNames(), (std::vector<std::string>{"a.txt", "b.txt"}));
}
