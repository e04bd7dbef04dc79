// SPDX-License-Identifier: Apache-2.0
#include "ComponentFixture.h"

using Lifecycle = ComponentFixture;

TEST_F(Lifecycle, ShutdownRunsTheQueuedDirectoryWorkFirst) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    m_pShelf->EnsureDirectory("q1/q2/q3/q4/q5");
    m_pShelf->EnsureDirectory("r1");
    ReleaseComponent();
    EXPECT_TRUE(m_server->IsDir("q1/q2/q3/q4/q5"));
    EXPECT_TRUE(m_server->IsDir("r1"));
}

TEST_F(Lifecycle, ShutdownWithATransferQueuedEndsCleanly) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    WriteLocal("late.bin", TestBytes(4 << 20));
    std::string local = LocalPath("late.bin");
    m_pShelf->UploadFile(local.c_str(), "late.bin", 2, 1);
    ReleaseComponent();
    // Whatever the upload reached, nothing is left under the final name half-written.
    auto onServer = m_server->ReadFile("late.bin");
    if (onServer) {
        EXPECT_TRUE(*onServer == TestBytes(4 << 20));
    }
}

TEST_F(Lifecycle, DeletingTheChatFilterFileTellsTheHost) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/MTKEY.TXT", "x"));
    StartComponent(m_server->Port());
    // Through the engine directly: the panel's delete command is the only caller.
    DeleteThroughEngine("Presenter/MTKEY.TXT");
    ASSERT_TRUE(WaitForCall("SetChatFilterFile"));
    EXPECT_EQ(CallsNamed("SetChatFilterFile")[0].args[0], "");
    EXPECT_FALSE(m_server->Exists("Presenter/MTKEY.TXT"));
}

TEST_F(Lifecycle, ComponentWorksAgainAfterDestroyComp) {
    ASSERT_TRUE(StartServer());
    StartComponent(m_server->Port());
    WriteLocal("a.txt", "first life");
    ASSERT_EQ(Upload("a.txt", "a.txt"), 0);
    ReleaseComponent();

    m_host.Clear();
    StartComponent(m_server->Port());
    ASSERT_EQ(Download("a.txt", "b.txt"), 0);
    EXPECT_EQ(ReadLocal("b.txt"), "first life");
    WriteLocal("c.txt", "second life");
    EXPECT_EQ(Upload("c.txt", "c.txt"), 0);
    EXPECT_EQ(m_server->ReadFile("c.txt").value_or(""), "second life");
}
