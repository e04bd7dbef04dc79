// SPDX-License-Identifier: Apache-2.0
// The transfer list as a person sees it: rows through their states, status texts by result,
// progress of any size, history rows, sorting, icons, the links under the mouse, the popups by
// state, Cancel and Retry, Open and Save As.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "AfxShell.h"
#include "DSProtocol.h"
#include "DocShelf.h"
#include "DocShelfFileList.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
#include "LogCapture.h"
#include "PanelTransfer.h"
#include "RecordUtil.h"
#include "ScriptedPrompts.h"
#include "UiTestUtil.h"
#include "WebDavMgr.h"

namespace {

class FileListTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(800, 500);
        host->show();
        // The manager's own view: its messages have an owner to show over.
        GetDocShelfMgr()->SetParentWnd(reinterpret_cast<HWND>(host.get()));
        GetDocShelfMgr()->Init();
        GetDocShelfMgr()->GetView()->CreateControls(nullptr);
        list = GetDocShelfMgr()->GetView()->GetFileList();
        ASSERT_NE(list, nullptr);
        char dir[] = "/tmp/docshelf-filelist-XXXXXX";
        ASSERT_NE(::mkdtemp(dir), nullptr);
        localDir = std::string(dir) + "/";
        GetDocShelfMgr()->SetLocalDirectory(localDir.c_str());
        uitest::Pump();
    }
    void TearDown() override {
        GetDocShelfMgr()->Reset();
        host.reset();
        uitest::Pump();
        while (IDataRecord* p = GetWebDavMgr()->GetWorkThread().TakeQueuedWork())
            p->Release();
        std::error_code ec;
        std::filesystem::remove_all(localDir, ec);
    }

    void Send(uint32_t sub, uint32_t task, int64_t total = 0, int64_t current = 0,
              uint32_t code = 0) {
        IDataRecord* r = GetDataFactory(1)->CreateDataRecord();
        r->SetMethod(ds::kToTransferList);
        rec::SetU32(r, ds::key::SubMethod, sub);
        rec::SetU32(r, ds::key::TaskID, task);
        rec::SetU32(r, ds::key::ErrorCode, code);
        rec::SetI64(r, ds::key::TotalLength, total);
        rec::SetI64(r, ds::key::CurrentProgress, current);
        list->OnTransferRecord(r);
        r->Release();
    }
    void Listed(const std::string& name, uint64_t length) {
        IDataRecord* r = GetDataFactory(1)->CreateDataRecord();
        r->SetMethod(ds::kToTransferEntries);
        rec::SetU32(r, ds::key::SubMethod, ds::kTransferListingEntry);
        rec::SetU32(r, ds::key::IsDir, 0);
        rec::SetStr(r, ds::key::RelatedPath, "/Presenter/");
        rec::SetStr(r, ds::key::FileName, name);
        rec::SetStr(r, ds::key::ExtName, "txt");
        rec::SetU64(r, ds::key::FileLength, length);
        list->OnListingRecord(r);
        r->Release();
    }
    std::string Row(int row) {
        return list->GetItemText(row, 0) + "|" + list->GetItemText(row, 1) + "|" +
               list->GetItemText(row, 2) + "|" + list->GetItemText(row, 3);
    }
    void WriteLocal(const std::string& name, const std::string& content) {
        std::ofstream(localDir + name, std::ios::binary) << content;
    }
    QWidget* ListWidget() { return reinterpret_cast<QWidget*>(list->GetSafeHwnd()); }
    void MoveMouse(QPoint p) {
        QMouseEvent move(QEvent::MouseMove, p, ListWidget()->mapToGlobal(p), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(ListWidget(), &move);
    }
    void Command(UINT nID, int row = 0) {
        list->SetItemState(row, LVIS_SELECTED, LVIS_SELECTED);
        ::SendMessage(list->GetSafeHwnd(), WM_COMMAND, nID, 0);
    }
    // The items of a row's popup: "Open+ " enabled, "Open- " disabled. Nothing is chosen.
    std::string MenuOf(ScriptedPrompts& prompts, int row) {
        RECT r;
        list->GetItemRect(row, &r, LVIR_BOUNDS);
        prompts.CancelPopup();
        NMITEMACTIVATE nm;
        nm.hdr.code = NM_RCLICK;
        nm.iItem = row;
        nm.ptAction = POINT{r.left + 20, (r.top + r.bottom) / 2};
        ::SendMessage(list->GetSafeHwnd(), OCM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
        std::string items;
        const auto asked = prompts.Prompts();
        if (asked.empty() || asked.back().kind != ScriptedPrompts::Kind::TrackPopup)
            return std::string("no popup");
        for (const afx::PopupItem& i : asked.back().items)
            items += i.text + (i.enabled ? "+ " : "- ");
        return items;
    }

    std::unique_ptr<QWidget> host;
    CDocShelfFileList* list = nullptr;
    std::string localDir;
};

} // namespace

