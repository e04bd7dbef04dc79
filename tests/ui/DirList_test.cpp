// SPDX-License-Identifier: Apache-2.0
// The directory list as a person sees it: rows built from listing records, size and status
// texts in both languages, row colours and icons, buttons with hover and rights, sorting, the
// retry series, and the commands of its buttons and menus with their checks, files dropped.
#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPalette>
#include <QScrollBar>
#include <QToolTip>
#include <QUrl>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

#include "AfxLanguage.h"
#include "AfxMsg.h"
#include "CodePage.h"
#include "DSDirListCtrl.h"
#include "DSProtocol.h"
#include "DocShelf.h"
#include "DocShelfFileList.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
#include "PanelSetup.h"
#include "RecordUtil.h"
#include "ScriptedPrompts.h"
#include "UiTestUtil.h"
#include "WebDavMgr.h"

namespace {

constexpr QRgb kEven = qRgb(0xF1, 0xF0, 0xF3);
constexpr QRgb kOdd = qRgb(0xFF, 0xFF, 0xFF);
constexpr QRgb kSelected = qRgb(0x87, 0xCE, 0xFA);

class DirListTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = uitest::ShownWindow(700, 500);
        view = uitest::OwnView(host.get());
        list = view->GetDirListCtrl();
        ASSERT_NE(list, nullptr);
        GetDocShelfMgr()->SetRights(DS_RIGHT_DOWNLOAD | DS_RIGHT_DELETE);
        uitest::Pump();
    }
    void TearDown() override {
        GetDocShelfMgr()->SetRights(0);
        GetDocShelfMgr()->SetSizeLimits(0, 0);
        view.reset();
        host.reset();
        uitest::Pump();
        uitest::DropQueuedWork();
    }

    IDataRecord* Record(uint32_t sub) { return uitest::DirListRecord(sub); }
    void Send(IDataRecord* r) {
        list->OnWorkResult(r);
        r->Release();
    }
    void Add(const std::string& name, uint64_t length, const std::string& author = "Alice",
             bool dir = false) {
        Send(uitest::DirEntryRecord(name, length, author, dir));
    }
    std::string Row(int row) {
        return list->GetItemText(row, 0) + "|" + list->GetItemText(row, 1) + "|" +
               list->GetItemText(row, 2);
    }
    QWidget* ListWidget() { return reinterpret_cast<QWidget*>(list->GetSafeHwnd()); }
    // The file icon drawn at the start of a row.
    QImage IconPixels(const QImage& img, int row) {
        RECT r;
        list->GetSubItemRect(row, 0, LVIR_LABEL, r);
        const qreal dpr = img.devicePixelRatio();
        return img.copy(QRect(QPoint(r.left, r.top) * dpr, QSize(16, 16) * dpr));
    }
    QImage Shot(const char* name) {
        uitest::Pump();
        QImage img = uitest::Grab(ListWidget());
        uitest::SaveShot(img, name);
        return img;
    }
    void MoveMouse(QPoint p) {
        QMouseEvent move(QEvent::MouseMove, p, ListWidget()->mapToGlobal(p), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(ListWidget(), &move);
    }
    void Click(QPoint p) {
        QMouseEvent press(QEvent::MouseButtonPress, p, ListWidget()->mapToGlobal(p), Qt::LeftButton,
                          Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(ListWidget(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, p, ListWidget()->mapToGlobal(p),
                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(ListWidget(), &release);
    }
    void ClickHeader(int column) {
        auto* header = reinterpret_cast<QHeaderView*>(list->GetHeaderCtrl()->GetSafeHwnd());
        emit header->sectionClicked(column);
    }
    QPoint ButtonCentre(int row, int column) {
        RECT r = list->ButtonArea(row, column);
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    // Pixels of a button area that are neither background colour.
    int Ink(const QImage& img, int row, int column) {
        RECT r = list->ButtonArea(row, column);
        int ink = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) {
                QRgb c = uitest::Probe(img, x, y).rgb();
                ink += c != kEven && c != kOdd && c != kSelected;
            }
        return ink;
    }
    QImage ButtonPixels(const QImage& img, int row, int column) {
        RECT r = list->ButtonArea(row, column);
        const qreal dpr = img.devicePixelRatio();
        return img.copy(
            QRect(QPoint(r.left, r.top) * dpr, QPoint(r.right - 1, r.bottom - 1) * dpr));
    }
    // Takes the queued work items and counts those of one method.
    int QueuedWork(uint32_t method) {
        int count = 0;
        while (IDataRecord* p = GetWebDavMgr()->GetWorkThread().TakeQueuedWork()) {
            count += p->GetMethod() == method;
            p->Release();
        }
        return count;
    }
    int QueuedChecks() { return QueuedWork(ds::kWorkCheckServer); }

    std::unique_ptr<QWidget> host;
    std::unique_ptr<CDocShelfView> view;
    CDSDirListCtrl* list = nullptr;
};

constexpr uint32_t kAllRights =
    DS_RIGHT_DOWNLOAD | DS_RIGHT_UPLOAD | DS_RIGHT_LIST | DS_RIGHT_DELETE;

// The list of the manager's own view, so that its questions and messages are shown, through
// scripted prompts.
class DirCommandsTest : public DirListTest {
protected:
    void SetUp() override {
        host = uitest::ShownWindow(700, 500);
        list = uitest::ManagerView(host.get())->GetDirListCtrl();
        ASSERT_NE(list, nullptr);
        localDir = uitest::TempFolder("docshelf-dircommands");
        ASSERT_FALSE(localDir.empty());
        uitest::Pump();
        QueuedWork(0); // the root's folders and listing
    }
    void TearDown() override {
        GetWebDavMgr()->SetServerAvailable(0);
        GetDocShelfMgr()->Reset();
        DirListTest::TearDown();
        std::error_code ec;
        std::filesystem::remove_all(localDir, ec);
    }
    std::string WriteLocal(const std::string& name, size_t length) {
        std::ofstream(localDir + name, std::ios::binary) << std::string(length, 'x');
        return localDir + name;
    }
    // What the person was asked, in order: "[save a.txt]", "[open]" or a message's text.
    std::string Asked() {
        std::string out;
        for (const ScriptedPrompts::Prompt& p : prompts.Prompts()) {
            if (p.kind == ScriptedPrompts::Kind::FileDialog)
                out += p.open ? "[open]" : "[save " + p.fileName + "]";
            else if (p.kind == ScriptedPrompts::Kind::MessageBox)
                out += p.text;
            else
                out += "[other]";
            out += "\n";
        }
        prompts.Clear();
        return out;
    }
    // The items of the popup a right click at p opens: "Delete+ " enabled, "Delete- " disabled.
    std::string MenuOf(QPoint p) {
        prompts.CancelPopup();
        QContextMenuEvent menu(QContextMenuEvent::Mouse, p, ListWidget()->mapToGlobal(p));
        QApplication::sendEvent(ListWidget(), &menu);
        const auto asked = prompts.Prompts();
        prompts.Clear();
        if (asked.empty() || asked.back().kind != ScriptedPrompts::Kind::TrackPopup)
            return "no popup";
        std::string items;
        for (const afx::PopupItem& i : asked.back().items)
            items += i.separator ? "| " : i.text + (i.enabled ? "+ " : "- ");
        return items;
    }
    QPoint RowPoint(int row) {
        RECT r;
        list->GetItemRect(row, &r, LVIR_BOUNDS);
        return QPoint(r.left + 20, (r.top + r.bottom) / 2);
    }
    // Files dragged from the desktop over a widget: whether it takes them.
    static bool DragEnter(QWidget* w, const QMimeData& files) {
        QDragEnterEvent enter(QPoint(30, 30), Qt::CopyAction, &files, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(w, &enter);
        return enter.isAccepted();
    }
    // Dragged in and dropped (Qt drops on the widget that took the drag); the list hears of it
    // once the drop is done.
    static void Drop(QWidget* w, const QMimeData& files) {
        ASSERT_TRUE(DragEnter(w, files));
        QDropEvent drop(QPointF(30, 30), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(w, &drop);
        uitest::Pump();
    }

    std::string localDir;
    ScriptedPrompts prompts;
    ScriptedPrompts::Installer installed{prompts};
};

} // namespace

TEST(DirListSize, TextsFollowTheUnits) {
    EXPECT_EQ(CDSDirListCtrl::SizeText(1536), "1.50 KB");
    EXPECT_EQ(CDSDirListCtrl::SizeText(1023), "1023.00 Byte");
    EXPECT_EQ(CDSDirListCtrl::SizeText(1024), "1.00 KB");
    EXPECT_EQ(CDSDirListCtrl::SizeText(5ull << 30), "5.00 GB");
    EXPECT_EQ(CDSDirListCtrl::SizeText(1ull << 42), "4096.00 GB");
    EXPECT_EQ(CDSDirListCtrl::SizeText(0), "0.00 Byte");
}

TEST_F(DirListTest, RecordsBecomeRowsAndTheSpaceLine) {
    EXPECT_EQ(list->GetStatusText(), "Connecting server...");
    Add("Old", 0, "", true);
    Add("plan b.ppt", 5ull << 30, "Zoë");
    Add("notes.txt", 1536, "Unknown");
    ASSERT_EQ(list->GetItemCount(), 3);
    EXPECT_EQ(Row(0), "Old||0.00 Byte");
    EXPECT_EQ(Row(1), "plan b.ppt|Zoë|5.00 GB");
    EXPECT_EQ(Row(2), "notes.txt|Unknown|1.50 KB");
    EXPECT_EQ(list->GetUsedSpace(), (5ull << 30) + 1536);

    GetDocShelfMgr()->SetSizeLimits(0, 6ull << 30);
    Send(Record(ds::kDirListingFinished));
    EXPECT_EQ(view->GetDirCaption(),
              "Docshelf: Docshelf Server (Used space: 5.00 GB, Free space: 1024.00 MB)");
    SetThreadUILanguageOverride(LANGID_ZH_CN);
    EXPECT_EQ(afx::AnsiToUtf8(view->GetDirCaption()),
              "资料共享区：服务器目录（已用：5.00 GB 剩余：1024.00 MB）");
    SetThreadUILanguageOverride(0);
    // More used than the meeting's space: nothing is free.
    GetDocShelfMgr()->SetSizeLimits(0, 1024);
    Send(Record(ds::kDirListingFinished));
    EXPECT_NE(list->GetStatusText().find("Free space: 0.00 KB"), std::string::npos);
    list->OnServerAvailable(false);
    EXPECT_EQ(list->GetStatusText(), "Connect server failed");

    Send(Record(ds::kDirClearList));
    EXPECT_EQ(list->GetItemCount(), 0);
    EXPECT_EQ(list->GetUsedSpace(), 0u);
}

TEST_F(DirListTest, RowsButtonsAndSelectionArePaintedInTheirColours) {
    for (int i = 0; i < 4; ++i)
        Add("file" + std::to_string(i) + ".txt", 100);
    list->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    QImage img = Shot("dirlist_rows");
    RECT r;
    list->GetSubItemRect(0, CDSDirListCtrl::kColSize, LVIR_LABEL, r);
    EXPECT_EQ(uitest::Probe(img, r.right - 3, r.top + 2).rgb(), kEven);
    list->GetSubItemRect(2, CDSDirListCtrl::kColSize, LVIR_LABEL, r);
    EXPECT_EQ(uitest::Probe(img, r.right - 3, r.top + 2).rgb(), kEven);
    list->GetSubItemRect(3, CDSDirListCtrl::kColSize, LVIR_LABEL, r);
    EXPECT_EQ(uitest::Probe(img, r.right - 3, r.top + 2).rgb(), kOdd);
    list->GetSubItemRect(1, CDSDirListCtrl::kColSize, LVIR_LABEL, r);
    EXPECT_EQ(uitest::Probe(img, r.right - 3, r.top + 2).rgb(), kSelected);
    // Both buttons drawn, with no trace of the bitmaps' transparent red.
    for (int row = 0; row < 4; ++row) {
        EXPECT_GT(Ink(img, row, CDSDirListCtrl::kColDownload), 20) << row;
        EXPECT_GT(Ink(img, row, CDSDirListCtrl::kColDelete), 20) << row;
        RECT b = list->ButtonArea(row, CDSDirListCtrl::kColDelete);
        for (int y = b.top; y < b.bottom; ++y)
            for (int x = b.left; x < b.right; ++x)
                ASSERT_NE(uitest::Probe(img, x, y).rgb(), qRgb(255, 0, 0));
    }
    // The file icon stays within 16 by 16 at the cell's corner.
    list->GetSubItemRect(0, 0, LVIR_LABEL, r);
    EXPECT_EQ(uitest::Probe(img, r.left + 18, r.top + 1).rgb(), kEven);
}

TEST_F(DirListTest, HoverLightsTheButtonUnderTheMouseAndLeavingClearsIt) {
    Add("a.txt", 1);
    Add("b.txt", 2);
    const QImage plain = Shot("dirlist_plain");
    const QImage before = ButtonPixels(plain, 1, CDSDirListCtrl::kColDownload);
    MoveMouse(ButtonCentre(1, CDSDirListCtrl::kColDownload));
    EXPECT_TRUE(list->IsButtonHovered(1, CDSDirListCtrl::kColDownload));
    const QImage hovered = ButtonPixels(Shot("dirlist_hover"), 1, CDSDirListCtrl::kColDownload);
    EXPECT_NE(before, hovered);
    // Straight onto the Delete button: one flag cleared, the other set, and it lights up.
    MoveMouse(ButtonCentre(1, CDSDirListCtrl::kColDelete));
    EXPECT_FALSE(list->IsButtonHovered(1, CDSDirListCtrl::kColDownload));
    EXPECT_TRUE(list->IsButtonHovered(1, CDSDirListCtrl::kColDelete));
    const QImage deleteLit = Shot("dirlist_hover_delete");
    EXPECT_NE(ButtonPixels(deleteLit, 1, CDSDirListCtrl::kColDelete),
              ButtonPixels(plain, 1, CDSDirListCtrl::kColDelete));
    EXPECT_EQ(ButtonPixels(deleteLit, 1, CDSDirListCtrl::kColDownload), before);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(ListWidget(), &leave);
    EXPECT_FALSE(list->IsButtonHovered(1, CDSDirListCtrl::kColDelete));
    EXPECT_EQ(ButtonPixels(Shot("dirlist_left"), 1, CDSDirListCtrl::kColDownload), before);
}

TEST_F(DirListTest, WithoutTheRightTheCellSaysNoPermission) {
    Add("a.txt", 1);
    Add("b.txt", 1);
    list->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    // Pixels of the text colour right of where the button would be: only a text reaches there.
    auto textPast = [&](const QImage& img, int row, int column, QColor colour) {
        RECT cell, button = list->ButtonArea(row, column);
        list->GetSubItemRect(row, column, LVIR_LABEL, cell);
        int n = 0;
        for (int y = cell.top; y < cell.bottom; ++y)
            for (int x = button.right + 1; x < cell.right; ++x)
                n += uitest::Near(uitest::Probe(img, x, y), colour, 90);
        return n;
    };
    for (int column : {CDSDirListCtrl::kColDownload, CDSDirListCtrl::kColDelete}) {
        GetDocShelfMgr()->SetRights(column == CDSDirListCtrl::kColDownload ? DS_RIGHT_DELETE
                                                                           : DS_RIGHT_DOWNLOAD);
        list->Invalidate();
        const QImage img = Shot(column == CDSDirListCtrl::kColDownload ? "dirlist_no_download_right"
                                                                       : "dirlist_no_delete_right");
        const int other = CDSDirListCtrl::kColDownload + CDSDirListCtrl::kColDelete - column;
        // "No permission" in the row's text colour: black, white on the selected row.
        EXPECT_GT(textPast(img, 0, column, Qt::black), 10) << column;
        EXPECT_GT(textPast(img, 1, column, Qt::white), 10) << column;
        EXPECT_EQ(textPast(img, 1, column, Qt::black), 0) << column;
        // The column with the right keeps its button, and nothing beside it.
        EXPECT_GT(Ink(img, 0, other), 20) << column;
        EXPECT_EQ(textPast(img, 0, other, Qt::black), 0) << column;
    }
}

TEST_F(DirListTest, HeadersSortByNameUploaderAndSizeWithTheArrow) {
    Add("b.txt", 300, "Carol");
    Add("a.txt", 5000, "Bob");
    Add("C.txt", 20, "Alice");
    auto header = [&](int c) { return list->GetHeaderCtrl()->GetItemText(c); };
    ClickHeader(CDSDirListCtrl::kColName);
    EXPECT_EQ(list->GetItemText(0, 0) + list->GetItemText(1, 0) + list->GetItemText(2, 0),
              "C.txta.txtb.txt"); // case-sensitive
    EXPECT_EQ(header(0), "File name ^");
    ClickHeader(CDSDirListCtrl::kColName);
    EXPECT_EQ(list->GetItemText(0, 0), "b.txt");
    EXPECT_EQ(header(0), "File name v");
    ClickHeader(CDSDirListCtrl::kColAuthor);
    EXPECT_EQ(list->GetItemText(0, 1), "Alice");
    EXPECT_EQ(header(0), "File name");
    EXPECT_EQ(header(1), "Uploaded by ^");
    ClickHeader(CDSDirListCtrl::kColSize);
    ClickHeader(CDSDirListCtrl::kColSize);
    EXPECT_EQ(list->GetItemText(0, 2) + "," + list->GetItemText(2, 2), "4.88 KB,20.00 Byte");
    EXPECT_EQ(header(2), "Size v");
    // The button columns do not sort; a new row ends the sorted state.
    ClickHeader(CDSDirListCtrl::kColDownload);
    EXPECT_EQ(list->GetSortColumn(), CDSDirListCtrl::kColSize);
    Add("d.txt", 1);
    EXPECT_EQ(list->GetItemText(3, 0), "d.txt");
    EXPECT_EQ(header(2), "Size");
}

TEST_F(DirListTest, RetrySeriesChecksAtGrowingPauses) {
    ASSERT_EQ(GetWebDavMgr()->IsServerAvailable(), 0);
    QueuedChecks();
    std::string ticks;
    for (int tick = 1; tick <= 31; ++tick) {
        ::SendMessage(list->GetSafeHwnd(), WM_TIMER, CDSDirListCtrl::kRetryTimerId, 0);
        if (QueuedChecks() == 1)
            ticks += std::to_string(tick) + " ";
    }
    EXPECT_EQ(ticks, "1 3 7 15 23 31 ");
    // A server that answered starts the series again.
    Send(Record(ds::kDirRelistRoot));
    ::SendMessage(list->GetSafeHwnd(), WM_TIMER, CDSDirListCtrl::kRetryTimerId, 0);
    EXPECT_EQ(QueuedChecks(), 1);
}

TEST_F(DirListTest, NamesWithoutExtensionShowTheFileIconAndFoldersTheFolder) {
    // Compared on rows of one colour: the icons are drawn over the row.
    Add("README", 1);
    Add("filler1.txt", 1);
    Add("notes.", 1);
    Add("filler2.txt", 1);
    Add("data.zzqq", 1); // a type without an icon of its own: the plain file's
    Add("filler3.txt", 1);
    Add("Old", 0, "", true);
    ListWidget()->clearFocus(); // its mark would cross the first icon
    const QImage img = Shot("dirlist_icons");
    const QImage plainFile = IconPixels(img, 4);
    EXPECT_EQ(IconPixels(img, 0), plainFile);
    EXPECT_EQ(IconPixels(img, 2), plainFile);
    EXPECT_NE(IconPixels(img, 6), plainFile);
}

TEST_F(DirListTest, BelowTheRowsBothListsKeepTheirWhiteUnderADarkPalette) {
    struct PaletteScope {
        QPalette saved = QApplication::palette();
        ~PaletteScope() { QApplication::setPalette(saved); }
    } scope;
    QPalette dark = scope.saved;
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
    QApplication::setPalette(dark);
    Add("a.txt", 1);
    CDocShelfFileList* transfers = view->GetFileList();
    ASSERT_NE(transfers, nullptr);
    transfers->AddTransfer(1, "/tmp/a.txt", "/Presenter/a.txt", 1, true);
    for (CListCtrl* l : {static_cast<CListCtrl*>(list), static_cast<CListCtrl*>(transfers)}) {
        auto* w = reinterpret_cast<QWidget*>(l->GetSafeHwnd());
        uitest::Pump();
        const QImage img = uitest::Grab(w);
        uitest::SaveShot(img, l == list ? "dirlist_dark_palette" : "filelist_dark_palette");
        RECT row;
        l->GetItemRect(0, &row, LVIR_BOUNDS);
        ASSERT_LT(row.bottom + 10, w->height());
        EXPECT_EQ(uitest::Probe(img, 30, row.bottom + 5).rgb(), kOdd);
        // Above the horizontal bar, which the transfer list's columns need at this width.
        EXPECT_EQ(uitest::Probe(img, w->width() / 2, w->height() * 2 / 3).rgb(), kOdd);
    }
}

TEST_F(DirCommandsTest, RowButtonsAskOnlyWithTheirRight) {
    Add("a.txt", 1);
    GetWebDavMgr()->SetServerAvailable(1);
    GetDocShelfMgr()->SetRights(DS_RIGHT_DOWNLOAD | DS_RIGHT_DELETE);
    // Download asks where to save; Delete asks first and then deletes.
    prompts.CancelFileDialog();
    Click(ButtonCentre(0, CDSDirListCtrl::kColDownload));
    prompts.AnswerMessageBox(IDNO);
    Click(ButtonCentre(0, CDSDirListCtrl::kColDelete));
    EXPECT_EQ(Asked(), "[save a.txt]\nConfirm to delete file a.txt?\n");
    EXPECT_EQ(QueuedWork(ds::kWorkDelete), 0);
    prompts.AnswerMessageBox(IDYES);
    Click(ButtonCentre(0, CDSDirListCtrl::kColDelete));
    EXPECT_EQ(Asked(), "Confirm to delete file a.txt?\n");
    EXPECT_EQ(QueuedWork(ds::kWorkDelete), 1);
    // Without the rights a click on either button only selects the row.
    GetDocShelfMgr()->SetRights(DS_RIGHT_UPLOAD | DS_RIGHT_LIST);
    list->SetItemState(0, 0, LVIS_SELECTED);
    Click(ButtonCentre(0, CDSDirListCtrl::kColDownload));
    Click(ButtonCentre(0, CDSDirListCtrl::kColDelete));
    EXPECT_EQ(Asked(), "");
    EXPECT_EQ(list->GetNextItem(-1, LVNI_SELECTED), 0);
    EXPECT_EQ(QueuedWork(ds::kWorkDelete), 0);
    EXPECT_EQ(prompts.UnexpectedCount(), 0u);
}

TEST_F(DirCommandsTest, EachRowTypeHasItsPopupWithoutNewFolder) {
    Add("a.txt", 1);
    Add("Old", 0, "", true);
    auto root = std::make_unique<DSItemInfo>();
    root->nType = DSItemType::SystemDir;
    root->strRelatedPath = "/";
    root->strFileName = "Presenter/";
    list->InsertEntry(std::move(root));
    GetDocShelfMgr()->SetRights(kAllRights);
    GetWebDavMgr()->SetServerAvailable(1);
    EXPECT_EQ(MenuOf(RowPoint(0)), "Download+ Download to...+ Delete+ ");
    EXPECT_EQ(MenuOf(RowPoint(1)), "Upload file+ Delete folder+ Refresh folder+ ");
    EXPECT_EQ(MenuOf(RowPoint(2)), "Upload file+ Refresh folder+ ");
    EXPECT_EQ(list->GetNextItem(-1, LVNI_SELECTED), 2); // the right click selected its row
    // Without rights only the inert Delete folder stays; uploading also needs the server.
    GetDocShelfMgr()->SetRights(0);
    EXPECT_EQ(MenuOf(RowPoint(0)), "Download- Download to...- Delete- ");
    EXPECT_EQ(MenuOf(RowPoint(1)), "Upload file- Delete folder+ Refresh folder- ");
    GetDocShelfMgr()->SetRights(kAllRights);
    GetWebDavMgr()->SetServerAvailable(0);
    EXPECT_EQ(MenuOf(RowPoint(2)), "Upload file- Refresh folder+ ");
    RECT last;
    list->GetItemRect(2, &last, LVIR_BOUNDS);
    EXPECT_EQ(MenuOf(QPoint(20, last.bottom + 10)), "no popup");
}

// The Menu key comes at the pointer's position and Shift+F10 with none: both open the menu of
// the selected row, at that row, and act on it.
TEST_F(DirCommandsTest, TheMenuKeyAndShiftF10OpenTheSelectedRowsMenuAtThatRow) {
    Add("Welcome.txt", 1);
    Add("Old", 0, "", true);
    Add("report.txt", 2);
    GetDocShelfMgr()->SetRights(kAllRights);
    GetWebDavMgr()->SetServerAvailable(1);
    Click(RowPoint(0));
    ASSERT_EQ(list->GetNextItem(-1, LVNI_SELECTED), 0);
    const auto keyboardMenu = [&](QEvent* e) {
        prompts.CancelPopup();
        QApplication::sendEvent(ListWidget(), e);
        const auto asked = prompts.Prompts();
        prompts.Clear();
        return asked;
    };
    // The pointer rests over the folder row.
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, RowPoint(1),
                              ListWidget()->mapToGlobal(RowPoint(1)));
    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    RECT row;
    list->GetItemRect(0, &row, LVIR_BOUNDS);
    const QPoint top = ListWidget()->mapToGlobal(QPoint(row.left, row.top));
    for (QEvent* e : std::initializer_list<QEvent*>{&menuKey, &shiftF10}) {
        const auto asked = keyboardMenu(e);
        ASSERT_EQ(asked.size(), 1u);
        ASSERT_EQ(asked[0].kind, ScriptedPrompts::Kind::TrackPopup);
        EXPECT_EQ(asked[0].items.front().text, "Download");
        EXPECT_GE(asked[0].point.y, top.y());
        EXPECT_LT(asked[0].point.y, top.y() + (row.bottom - row.top));
        EXPECT_EQ(list->GetNextItem(-1, LVNI_SELECTED), 0);
    }
    // Its Delete asks about the selected file.
    prompts.AnswerPopup(CDSDirListCtrl::kCmdDelete);
    prompts.AnswerMessageBox(IDNO);
    QApplication::sendEvent(ListWidget(), &shiftF10);
    uitest::Pump();
    EXPECT_NE(Asked().find("Welcome.txt"), std::string::npos);
}

// What a name or an author from the server holds is shown in its real order, and a length the
// server did not give is not shown as 0.
TEST_F(DirListTest, NamesShowTheirInvisibleCharactersAndUnknownLengthsNoSize) {
    Add("\xE2\x80\xAEtxt.exe", 4, "Eve\xE2\x81\xA6");
    IDataRecord* r = Record(ds::kDirAddEntry);
    rec::SetU32(r, ds::key::EntryDepth, 2);
    rec::SetStr(r, ds::key::RelatedPath, "/Presenter/");
    rec::SetStr(r, ds::key::FileName, "unknown.bin");
    rec::SetU32(r, ds::key::LengthUnknown, 1);
    rec::SetStr(r, ds::key::Author, "Bob");
    Send(r);
    EXPECT_EQ(Row(0), "<U+202E>txt.exe|Eve<U+2066>|4.00 Byte");
    EXPECT_EQ(Row(1), "unknown.bin|Bob|");
}

TEST_F(DirCommandsTest, UploadSpaceAndSizeLimitsLetTheirBoundaryThrough) {
    Add("a.txt", 10);
    const std::string four = WriteLocal("four.bin", 4);
    auto upload = [&] {
        prompts.AnswerFileDialog(four);
        list->OnUploadFile();
        return Asked();
    };
    // Used space exactly the total: the file is still asked for, then any byte is too many.
    GetDocShelfMgr()->SetSizeLimits(100, 10);
    EXPECT_EQ(upload(), "[open]\nInsufficient space on docshelf\n");
    // One byte more used than there is: nothing is asked.
    GetDocShelfMgr()->SetSizeLimits(100, 9);
    list->OnUploadFile();
    EXPECT_EQ(Asked(), "Insufficient space on docshelf\n");
    // A file of exactly the single-file limit passes it and meets the next check, the space.
    GetDocShelfMgr()->SetSizeLimits(4, 13);
    EXPECT_EQ(upload(), "[open]\nInsufficient space on docshelf\n");
    GetDocShelfMgr()->SetSizeLimits(3, 13);
    EXPECT_EQ(upload(), "[open]\nConditioned to upload file, file size <= 0.00 KB\n");
    EXPECT_EQ(GetDocShelfMgr()->GetView()->GetFileList()->GetItemCount(), 0);
}

TEST_F(DirCommandsTest, TheChatFilterFileInCapitalsNeedsTheRole) {
    const std::string path = WriteLocal("MTKEY.TXT", 5);
    // Past the role check the size limit stops the upload.
    GetDocShelfMgr()->SetSizeLimits(1, 1ull << 20);
    GetDocShelfMgr()->SetUserRole(0);
    prompts.AnswerFileDialog(path);
    list->OnUploadFile();
    EXPECT_EQ(Asked(), "[open]\nYou can not upload file mtkey.txt\n");
    GetDocShelfMgr()->SetUserRole(0x4);
    prompts.AnswerFileDialog(path);
    list->OnUploadFile();
    EXPECT_EQ(Asked(), "[open]\nConditioned to upload file, file size <= 0.00 KB\n");
}

TEST_F(DirCommandsTest, DroppedFilesTakeTheUploadChecksInTheirOrderOnEitherList) {
    Add("a.txt", 1);
    GetDocShelfMgr()->SetSizeLimits(100, 1000);
    GetWebDavMgr()->SetServerAvailable(1);
    const std::string folder = localDir + "sub";
    std::filesystem::create_directory(folder);
    const std::string a = WriteLocal("a.txt", 2), key = WriteLocal("mtkey.txt", 3),
                      b = WriteLocal("b.txt", 4);
    QMimeData files;
    files.setUrls({QUrl::fromLocalFile(QString::fromStdString(folder)),
                   QUrl::fromLocalFile(QString::fromStdString(a)),
                   QUrl("https://example.org/web.txt"),
                   QUrl::fromLocalFile(QString::fromStdString(key)),
                   QUrl::fromLocalFile(QString::fromStdString(b))});
    CDocShelfFileList* transfers = GetDocShelfMgr()->GetView()->GetFileList();
    auto* transferWidget = reinterpret_cast<QWidget*>(transfers->GetSafeHwnd());
    // Without the upload right neither list takes the drag; nor a drag of nothing local.
    GetDocShelfMgr()->SetRights(kAllRights & ~DS_RIGHT_UPLOAD);
    EXPECT_FALSE(DragEnter(ListWidget(), files));
    EXPECT_FALSE(DragEnter(transferWidget, files));
    GetDocShelfMgr()->SetRights(kAllRights);
    EXPECT_TRUE(DragEnter(ListWidget(), files));
    QMimeData web;
    web.setUrls({QUrl("https://example.org/web.txt")});
    EXPECT_FALSE(DragEnter(ListWidget(), web));

    prompts.AnswerMessageBox(IDOK);
    prompts.AnswerMessageBox(IDYES);
    prompts.AnswerMessageBox(IDOK);
    Drop(ListWidget(), files);
    EXPECT_EQ(Asked(), "Folders cannot be uploaded; drop files instead.\n"
                       "File exists, continue to overwrite?\n"
                       "You can not upload file mtkey.txt\n");
    QMimeData one;
    one.setUrls({QUrl::fromLocalFile(QString::fromStdString(b))});
    Drop(transferWidget, one);
    EXPECT_EQ(Asked(), "");
    // One upload per file, in the order dropped, into the folder of the Upload file command.
    std::string started;
    for (size_t n = 0; n < transfers->AddedCount(); ++n) {
        const TransferItem* item = transfers->FindTask(transfers->AddedTask(n));
        const bool up = item->nState == TransferItem::kUploadWaiting ||
                        item->nState == TransferItem::kUploading ||
                        item->nState == TransferItem::kUploadEnded;
        started += item->strServerPath + (item->strLocalPath == a ? " a" : " b") +
                   (up ? " up\n" : " down\n");
    }
    EXPECT_EQ(started, "/Presenter/a.txt a up\n/Presenter/b.txt b up\n/Presenter/b.txt b up\n");
}

namespace {

void Key(QWidget* w, int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
         const QString& text = {}) {
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(w, &press);
    uitest::Pump();
}

int SelectedCount(CListCtrl* l) {
    int n = 0;
    for (int row = l->GetNextItem(-1, LVNI_SELECTED); row >= 0;
         row = l->GetNextItem(row, LVNI_SELECTED))
        ++n;
    return n;
}

} // namespace

// The window gives the folder list the focus, Tab moves it to the transfer list; the first row
// takes a focus mark apart from the selection, and every key acts as its mouse command does.
TEST_F(DirCommandsTest, FromTheKeyboardAloneEveryCommandOfTheFolderListActs) {
    Add("Welcome.txt", 1);
    Add("Old", 0, "", true);
    Add("report.txt", 2);
    Add("readme.txt", 3);
    GetDocShelfMgr()->SetRights(kAllRights);
    GetDocShelfMgr()->SetLocalDirectory(localDir.c_str());
    GetWebDavMgr()->SetServerAvailable(1);
    CDocShelfFileList* transfers = GetDocShelfMgr()->GetView()->GetFileList();
    auto* transferWidget = reinterpret_cast<QWidget*>(transfers->GetSafeHwnd());
    host->activateWindow();
    ASSERT_TRUE(uitest::WaitFor([&] { return host->isActiveWindow(); }));
    // The window's first stop is the folder list.
    ASSERT_TRUE(uitest::WaitFor([&] { return QApplication::focusWidget() == ListWidget(); }));
    uitest::Pump();
    EXPECT_EQ(list->GetItemState(0, LVIS_FOCUSED | LVIS_SELECTED), UINT(LVIS_FOCUSED));
    // The mark: dots along the row's top edge, on a row that is not selected.
    const QImage marked = Shot("dirlist_focus_mark");
    RECT row0;
    list->GetItemRect(0, &row0, LVIR_BOUNDS);
    int dots = 0;
    for (int x = 0; x < 40; ++x)
        dots += uitest::Probe(marked, x, row0.top).rgb() != kEven;
    EXPECT_GT(dots, 5);
    Key(ListWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), transferWidget);
    Key(transferWidget, Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_EQ(QApplication::focusWidget(), ListWidget());

    // Typing a name's first letters moves to it; Enter downloads it into the save folder.
    Key(ListWidget(), Qt::Key_R, Qt::NoModifier, "r");
    Key(ListWidget(), Qt::Key_E, Qt::NoModifier, "e");
    Key(ListWidget(), Qt::Key_A, Qt::NoModifier, "a");
    EXPECT_EQ(list->GetItemText(list->GetNextItem(-1, LVNI_SELECTED), 0), "readme.txt");
    Key(ListWidget(), Qt::Key_Return);
    ASSERT_EQ(transfers->AddedCount(), 1u);
    const TransferItem* readme = transfers->FindTask(transfers->AddedTask(0));
    EXPECT_EQ(readme->strLocalPath, localDir + "readme.txt");
    // This server has no name: the download fails, and may be asked for again.
    ASSERT_TRUE(uitest::WaitFor([&] { return readme->nState == TransferItem::kDownloadEnded; }));
    // Delete asks the same question as the row's button.
    prompts.AnswerMessageBox(IDYES);
    Key(ListWidget(), Qt::Key_Delete);
    EXPECT_EQ(Asked(), "Confirm to delete file readme.txt?\n");
    EXPECT_EQ(QueuedWork(ds::kWorkDelete), 1);

    // Shift+Up extends the selection; Ctrl+A takes every row, and the commands act on the
    // files among them with one question that counts them.
    Key(ListWidget(), Qt::Key_Up, Qt::ShiftModifier);
    EXPECT_EQ(SelectedCount(list), 2);
    Key(ListWidget(), Qt::Key_A, Qt::ControlModifier, "\x01");
    EXPECT_EQ(SelectedCount(list), 4);
    prompts.AnswerMessageBox(IDNO);
    Key(ListWidget(), Qt::Key_Delete);
    EXPECT_EQ(Asked(), "Delete these 3 files?\n");
    EXPECT_EQ(QueuedWork(ds::kWorkDelete), 0);
    // Download to: one folder for all, and one question for the files already there.
    prompts.AnswerFileDialog(localDir);
    WriteLocal("Welcome.txt", 1);
    prompts.AnswerMessageBox(IDNO); // overwrite? no
    SendMessage(list->GetSafeHwnd(), WM_COMMAND, CDSDirListCtrl::kCmdDownloadTo, 0);
    uitest::Pump();
    EXPECT_EQ(Asked(), "[open]\n1 of these files exist already. Overwrite them?\n");
    ASSERT_EQ(transfers->AddedCount(), 3u);
    EXPECT_EQ(transfers->FindTask(transfers->AddedTask(1))->strLocalPath, localDir + "report.txt");
    EXPECT_EQ(transfers->FindTask(transfers->AddedTask(2))->strLocalPath, localDir + "readme.txt");
    EXPECT_EQ(prompts.UnexpectedCount(), 0u);
}

// A folder has no Download button, and its cell neither lights up nor acts; a double click on
// a file row downloads it, on a folder row it does nothing.
TEST_F(DirCommandsTest, FoldersHaveNoDownloadButtonAndADoubleClickDownloadsAFile) {
    Add("a.txt", 1);
    Add("Old", 0, "", true);
    GetDocShelfMgr()->SetRights(kAllRights);
    GetDocShelfMgr()->SetLocalDirectory(localDir.c_str());
    GetWebDavMgr()->SetServerAvailable(1);
    MoveMouse(ButtonCentre(1, CDSDirListCtrl::kColDownload));
    const QImage img = Shot("dirlist_folder_no_download");
    EXPECT_EQ(Ink(img, 1, CDSDirListCtrl::kColDownload), 0);
    EXPECT_GT(Ink(img, 0, CDSDirListCtrl::kColDownload), 0);
    EXPECT_EQ(list->GetItemTip(1, CDSDirListCtrl::kColDownload), "");
    EXPECT_EQ(list->GetItemTip(0, CDSDirListCtrl::kColDownload), "Download");
    Click(ButtonCentre(1, CDSDirListCtrl::kColDownload));
    EXPECT_EQ(Asked(), "");
    CDocShelfFileList* transfers = GetDocShelfMgr()->GetView()->GetFileList();
    for (int row : {1, 0}) {
        const QPoint p = RowPoint(row);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, p, ListWidget()->mapToGlobal(p),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        Click(p);
        QApplication::sendEvent(ListWidget(), &dbl);
        uitest::Pump();
        EXPECT_EQ(transfers->AddedCount(), static_cast<size_t>(1 - row));
    }
    EXPECT_EQ(Asked(), "");
}

// A narrow window scrolls the columns sideways, so the last buttons can be reached; a wide one
// gives the name column what the others leave. Hovering a cut name shows it whole.
TEST_F(DirCommandsTest, NarrowWindowsScrollSidewaysAndCutTextsShowWhole) {
    const std::string longName = "Quarterly report of the " + std::string(60, 'x') + ".txt";
    Add(longName, 1);
    GetDocShelfMgr()->SetRights(kAllRights);
    GetWebDavMgr()->SetServerAvailable(1);
    auto horizontalBar = [&] {
        for (QScrollBar* bar : ListWidget()->findChildren<QScrollBar*>(Qt::FindDirectChildrenOnly))
            if (bar->orientation() == Qt::Horizontal)
                return bar;
        return static_cast<QScrollBar*>(nullptr);
    };
    host->resize(400, 300);
    uitest::Pump();
    ASSERT_NE(horizontalBar(), nullptr);
    ASSERT_TRUE(horizontalBar()->isVisible());
    RECT client;
    list->GetClientRect(&client);
    EXPECT_GT(ButtonCentre(0, CDSDirListCtrl::kColDelete).x(), client.right);
    horizontalBar()->setValue(horizontalBar()->maximum());
    uitest::Pump();
    const QPoint remove = ButtonCentre(0, CDSDirListCtrl::kColDelete);
    ASSERT_LT(remove.x(), client.right);
    prompts.AnswerMessageBox(IDNO);
    Click(remove);
    EXPECT_EQ(Asked(), "Confirm to delete file " + longName + "?\n");

    horizontalBar()->setValue(0);
    uitest::Pump();
    const QPoint name = RowPoint(0);
    QHelpEvent hover(QEvent::ToolTip, name, ListWidget()->mapToGlobal(name));
    QApplication::sendEvent(ListWidget(), &hover);
    EXPECT_EQ(QToolTip::text().toStdString(), longName);

    host->resize(1400, 300);
    uitest::Pump();
    EXPECT_FALSE(horizontalBar()->isVisible());
    const QHeaderView* header = ListWidget()->findChild<QHeaderView*>();
    EXPECT_GT(header->sectionSize(CDSDirListCtrl::kColName),
              list->GetColumnWidth(CDSDirListCtrl::kColName));
    list->GetClientRect(&client);
    RECT last;
    list->GetSubItemRect(0, CDSDirListCtrl::kColDelete, LVIR_BOUNDS, last);
    EXPECT_EQ(last.right, client.right);
    // Now it fits: no tip.
    EXPECT_EQ(list->GetItemTip(0, CDSDirListCtrl::kColName), "");
}

// While a listing rebuilds its rows the folder list takes no input, and keeps the keyboard:
// the focus does not jump to the transfer list and back at every relisting.
TEST_F(DirCommandsTest, ARelistingKeepsTheKeyboardInTheFolderList) {
    Add("a.txt", 1);
    GetDocShelfMgr()->SetRights(kAllRights);
    GetWebDavMgr()->SetServerAvailable(1);
    host->activateWindow();
    ASSERT_TRUE(uitest::WaitFor([&] { return QApplication::focusWidget() == ListWidget(); }));
    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);
    std::thread worker([&] { GetDocShelfMgr()->EnableDirList(false); });
    worker.join();
    uitest::Pump();
    EXPECT_FALSE(list->IsWindowEnabled());
    EXPECT_EQ(QApplication::focusWidget(), ListWidget());
    Key(ListWidget(), Qt::Key_Delete);
    EXPECT_EQ(Asked(), "");
    GetDocShelfMgr()->EnableDirList(true);
    uitest::Pump();
    EXPECT_EQ(QApplication::focusWidget(), ListWidget());
    prompts.AnswerMessageBox(IDNO);
    Key(ListWidget(), Qt::Key_Delete);
    EXPECT_EQ(Asked(), "Confirm to delete file a.txt?\n");
}
