// SPDX-License-Identifier: Apache-2.0
// The directory list against Apache, read as --print-panel prints it: rows with uploader and
// size, automatic downloads, the status line.
#include <chrono>
#include <fstream>
#include <functional>
#include <thread>

#include "AfxShell.h"
#include "AutoDownloads.h"
#include "ComponentFixture.h"
#include "DSDirListCtrl.h"
#include "DocShelfFileList.h"
#include "DocShelfMgr.h"
#include "DocShelfPanel.h"
#include "DocShelfView.h"
#include "IDocShelfAutoDownloadItf.h"
#include "MeetingPacer.h"
#include "ScriptedPrompts.h"

namespace {

class Panel : public ComponentFixture {
protected:
    // Files f0.txt, f1.txt ... of one byte, written straight into the server's folder.
    bool SeedPresenterFolder(int files) {
        if (!m_server->MakeDir("Presenter")) {
            return false;
        }
        const std::string dir = m_server->DataDir() + "/Presenter/";
        for (int i = 0; i < files; ++i) {
            std::ofstream(dir + "f" + std::to_string(i) + ".txt") << "x";
        }
        return true;
    }
    // The panel's lines once no work is pending and the results have been shown.
    std::string Settled() {
        EXPECT_TRUE(WaitIdle());
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
    // Listed again after its rows were cleared, and a second later, when Apache tags the files
    // strongly that it tagged weakly just after they were written: no second download.
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    m_pShelf->RunRefreshCommand();
    m_pShelf->RefreshRoot();
    Settled();
    EXPECT_EQ(Requests("GET", 200), 1);
}

// A file uploaded again under its name is a new version: it comes again, of the same size too,
// but never over a copy the user changed.
TEST_F(Panel, AFileUploadedAgainIsDownloadedAgainButNeverOverTheUsersCopy) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/minutes.txt", "version 1"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/notes.txt", "notes v1"));
    StartComponent(m_server->Port());
    m_pShelf->EnableAutoDownload();
    m_pShelf->RunRefreshCommand();
    Settled();
    ASSERT_EQ(ReadLocal("minutes.txt"), "version 1");
    ASSERT_EQ(ReadLocal("notes.txt"), "notes v1");
    WriteLocal("notes.txt", "my notes");
    ASSERT_TRUE(m_server->WriteFile("Presenter/minutes.txt", "version 2"));
    ASSERT_TRUE(m_server->WriteFile("Presenter/notes.txt", "notes v2"));
    m_pShelf->RefreshRoot();
    Settled();
    EXPECT_EQ(ReadLocal("minutes.txt"), "version 2");
    EXPECT_EQ(ReadLocal("notes.txt"), "my notes");
    // The same version again is not fetched again.
    m_pShelf->RefreshRoot();
    Settled();
    EXPECT_EQ(Requests("GET", 200), 3);
}

// Automatic downloads share one rate; what the host or the user asks for beside them is not
// held. 512 KiB at 256 KiB/s take at least 1.5 s whatever the machine.
TEST_F(Panel, AutomaticDownloadsAreHeldToTheirRateAndOthersAreNot) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/a.bin", TestBytes(256 << 10, 1)));
    ASSERT_TRUE(m_server->WriteFile("Presenter/b.bin", TestBytes(256 << 10, 2)));
    ASSERT_TRUE(m_server->WriteFile("other/mine.bin", TestBytes(1 << 20, 3)));
    StartComponent(m_server->Port());
    void* pItf = nullptr;
    m_pItfMgr->QueryItf("IDocShelfAutoDownload", &pItf);
    auto* pAutoDownload = static_cast<IDocShelfAutoDownloadItf*>(pItf);
    ASSERT_NE(pAutoDownload, nullptr);
    pAutoDownload->SetRateLimit(256 << 10);
    EXPECT_EQ(pAutoDownload->GetRateLimit(), 256u << 10);
    const auto start = std::chrono::steady_clock::now();
    m_pShelf->EnableAutoDownload();
    m_pShelf->RunRefreshCommand();
    EXPECT_EQ(Download("other/mine.bin", "mine.bin", 9), 0);
    const bool bAutoStillRunning = !LocalExists("a.bin") || !LocalExists("b.bin");
    ASSERT_TRUE(PumpUntil([&] { return LocalExists("a.bin") && LocalExists("b.bin"); }));
    const auto took = std::chrono::steady_clock::now() - start;
    pAutoDownload->SetRateLimit(0);
    EXPECT_TRUE(bAutoStillRunning);
    EXPECT_GE(took, std::chrono::milliseconds(1500));
    EXPECT_TRUE(ReadLocal("a.bin") == TestBytes(256 << 10, 1));
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
    EXPECT_NE(Settled().find("DirRow\tminutes.txt\tAlice Example\t5.00 Byte\n"), std::string::npos);
    EXPECT_TRUE(CallsNamed("OnFileUploaded").empty());
}