TEST_F(FileListTest, RowsFollowTheirTransferFromWaitingToTheEnd) {
    list->AddTransfer(7, localDir + "up.doc", "/Presenter/up.doc", 1024, true);
    list->AddTransfer(8, localDir + "down.iso", "/Presenter/down.iso", 3ull << 30, false);
    ASSERT_EQ(list->GetItemCount(), 2);
    EXPECT_EQ(Row(0), "down.iso|Waiting download...|3.00 GB|");
    EXPECT_EQ(Row(1), "up.doc|Waiting upload...|1.00 KB|");

    Send(ds::kUploadStarted, 7);
    Send(ds::kUploadProgress, 7, 1024, 0);
    EXPECT_EQ(Row(1), "up.doc|Uploading...|1.00 KB|0.0%");
    Send(ds::kUploadProgress, 7, 1024, 512);
    EXPECT_EQ(list->GetItemText(1, 3), "50.0%");
    Send(ds::kUploadProgress, 7, 0, 0); // nothing to show for an empty total
    EXPECT_EQ(list->GetItemText(1, 3), "");
    Send(ds::kUploadProgress, 7, 1024, 1024);
    Send(ds::kUploadEnded, 7);
    EXPECT_EQ(Row(1), "up.doc|Upload finished|1.00 KB|100.0%");

    // 64-bit figures: a 3 GiB download halfway, then a total the library does not know.
    Send(ds::kDownloadStarted, 8);
    Send(ds::kDownloadProgress, 8, 3ll << 30, 3ll << 29);
    EXPECT_EQ(Row(0), "down.iso|Downloading...|3.00 GB|50.0%");
    Send(ds::kDownloadProgress, 8, -1, 4096);
    EXPECT_EQ(list->GetItemText(0, 3), "");
    Send(ds::kDownloadEnded, 8, 0, 0, DS_RESULT_NOT_FOUND);
    EXPECT_EQ(Row(0), "down.iso|Download failed since file not exists or deleted|3.00 GB|N/A");

    // A record for a task without a row changes nothing.
    Send(ds::kUploadEnded, 99, 0, 0, DS_RESULT_REQUEST_FAILED);
    EXPECT_EQ(list->GetItemCount(), 2);
    EXPECT_EQ(list->FindTransfer("/Presenter/up.doc")->nState, TransferItem::kUploadEnded);
}

TEST_F(FileListTest, EveryResultHasItsText) {
    const std::pair<uint32_t, const char*> uploads[] = {
        {DS_RESULT_LOCAL_FILE_FAILED, "Upload failed since file open failed"},
        {DS_RESULT_REQUEST_FAILED, "Upload failed since networks error"},
        {DS_RESULT_CANCELLED, "Upload failed since user canceled this file"},
        {DS_RESULT_SERVER_ERROR, "Upload failed since server error"},
        {DS_RESULT_NO_ROOM, "Upload failed since insufficient space on disk of server"},
        {9, "Upload failed since unknown reason"}};
    uint32_t task = 100;
    for (const auto& [code, text] : uploads) {
        ++task;
        list->AddTransfer(task, localDir + "f", "/Presenter/f" + std::to_string(task), 1, true);
        Send(ds::kUploadEnded, task, 0, 0, code);
        EXPECT_EQ(list->GetItemText(0, 1), text);
        EXPECT_EQ(list->GetItemText(0, 3), "N/A");
    }
    list->AddTransfer(++task, localDir + "g", "/Presenter/g", 1, false);
    Send(ds::kDownloadEnded, task, 0, 0, DS_RESULT_REQUEST_FAILED);
    EXPECT_EQ(list->GetItemText(0, 1), "Download failed since networks error");
}

