// SPDX-License-Identifier: Apache-2.0
// Transfers keep their sessions: the start costs one connection, a burst a connection and a
// challenge per worker, not per file, and a session goes when its settings change or it has
// been idle.
#include <string>

#include "ComponentFixture.h"

class KeptSessions : public ComponentFixture {
protected:
    // Downloads count files at once; true when each arrived whole.
    bool DownloadBurst(int count, int firstUserData) {
        for (int i = 0; i < count; ++i) {
            const std::string name = "f" + std::to_string(i) + ".bin";
            m_pShelf->DownloadFile(LocalPath(name).c_str(), ("Presenter/" + name).c_str(), 2,
                                   firstUserData + i);
        }
        const bool bEnded = PumpUntil([&] {
            return static_cast<int>(CallsNamed("OnFileDownloaded").size()) >=
                   firstUserData - 100 + count;
        });
        for (const RecordedCall& c : CallsNamed("OnFileDownloaded")) {
            if (c.args[3] != "0") {
                return false;
            }
        }
        return bEnded && ReadLocal("f0.bin") == TestBytes(20000, 0);
    }
};

TEST_F(KeptSessions, ABurstCostsAConnectionAndAChallengePerWorkerAndSettingsOrIdlenessEndThem) {
    m_port.Limits().idleSeconds = 2;
    ASSERT_TRUE(StartServer());
    for (int i = 0; i < 40; ++i) {
        ASSERT_TRUE(
            m_server->WriteFile("Presenter/f" + std::to_string(i) + ".bin", TestBytes(20000, i)));
    }
    StartComponent(m_server->Port());
    ASSERT_TRUE(WaitIdle());
    Requests("PROPFIND");
    // The start: the server check's connection serves the listing, and folders that are there
    // are not made again.
    const int atStart = m_server->Connections();
    EXPECT_EQ(atStart, 1);
    EXPECT_EQ(Requests("MKCOL"), 0);
    ASSERT_TRUE(DownloadBurst(40, 100));
    Requests("GET");
    // Five at once, each on a session of its own or the work thread's.
    EXPECT_LE(m_server->Connections() - atStart, 5);
    EXPECT_LE(Requests("GET", 401), 5);

    // Within the idle time the next burst takes the kept sessions.
    const int kept = m_server->Connections();
    ASSERT_TRUE(DownloadBurst(10, 140));
    Requests("GET");
    EXPECT_EQ(m_server->Connections(), kept);

    // Other settings never use a session made with the old ones.
    m_port.Limits().readSeconds = 20;
    ASSERT_TRUE(DownloadBurst(1, 150));
    Requests("GET");
    EXPECT_EQ(m_server->Connections(), kept + 1);

    // Idle past its time, a session is closed: the next transfer connects again.
    const int beforeIdle = m_server->Connections();
    Pump(3500);
    ASSERT_TRUE(DownloadBurst(1, 151));
    Requests("GET");
    EXPECT_EQ(m_server->Connections(), beforeIdle + 1);
}