TEST_F(Panel, RelistingAsksTheServerOnlyForTheAuthorsOfNewAndChangedFiles) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/bare.txt", "no author"));
    StartComponent(m_server->Port());
    WriteLocal("a.txt", "first");
    ASSERT_EQ(Upload("a.txt", "Presenter/a.txt"), 0);
    Settled();
    const auto fileQuestions = [this] {
        int n = 0;
        for (const std::string& line : m_server->AccessLog()) {
            n += line.find("\"PROPFIND /dav/room/Presenter/") != std::string::npos &&
                 line.find("Presenter/ HTTP") == std::string::npos &&
                 line.find("\" 401 ") == std::string::npos;
        }
        return n;
    };
    m_pShelf->SetAuthorName("Bob");
    WriteLocal("a.txt", "second");
    // A user data of its own: the first upload's call must not answer for this one.
    ASSERT_EQ(Upload("a.txt", "Presenter/a.txt", 11), 0);
    WriteLocal("b.txt", "new");
    ASSERT_EQ(Upload("b.txt", "Presenter/b.txt", 12), 0);
    // The uploads' own questions (their lengths, their labels) are over.
    ASSERT_TRUE(WaitIdle());
    Requests("PUT");
    const int asked = fileQuestions();
    m_pShelf->RefreshRoot();
    std::string text = Settled();
    EXPECT_NE(text.find("DirRow\ta.txt\tBob\t6.00 Byte\n"), std::string::npos) << text;
    EXPECT_NE(text.find("DirRow\tb.txt\tBob\t3.00 Byte\n"), std::string::npos) << text;
    EXPECT_NE(text.find("DirRow\tbare.txt\tUnknown\t9.00 Byte\n"), std::string::npos) << text;
    // The rewritten file, the new one, and the one without an author a second time.
    Requests("PROPFIND");
    EXPECT_EQ(fileQuestions() - asked, 3);
    m_pShelf->RefreshRoot();
    EXPECT_EQ(Settled(), text);
    Requests("PROPFIND");
    EXPECT_EQ(fileQuestions() - asked, 3);
}

TEST_F(Panel, AnUploadNoticeAsksOnlyForTheFileItNamesAndAMissingOneForTheFolder) {
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(m_server->WriteFile("Presenter/old.txt", "old"));
    StartComponent(m_server->Port());
    m_pShelf->EnableAutoDownload();
    Settled();
    const auto requestsFor = [this](const std::string& path) {
        Requests("PROPFIND");
        const std::string line = "\"PROPFIND /dav/room/Presenter/" + path + " HTTP";
        int n = 0;
        for (const std::string& entry : m_server->AccessLog()) {
            n +=
                entry.find(line) != std::string::npos && entry.find("\" 401 ") == std::string::npos;
        }
        return n;
    };
    const int folderListings = requestsFor("");
    ASSERT_TRUE(m_server->WriteFile("Presenter/new.txt", "fresh"));
    m_pShelf->OnBroadcastMessage("Bob uploaded file new.txt");
    std::string text = Settled();
    EXPECT_NE(text.find("DirRow\tnew.txt\tUnknown\t5.00 Byte\n"), std::string::npos) << text;
    EXPECT_NE(text.find("DirRow\told.txt\t"), std::string::npos) << text;
    EXPECT_EQ(ReadLocal("new.txt"), "fresh");
    EXPECT_EQ(requestsFor("new%2Etxt"), 1);
    EXPECT_EQ(requestsFor(""), folderListings);

    // A notice of a file that is not there proves nothing about the rest: the folder is listed.
    Pump(static_cast<int>(CMeetingPacer::kGap.count()) + 100);
    m_pShelf->OnBroadcastMessage("Bob uploaded file gone.txt");
    text = Settled();
    EXPECT_EQ(text.find("gone.txt"), std::string::npos) << text;
    EXPECT_EQ(requestsFor(""), folderListings + 1);
}