TEST_F(FileListTest, AFileAlreadyHereBecomesOneHistoryRow) {
    WriteLocal("kept.txt", "12345");
    WriteLocal("other.txt", "123");
    Listed("kept.txt", 5);
    Listed("kept.txt", 5);  // listed again: nothing more
    Listed("other.txt", 4); // another size on the server: not the same file
    Listed("absent.txt", 1);
    ASSERT_EQ(list->GetItemCount(), 1);
    EXPECT_EQ(Row(0), "kept.txt|Download list|0.00 KB|100.0%");
    EXPECT_GE(list->GetItemData(0), 2147483000u);
}

TEST_F(FileListTest, SortsByProgressAndANewRowEndsTheSort) {
    list->AddTransfer(1, localDir + "a", "/Presenter/a", 100, true);
    list->AddTransfer(2, localDir + "b", "/Presenter/b", 100, true);
    list->AddTransfer(3, localDir + "c", "/Presenter/c", 100, true);
    Send(ds::kUploadProgress, 1, 100, 70);
    Send(ds::kUploadProgress, 2, 100, 10);
    Send(ds::kUploadProgress, 3, 100, 40);
    NMLISTVIEW nm;
    nm.hdr.code = LVN_COLUMNCLICK;
    nm.iSubItem = CDocShelfFileList::kColProgress;
    ::SendMessage(list->GetSafeHwnd(), OCM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(list->GetItemText(0, 0) + list->GetItemText(1, 0) + list->GetItemText(2, 0), "bca");
    EXPECT_EQ(list->GetHeaderCtrl()->GetItemText(3), "Progress ^");
    ::SendMessage(list->GetSafeHwnd(), OCM_NOTIFY, 0, reinterpret_cast<LPARAM>(&nm));
    EXPECT_EQ(list->GetItemText(0, 0), "a");
    EXPECT_EQ(list->GetHeaderCtrl()->GetItemText(3), "Progress v");
    list->AddTransfer(4, localDir + "d", "/Presenter/d", 100, true);
    EXPECT_EQ(list->GetItemText(0, 0), "d");
    EXPECT_EQ(list->GetHeaderCtrl()->GetItemText(3), "Progress");
}

TEST_F(FileListTest, PopupsOfferWhatTheRowsStateAllows) {
    ScriptedPrompts prompts;
    ScriptedPrompts::Installer installed(prompts);
    list->AddTransfer(1, localDir + "up.txt", "/Presenter/up.txt", 1, true);
    list->AddTransfer(2, localDir + "down.txt", "/Presenter/down.txt", 1, false);
    // Row 0 is the waiting download: nothing to open or save yet, but it can be cancelled.
    EXPECT_EQ(MenuOf(prompts, 0), "Cancel+ Open- Save As...- Open folder+ ");
    EXPECT_EQ(MenuOf(prompts, 1), "Cancel+ Open+ Open folder+ ");
    Send(ds::kDownloadEnded, 2);
    EXPECT_EQ(MenuOf(prompts, 0), "Open+ Save As...+ Open folder+ ");
    // Shift+F10 opens the selected row's popup, whatever the pointer is over.
    list->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    list->SetItemState(0, 0, LVIS_SELECTED);
    prompts.Clear();
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QApplication::sendEvent(reinterpret_cast<QWidget*>(list->GetSafeHwnd()), &shiftF10);
    ASSERT_FALSE(prompts.Prompts().empty());
    EXPECT_EQ(prompts.Prompts().back().items.front().text, "Cancel");
}

TEST_F(FileListTest, CancelReachesTheEngineAndRetryStartsTheTransferAgain) {
    ScriptedPrompts prompts;
    ScriptedPrompts::Installer installed(prompts);
    CLogCapture log;
    GetDocShelfMgr()->SetRights(DS_RIGHT_DOWNLOAD);
    const std::string local = localDir + "a.txt";
    // A real task; no event loop runs until the end, so its row shows only what is sent here.
    ASSERT_TRUE(StartPanelTransfer(list, PanelTransfer{false, "/Presenter/a.txt", local, 5}));
    const uint32_t task = list->AddedTask(0);
    Send(ds::kDownloadStarted, task);
    EXPECT_EQ(MenuOf(prompts, 0), "Cancel+ Open- Save As...- Open folder+ ");
    Command(CDocShelfFileList::kCmdCancel);
    EXPECT_TRUE(log.Contains("CWebDavMgr::CancelTransfer(" + std::to_string(task) + ")"));

    // Its end says cancelled; a failed transfer offers Retry, once.
    Send(ds::kDownloadEnded, task, 0, 0, DS_RESULT_CANCELLED);
    EXPECT_EQ(list->GetItemText(0, 1), "Download failed since user canceled this file");
    EXPECT_EQ(MenuOf(prompts, 0), "Retry+ Open+ Save As...+ Open folder+ ");
    Command(CDocShelfFileList::kCmdRetry);
    ASSERT_EQ(list->AddedCount(), 2u);
    const TransferItem* again = list->FindTask(list->AddedTask(1));
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->nState, TransferItem::kDownloadWaiting);
    EXPECT_EQ(again->strServerPath, "/Presenter/a.txt");
    EXPECT_EQ(again->strLocalPath, local);
    EXPECT_EQ(MenuOf(prompts, 1), "Retry- Open+ Save As...+ Open folder+ ");
    Command(CDocShelfFileList::kCmdRetry, 1);
    EXPECT_EQ(list->AddedCount(), 2u);
    // Both tasks are real and end at once without a server; none outlives the test.
    for (int i = 0; i < 1000 && GetWebDavMgr()->IsBusy(); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        uitest::Pump();
    }
}

