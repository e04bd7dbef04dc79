// SPDX-License-Identifier: Apache-2.0
// The component's own files in the save directory (its download record, its temporary names)
// against participants who put files of those names on the server.
#include <string>

#include "ComponentFixture.h"
#include "DocShelfPanel.h"

using OwnFiles = ComponentFixture;

TEST_F(OwnFiles, AForgedRecordOnTheServerIsNeverFetchedAndDeletesNothing) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/.docshelf-downloads",
                                    "23\tthesis.docx\t/dav/room/Presenter/thesis.docx\n"
                                    "23\tthesis.docx\t/dav/room/Presenter/thesis.docx\t0\n"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/.docshelf-downloads.new", "x"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/.thesis.docx.docshelf-ab12cd34ef.part", "x"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/agenda.txt", "welcome"));
    const std::string thesis(23, 't');
    WriteLocal("thesis.docx", thesis);
    // The clean-up runs once per life: the second life judges what the first one recorded.
    for (int life = 0; life < 2; ++life) {
        SCOPED_TRACE(life);
        StartComponent(m_server->Port());
        m_pShelf->EnableAutoDownload();
        m_pShelf->RunRefreshCommand();
        ASSERT_TRUE(WaitIdle());
        Pump(50);
        const std::string text = CDocShelfPanel::PanelText();
        EXPECT_EQ(text.find("docshelf-downloads"), std::string::npos) << text;
        EXPECT_EQ(text.find(".part"), std::string::npos) << text;
        EXPECT_NE(text.find("DirRow\tagenda.txt\t"), std::string::npos) << text;
        ReleaseComponent();
        m_host.Clear();
    }
    EXPECT_EQ(ReadLocal("thesis.docx"), thesis);
    EXPECT_EQ(ReadLocal("agenda.txt"), "welcome");
    EXPECT_EQ(Requests("GET", 200), 1);
    EXPECT_EQ(ReadLocal(".docshelf-downloads").find("thesis"), std::string::npos);
}

TEST_F(OwnFiles, NoDownloadTargetsOneOfTheComponentsNames) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/agenda.txt", "welcome"));
    StartComponent(m_server->Port());
    ASSERT_EQ(Download("Presenter/agenda.txt", "agenda.txt", 1), 0);
    const std::string record = ReadLocal(".docshelf-downloads");
    ASSERT_FALSE(record.empty());
    EXPECT_EQ(Download("Presenter/agenda.txt", ".docshelf-downloads", 2), 2);
    EXPECT_EQ(Download("Presenter/agenda.txt", ".docshelf-downloads.new", 3), 2);
    EXPECT_EQ(Download("Presenter/agenda.txt", ".agenda.txt.docshelf-q1w2e3.part", 4), 2);
    EXPECT_EQ(ReadLocal(".docshelf-downloads"), record);
    EXPECT_FALSE(LocalExists(".docshelf-downloads.new"));
    EXPECT_FALSE(LocalExists(".agenda.txt.docshelf-q1w2e3.part"));
}