namespace {

// The panel worked with the mouse: a row selected, a command from its menu, the dialogs
// answered from a script.
class PanelCommands : public Panel {
protected:
    void SetUp() override {
        Panel::SetUp();
        ASSERT_TRUE(StartServer());
        ASSERT_TRUE(m_server->WriteFile("Presenter/report.txt", "the server's report"));
        StartComponent(m_server->Port(), kAllRights, 0xC);
        m_pShelf->SetSizeLimits(1ull << 40, 1ull << 40);
        Settled();
    }
    CDSDirListCtrl* List() { return GetDocShelfMgr()->GetDirListCtrl(); }
    void Command(UINT id, const std::string& row = {}) {
        for (int i = 0; !row.empty() && i < List()->GetItemCount(); ++i) {
            if (List()->GetItemText(i, 0) == row) {
                List()->SetItemState(i, LVIS_SELECTED, LVIS_SELECTED);
            }
        }
        ::SendMessage(List()->GetSafeHwnd(), WM_COMMAND, id, 0);
    }
    std::vector<std::string> Messages() const {
        std::vector<std::string> texts;
        for (const auto& p : m_prompts.Prompts()) {
            if (p.kind == ScriptedPrompts::Kind::MessageBox) {
                texts.push_back(p.text);
            }
        }
        return texts;
    }
    std::string TransferRows() {
        std::string text = Settled(), rows;
        for (size_t at = text.find("TransferRow"); at != std::string::npos;
             at = text.find("TransferRow", at + 1)) {
            rows += text.substr(at, text.find('\n', at) - at + 1);
        }
        return rows;
    }

    ScriptedPrompts m_prompts;
    ScriptedPrompts::Installer m_installed{m_prompts};
};

} // namespace

TEST_F(PanelCommands, UploadFromThePanelGoesUpAndIsShown) {
    WriteLocal("../agenda.txt", "1. welcome");
    m_prompts.AnswerFileDialog(m_baseDir + "/agenda.txt");
    m_pShelf->RunUploadCommand();
    ASSERT_TRUE(WaitForCall("BroadcastMessage"));
    EXPECT_EQ(CallsNamed("BroadcastMessage")[0].args[0], "Alice Example uploaded file agenda.txt");
    EXPECT_EQ(TransferRows(), "TransferRow\tagenda.txt\tUpload finished\t0.01 KB\t100.0%\n");
    EXPECT_EQ(m_server->ReadFile("Presenter/agenda.txt").value_or(""), "1. welcome");
    EXPECT_NE(Settled().find("DirRow\tagenda.txt\tAlice Example\t10.00 Byte\n"), std::string::npos);
    EXPECT_EQ(m_pShelf->GetActiveTransferCount(), 0);
    EXPECT_EQ(m_prompts.UnexpectedCount(), 0u);
}

