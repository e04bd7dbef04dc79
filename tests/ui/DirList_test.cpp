// The directory list as a person sees it: rows built from listing records, size and status
// texts in both languages, row colours, buttons with hover and rights, sorting, the retry
// series.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QMouseEvent>
#include <QWidget>
#include <memory>
#include <string>

#include "AfxLanguage.h"
#include "AfxMsg.h"
#include "CodePage.h"
#include "DSDirListCtrl.h"
#include "DSProtocol.h"
#include "DocShelf.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
#include "RecordUtil.h"
#include "UiTestUtil.h"
#include "WebDavMgr.h"

namespace {

constexpr QRgb kEven = qRgb(0xF1, 0xF0, 0xF3);
constexpr QRgb kOdd = qRgb(0xFF, 0xFF, 0xFF);
constexpr QRgb kSelected = qRgb(0x87, 0xCE, 0xFA);

class DirListTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(700, 500);
        host->show();
        view = std::make_unique<CDocShelfView>();
        ASSERT_TRUE(view->SubclassWindow(reinterpret_cast<HWND>(host.get())));
        view->CreateControls(nullptr);
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
        while (IDataRecord* p = GetWebDavMgr()->GetWorkThread().TakeQueuedWork())
            p->Release();
    }

    IDataRecord* Record(uint32_t sub) {
        IDataRecord* r = GetDataFactory(1)->CreateDataRecord();
        r->SetMethod(ds::kToDirList);
        rec::SetU32(r, ds::key::SubMethod, sub);
        return r;
    }
    void Send(IDataRecord* r) {
        list->OnWorkResult(r);
        r->Release();
    }
    void Add(const std::string& name, uint64_t length, const std::string& author = "Alice",
             bool dir = false) {
        IDataRecord* r = Record(ds::kDirAddEntry);
        rec::SetU32(r, ds::key::EntryDepth, 2);
        rec::SetU32(r, ds::key::IsDir, dir ? 1 : 0);
        rec::SetStr(r, ds::key::RelatedPath, "/Presenter/");
        rec::SetStr(r, ds::key::FileName, name);
        rec::SetStr(r, ds::key::ExtName, name.substr(name.find_last_of('.') + 1));
        rec::SetU64(r, ds::key::FileLength, length);
        rec::SetStr(r, ds::key::Author, dir ? "" : author);
        Send(r);
    }
    std::string Row(int row) {
        return list->GetItemText(row, 0) + "|" + list->GetItemText(row, 1) + "|" +
               list->GetItemText(row, 2);
    }
    QWidget* ListWidget() { return reinterpret_cast<QWidget*>(list->GetSafeHwnd()); }
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
    int QueuedChecks() {
        int checks = 0;
        while (IDataRecord* p = GetWebDavMgr()->GetWorkThread().TakeQueuedWork()) {
            checks += p->GetMethod() == ds::kWorkCheckServer;
            p->Release();
        }
        return checks;
    }

    std::unique_ptr<QWidget> host;
    std::unique_ptr<CDocShelfView> view;
    CDSDirListCtrl* list = nullptr;
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
    const QImage before = ButtonPixels(Shot("dirlist_plain"), 1, CDSDirListCtrl::kColDownload);
    MoveMouse(ButtonCentre(1, CDSDirListCtrl::kColDownload));
    EXPECT_TRUE(list->IsButtonHovered(1, CDSDirListCtrl::kColDownload));
    const QImage hovered = ButtonPixels(Shot("dirlist_hover"), 1, CDSDirListCtrl::kColDownload);
    EXPECT_NE(before, hovered);
    // Straight onto the Delete button: one flag cleared, the other set.
    MoveMouse(ButtonCentre(1, CDSDirListCtrl::kColDelete));
    EXPECT_FALSE(list->IsButtonHovered(1, CDSDirListCtrl::kColDownload));
    EXPECT_TRUE(list->IsButtonHovered(1, CDSDirListCtrl::kColDelete));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(ListWidget(), &leave);
    EXPECT_FALSE(list->IsButtonHovered(1, CDSDirListCtrl::kColDelete));
    EXPECT_EQ(ButtonPixels(Shot("dirlist_left"), 1, CDSDirListCtrl::kColDownload), before);
}

TEST_F(DirListTest, WithoutTheRightTheCellSaysNoPermission) {
    Add("a.txt", 1);
    GetDocShelfMgr()->SetRights(DS_RIGHT_DELETE);
    QImage img = Shot("dirlist_no_permission");
    RECT cell;
    list->GetSubItemRect(0, CDSDirListCtrl::kColDownload, LVIR_LABEL, cell);
    int black = 0;
    for (int y = cell.top; y < cell.bottom; ++y)
        for (int x = cell.left; x < cell.right; ++x)
            black += uitest::Near(uitest::Probe(img, x, y), Qt::black, 90);
    EXPECT_GT(black, 15); // the text "No permission"
    EXPECT_GT(Ink(img, 0, CDSDirListCtrl::kColDelete), 20);
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