TEST_F(FileListTest, SaveAsCopiesAndSaysSoWhenItCannot) {
    ScriptedPrompts prompts;
    ScriptedPrompts::Installer installed(prompts);
    WriteLocal("report.txt", "the report");
    list->AddTransfer(5, localDir + "report.txt", "/Presenter/report.txt", 10, false);
    Send(ds::kDownloadEnded, 5);
    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    prompts.AnswerFileDialog(localDir + "copy.txt");
    ::SendMessage(list->GetSafeHwnd(), WM_COMMAND, CDocShelfFileList::kCmdSaveAs, 0);
    std::ifstream copy(localDir + "copy.txt");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(copy), {}), "the report");
    EXPECT_EQ(prompts.Count(ScriptedPrompts::Kind::MessageBox), 0u);
    // A folder that does not exist cannot take the copy: the person is told.
    prompts.AnswerFileDialog(localDir + "no/such/folder/copy.txt");
    prompts.AnswerMessageBox(IDOK);
    ::SendMessage(list->GetSafeHwnd(), WM_COMMAND, CDocShelfFileList::kCmdSaveAs, 0);
    ASSERT_EQ(prompts.Count(ScriptedPrompts::Kind::MessageBox), 1u);
    EXPECT_EQ(prompts.Prompts().back().text, "The copy could not be saved.");
}

TEST_F(FileListTest, NamesWithoutExtensionShowThePlainFileIcon) {
    // Newest on top; compared on rows of one colour, as the icons are drawn over the row.
    for (const char* name : {"data.zzqq", "f1.txt", "notes.", "f2.txt", "README"}) {
        list->AddTransfer(list->GetItemCount() + 1, localDir + name,
                          std::string("/Presenter/") + name, 1, false);
    }
    uitest::Pump();
    const QImage img = uitest::Grab(ListWidget());
    uitest::SaveShot(img, "filelist_icons");
    auto icon = [&](int row) {
        RECT r;
        list->GetSubItemRect(row, 0, LVIR_LABEL, r);
        const qreal dpr = img.devicePixelRatio();
        return img.copy(QRect(QPoint(r.left, r.top) * dpr, QSize(16, 16) * dpr));
    };
    ASSERT_EQ(list->GetItemText(4, 0), "data.zzqq"); // a type without an icon of its own
    EXPECT_EQ(icon(0), icon(4));
    EXPECT_EQ(icon(2), icon(4));
}

TEST_F(FileListTest, ANewTransferUnderThePointerComesUnlit) {
    list->AddTransfer(1, localDir + "a.txt", "/Presenter/a.txt", 1, false);
    list->AddTransfer(2, localDir + "b.txt", "/Presenter/b.txt", 1, false);
    const RECT link = list->LinkArea(0, CDocShelfFileList::kColSaveAs);
    const QPoint p((link.left + link.right) / 2, (link.top + link.bottom) / 2);
    MoveMouse(p);
    ASSERT_TRUE(list->IsLinkHovered(0, CDocShelfFileList::kColSaveAs));
    list->AddTransfer(3, localDir + "c.txt", "/Presenter/c.txt", 1, false);
    EXPECT_FALSE(list->IsLinkHovered(0, CDocShelfFileList::kColSaveAs));
    EXPECT_FALSE(list->IsLinkHovered(1, CDocShelfFileList::kColSaveAs));
    // The pointer stays: its next move lights the new row under it.
    MoveMouse(p);
    EXPECT_TRUE(list->IsLinkHovered(0, CDocShelfFileList::kColSaveAs));
    EXPECT_FALSE(list->IsLinkHovered(1, CDocShelfFileList::kColSaveAs));
}