TEST_F(PanelCommands, DownloadAsksBeforeOverwritingAndDownloadToSaves) {
    WriteLocal("report.txt", "my own notes");
    m_prompts.AnswerMessageBox(IDNO);
    Command(CDSDirListCtrl::kCmdDownload, "report.txt");
    EXPECT_EQ(Messages(), std::vector<std::string>{"File exists, continue to overwrite?"});
    EXPECT_EQ(TransferRows(), "");
    EXPECT_EQ(ReadLocal("report.txt"), "my own notes");

    m_prompts.AnswerMessageBox(IDYES);
    Command(CDSDirListCtrl::kCmdDownload, "report.txt");
    EXPECT_EQ(TransferRows(), "TransferRow\treport.txt\tDownload finished\t0.02 KB\t100.0%\n");
    EXPECT_EQ(ReadLocal("report.txt"), "the server's report");

    m_prompts.AnswerFileDialog(m_baseDir + "/elsewhere.txt");
    Command(CDSDirListCtrl::kCmdDownloadTo, "report.txt");
    Settled();
    EXPECT_EQ(ReadLocal("../elsewhere.txt"), "the server's report");
    EXPECT_EQ(m_pShelf->GetActiveTransferCount(), 0);
}

TEST_F(PanelCommands, AFailedDownloadSaysWhy) {
    ASSERT_TRUE(m_server->Remove("Presenter/report.txt"));
    Command(CDSDirListCtrl::kCmdDownload, "report.txt");
    EXPECT_EQ(TransferRows(), "TransferRow\treport.txt\tDownload failed since file not exists or "
                              "deleted\t0.02 KB\tN/A\n");
    EXPECT_FALSE(LocalExists("report.txt"));
}

TEST_F(PanelCommands, DeletingTheChatFilterFileTellsTheMeeting) {
    ASSERT_TRUE(m_server->WriteFile("Presenter/mtkey.txt", "badword"));
    m_pShelf->RunRefreshCommand();
    Settled();
    m_prompts.AnswerMessageBox(IDYES);
    Command(CDSDirListCtrl::kCmdDelete, "mtkey.txt");
    ASSERT_TRUE(
        WaitForCall("SetChatFilterFile", [](const RecordedCall& c) { return c.args[0].empty(); }));
    EXPECT_EQ(Messages(), std::vector<std::string>{"Confirm to delete file mtkey.txt?"});
    EXPECT_FALSE(m_server->Exists("Presenter/mtkey.txt"));
    bool told = false;
    for (const RecordedCall& c : CallsNamed("BroadcastMessage")) {
        told |= c.args[0] == "CHAT_FILTER_FILE_DELETED";
    }
    EXPECT_TRUE(told);
    EXPECT_EQ(Settled().find("DirRow\tmtkey.txt"), std::string::npos);
}

TEST_F(PanelCommands, UploadChecksStopWithTheirMessages) {
    WriteLocal("big.bin", std::string(2000, 'b'));
    WriteLocal("report.txt", "clash");
    WriteLocal("mtkey.txt", "words");
    auto upload = [&](const std::string& name) {
        m_prompts.AnswerFileDialog(LocalPath(name));
        m_pShelf->RunUploadCommand();
    };
    m_pShelf->SetSizeLimits(1000, 1ull << 40);
    upload("big.bin");
    m_prompts.AnswerMessageBox(IDNO);
    upload("report.txt");
    upload("missing.txt");
    m_pShelf->SetSizeLimits(1ull << 40, 2010);
    upload("big.bin");
    m_pShelf->SetSizeLimits(1ull << 40, 10);
    m_pShelf->RunUploadCommand(); // more used than there is: no dialog at all
    m_pShelf->SetUserRole(0);
    m_pShelf->SetSizeLimits(1ull << 40, 1ull << 40);
    upload("mtkey.txt");
    EXPECT_EQ(Messages(), (std::vector<std::string>{
                              "Conditioned to upload file, file size <= 0.98 KB",
                              "File exists, continue to overwrite?",
                              "File open failed!",
                              "Insufficient space on docshelf",
                              "Insufficient space on docshelf",
                              "You can not upload file mtkey.txt",
                          }));
    EXPECT_EQ(m_prompts.Count(ScriptedPrompts::Kind::FileDialog), 5u);
    EXPECT_EQ(TransferRows(), "");
    EXPECT_EQ(Requests("PUT"), 0);
}

