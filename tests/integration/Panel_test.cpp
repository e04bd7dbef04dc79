// The directory list against Apache, read as --print-panel prints it: rows with uploader and
// size, automatic downloads, the status line.
#include "ComponentFixture.h"
#include "DocShelfPanel.h"
#include "WebDavMgr.h"

namespace {

class Panel : public ComponentFixture {
protected:
    // The panel's lines once no work is pending and the results have been shown.
    std::string Settled() {
        int idle = 0;
        PumpUntil([&] {
            idle = GetWebDavMgr()->IsBusy() ? 0 : idle + 1;
            return idle >= 3;
        });
        Pump(50);
        return CDocShelfPanel::PanelText();
    }
};

} // namespace

TEST_F(Panel, ListingIsShownAsRows) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->MakeDir("Presenter/Old"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/no author.txt", std::string(1536, 'x')));
    ASSERT_TRUE(m_server->MakeSparseFile("Presenter/disk.iso", (5ull << 30) + 7));
    StartComponent(m_server->Port());
    m_pShelf->SetSizeLimits(0, 6ull << 30);
    WriteLocal("mine.txt", "hello");
    ASSERT_EQ(Upload("mine.txt", "Presenter/mine.txt"), 0);
    m_pShelf->RunRefreshCommand();
    const std::string text = Settled();
    EXPECT_NE(text.find("DirRow\tOld\t\t0.00 Byte\n"), std::string::npos) << text;
    EXPECT_NE(text.find("DirRow\tno author.txt\tUnknown\t1.50 KB\n"), std::string::npos) << text;
    EXPECT_NE(text.find("DirRow\tdisk.iso\tUnknown\t5.00 GB\n"), std::string::npos) << text;
    EXPECT_NE(text.find("DirRow\tmine.txt\tAlice Example\t5.00 Byte\n"), std::string::npos) << text;
    EXPECT_EQ(
        text.rfind("Caption\tDocshelf: Docshelf Server (Used space: 5.00 GB, Free space: ", 0), 0u)
        << text;
}

TEST_F(Panel, AutomaticDownloadFetchesEachFileOnceAndSparesTheUsersFiles) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/new.txt", "from the meeting"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/report.txt", "the server's report"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/same.txt", "12345"));
    WriteLocal("report.txt", "the user's own report");
    WriteLocal("same.txt", "abcde");
    StartComponent(m_server->Port());
    m_pShelf->EnableAutoDownload();
    m_pShelf->RunRefreshCommand();
    Settled();
    EXPECT_EQ(ReadLocal("new.txt"), "from the meeting");
    EXPECT_EQ(ReadLocal("report.txt"), "the user's own report");
    EXPECT_EQ(ReadLocal("same.txt"), "abcde");
    // Listed again after its rows were cleared: no second download.
    m_pShelf->RunRefreshCommand();
    m_pShelf->RefreshRoot();
    Settled();
    EXPECT_EQ(Requests("GET", 200), 1);
}

TEST_F(Panel, PanelUploadRelistsTheFolderAndTellsTheMeeting) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->MakeDir("Presenter"));
    StartComponent(m_server->Port());
    WriteLocal("minutes.txt", "words");
    std::string local = LocalPath("minutes.txt");
    // Module data 1 marks an upload of the panel's own.
    m_pShelf->UploadFile(local.c_str(), "Presenter/minutes.txt", 1, 0);
    ASSERT_TRUE(WaitForCall("BroadcastMessage"));
    EXPECT_EQ(CallsNamed("BroadcastMessage")[0].args[0], "Alice Example uploaded file minutes.txt");
    EXPECT_NE(Settled().find("DirRow\tminutes.txt\tAlice Example\t5.00 Byte\n"),
              std::string::npos);
    EXPECT_TRUE(CallsNamed("OnFileUploaded").empty());
}