TEST_F(FileListTest, OpenSaysAMissingFileAndOffersAProgramWhenTheTypeHasNone) {
    ScriptedPrompts prompts;
    ScriptedPrompts::Installer installed(prompts);
    // A desktop that names no program for any type, and an opener that does nothing.
    struct ShellScope {
        ShellScope() { afx::SetShellCommands("/bin/true", "/bin/true"); }
        ~ShellScope() { afx::SetShellCommands("", ""); }
    } shell;
    list->AddTransfer(1, localDir + "report.zzqq", "/Presenter/report.zzqq", 3, true);
    prompts.AnswerMessageBox(IDOK);
    Command(CDocShelfFileList::kCmdOpen);
    auto asked = prompts.Prompts();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, ScriptedPrompts::Kind::MessageBox);
    EXPECT_EQ(asked[0].text, "Open failed or not exists");
    prompts.Clear();
    WriteLocal("report.zzqq", "abc");
    prompts.AnswerChooseProgram(false);
    Command(CDocShelfFileList::kCmdOpen);
    asked = prompts.Prompts();
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0].kind, ScriptedPrompts::Kind::ChooseProgram);
    EXPECT_EQ(asked[0].text, localDir + "report.zzqq");
}

// A running row tells bytes, speed and time left, a failed one why, in the tooltip; the
// progress cell paints its share as a bar; Enter opens a finished row and leaves a running one.
TEST_F(FileListTest, ProgressAndReasonsAreTold) {
    list->AddTransfer(1, localDir + "big.iso", "/Presenter/big.iso", 4 << 20, false);
    Send(ds::kDownloadStarted, 1);
    Send(ds::kDownloadProgress, 1, 4 << 20, 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(1100));
    Send(ds::kDownloadProgress, 1, 4 << 20, 2 << 20);
    const std::string tip = list->GetItemTip(0, CDocShelfFileList::kColProgress);
    EXPECT_EQ(tip.substr(0, tip.find('\n')), "2.00 MB of 4.00 MB");
    EXPECT_NE(tip.find("/s\n"), std::string::npos) << tip;
    EXPECT_NE(tip.find(" left"), std::string::npos) << tip;
    EXPECT_EQ(list->GetItemTip(0, CDocShelfFileList::kColOpenFolder), "Open file folder");

    uitest::Pump();
    const QImage img = uitest::Grab(ListWidget());
    uitest::SaveShot(img, "filelist_progress_bar");
    RECT cell;
    list->GetSubItemRect(0, CDocShelfFileList::kColProgress, LVIR_LABEL, cell);
    const int y = cell.bottom - 4;
    const int width = cell.right - cell.left;
    // Half done: the start of the cell is the bar's colour, its end the track's.
    EXPECT_NE(uitest::Probe(img, cell.left + width / 10, y).rgb(),
              uitest::Probe(img, cell.right - width / 10, y).rgb());

    ScriptedPrompts prompts;
    ScriptedPrompts::Installer installed(prompts);
    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(ListWidget(), &enter);
    EXPECT_TRUE(prompts.Prompts().empty());
    Send(ds::kDownloadEnded, 1, 0, 0, DS_RESULT_REQUEST_FAILED);
    EXPECT_EQ(list->GetItemTip(0, CDocShelfFileList::kColStatus),
              "Download failed since networks error\nThe connection to the server was lost.");
    list->AddTransfer(2, localDir + "gone.txt", "/Presenter/gone.txt", 3, true);
    Send(ds::kUploadEnded, 2);
    list->SetItemState(-1, 0, LVIS_SELECTED);
    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    prompts.AnswerMessageBox(IDOK);
    QApplication::sendEvent(ListWidget(), &enter);
    ASSERT_EQ(prompts.Prompts().size(), 1u);
    EXPECT_EQ(prompts.Prompts()[0].text, "Open failed or not exists");
}