TEST_F(PanelCommands, AClearedTransferListForgetsNothingTheEngineDoes) {
    Command(CDSDirListCtrl::kCmdDownload, "report.txt");
    m_pShelf->ClearTransferList();
    EXPECT_EQ(TransferRows(), "");
    EXPECT_EQ(ReadLocal("report.txt"), "the server's report");
    EXPECT_EQ(m_pShelf->GetActiveTransferCount(), 0);
    // The file is no longer being downloaded: it can be again.
    m_prompts.AnswerMessageBox(IDYES);
    Command(CDSDirListCtrl::kCmdDownload, "report.txt");
    EXPECT_EQ(TransferRows(), "TransferRow\treport.txt\tDownload finished\t0.02 KB\t100.0%\n");
    EXPECT_EQ(Messages(), std::vector<std::string>{"File exists, continue to overwrite?"});
    EXPECT_EQ(Requests("GET", 200), 2);
}

namespace {

// Scripted answers, and while each question is open the panel's rows are listed anew and the
// transfer list is cleared, as records arriving during a modal loop would.
class InterruptingPrompts : public ScriptedPrompts {
public:
    std::function<void()> during;

    int MessageBox(HWND owner, const std::string& text, const std::string& caption,
                   UINT style) override {
        Interrupt();
        return ScriptedPrompts::MessageBox(owner, text, caption, style);
    }
    bool FileDialog(bool open, HWND owner, const std::string& defExt, const std::string& fileName,
                    DWORD flags, std::string& chosenPath) override {
        Interrupt();
        return ScriptedPrompts::FileDialog(open, owner, defExt, fileName, flags, chosenPath);
    }
    bool ChooseProgram(const std::string& path) override {
        Interrupt();
        return ScriptedPrompts::ChooseProgram(path);
    }

private:
    void Interrupt() {
        if (during) {
            during();
        }
    }
};

} // namespace

TEST_F(PanelCommands, QuestionsOutliveTheRowsTheyWereAskedAbout) {
    InterruptingPrompts prompts;
    prompts.during = [&] {
        m_pShelf->RefreshRoot();
        m_pShelf->ClearTransferList();
        EXPECT_TRUE(WaitIdle());
    };
    ScriptedPrompts::Installer installed(prompts);
    CDocShelfFileList* transfers = GetDocShelfMgr()->GetView()->GetFileList();

    // Download over a file that is there, and Download to.
    WriteLocal("report.txt", "my own notes");
    prompts.AnswerMessageBox(IDYES);
    Command(CDSDirListCtrl::kCmdDownload, "report.txt");
    prompts.AnswerFileDialog(m_baseDir + "/copy.txt");
    Command(CDSDirListCtrl::kCmdDownloadTo, "report.txt");
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(ReadLocal("report.txt"), "the server's report");
    EXPECT_EQ(ReadLocal("../copy.txt"), "the server's report");

    // Upload under a name the folder has.
    WriteLocal("../report.txt", "a new report");
    prompts.AnswerFileDialog(m_baseDir + "/report.txt");
    prompts.AnswerMessageBox(IDYES);
    m_pShelf->RunUploadCommand();
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(m_server->ReadFile("Presenter/report.txt").value_or(""), "a new report");

    // Save a transfer elsewhere, and open one whose type has no program.
    transfers->AddTransfer(0x7000, LocalPath("report.zzqq"), "/Presenter/report.zzqq", 3, true);
    WriteLocal("report.zzqq", "abc");
    transfers->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    prompts.AnswerFileDialog(m_baseDir + "/saved.zzqq");
    ::SendMessage(transfers->GetSafeHwnd(), WM_COMMAND, CDocShelfFileList::kCmdSaveAs, 0);
    EXPECT_EQ(ReadLocal("../saved.zzqq"), "abc");
    afx::SetShellCommands("/bin/true", "/bin/true");
    transfers->AddTransfer(0x7001, LocalPath("report.zzqq"), "/Presenter/report.zzqq", 3, true);
    transfers->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    prompts.AnswerChooseProgram(false);
    ::SendMessage(transfers->GetSafeHwnd(), WM_COMMAND, CDocShelfFileList::kCmdOpen, 0);
    afx::SetShellCommands("", "");

    // Delete.
    prompts.AnswerMessageBox(IDYES);
    Command(CDSDirListCtrl::kCmdDelete, "report.txt");
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(m_server->Exists("Presenter/report.txt"));

    EXPECT_EQ(prompts.Count(ScriptedPrompts::Kind::MessageBox), 3u);
    EXPECT_EQ(prompts.Count(ScriptedPrompts::Kind::FileDialog), 3u);
    EXPECT_EQ(prompts.Count(ScriptedPrompts::Kind::ChooseProgram), 1u);
    EXPECT_EQ(prompts.UnexpectedCount(), 0u);
}

TEST_F(PanelCommands, DownloadWithoutASaveDirectorySaysSo) {
    m_pShelf->SetLocalDirectory("");
    m_prompts.AnswerMessageBox(IDOK);
    Command(CDSDirListCtrl::kCmdDownload, "report.txt");
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"There is no local folder to save downloads in."});
    EXPECT_EQ(TransferRows(), "");
}

// A folder that could not be read is not shown as an empty one, and the host can tell.
TEST_F(Panel, AFolderThatCannotBeReadSaysSo) {
    ASSERT_TRUE(StartServer());
    m_password = "wrong";
    StartComponent(m_server->Port());
    const std::string text = Settled();
    EXPECT_EQ(text, "Caption\tDocshelf: The folder could not be read\n");
    EXPECT_EQ(GetDocShelfPanel()->GetLastListResult(), DS_LIST_REFUSED);
}

// The host's view of the panel waits for every row of a large folder, not only for the work
// thread.
TEST_F(Panel, ALargeFolderIsPrintedWhole) {
    constexpr int kFiles = 40000;
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(SeedPresenterFolder(kFiles));
    StartComponent(m_server->Port());
    m_pShelf->SetSizeLimits(0, 1ull << 30);
    ASSERT_TRUE(PumpUntil([] { return !GetDocShelfPanel()->IsBusy(); }));
    const std::string text = CDocShelfPanel::PanelText();
    size_t rows = 0;
    for (size_t at = text.find("\nDirRow\t"); at != std::string::npos;
         at = text.find("\nDirRow\t", at + 1)) {
        ++rows;
    }
    EXPECT_EQ(rows, static_cast<size_t>(kFiles));
    EXPECT_EQ(text.rfind("Caption\tDocshelf: Docshelf Server (Used space: 39.06 KB, ", 0), 0u)
        << text.substr(0, 200);
}

// Beyond the downloads under way the rest wait without a row, the caption says how many, and
// all of them arrive.
TEST_F(Panel, ManyNewFilesWaitTheirTurnAndTheCaptionCountsThem) {
    const int kFiles = static_cast<int>(CAutoDownloads::kMaxRunning) + 300;
    ASSERT_TRUE(StartServer());
    ASSERT_TRUE(SeedPresenterFolder(kFiles));
    StartComponent(m_server->Port());
    m_pShelf->EnableAutoDownload();
    CDocShelfView* pView = GetDocShelfMgr()->GetView();
    ASSERT_TRUE(PumpUntil([&] { return pView->GetDirListCtrl()->GetItemCount() == kFiles; }));
    const size_t waiting = pView->WaitingDownloads();
    EXPECT_GT(waiting, 0u);
    EXPECT_LE(pView->GetFileList()->GetItemCount() + waiting, static_cast<size_t>(kFiles));
    EXPECT_NE(CDocShelfPanel::PanelText().find(
                  "\nTransferCaption\tUpload/download list (waiting to download: "),
              std::string::npos);
    ASSERT_TRUE(
        PumpUntil([&] { return !GetDocShelfPanel()->IsBusy() && pView->WaitingDownloads() == 0; }));
    Settled();
    EXPECT_EQ(Requests("GET", 200), kFiles);
    EXPECT_EQ(CDocShelfPanel::PanelText().find("TransferCaption"), std::string::npos);
}
