// SPDX-License-Identifier: Apache-2.0
// The report-view list: columns and header, rows with data and state, geometry and hit
// tests with scrolling, sorting, custom draw and the reflected notifications.
#include <gtest/gtest.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QWheelEvent>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "AfxDC.h"
#include "AfxListCtrl.h"
#include "UiTestUtil.h"

using uitest::WaitFor;

namespace {

constexpr COLORREF kEven = 0x00F3F0F1;
constexpr COLORREF kOdd = 0x00FFFFFF;
constexpr COLORREF kSelected = 0x00FACE87;

struct Note {
    int code;
    int item;
    int subItem;
    POINT pt;
};

// A list that draws its rows itself, as the panel's lists do, and records what it is told.
class TestList : public CListCtrl {
public:
    bool customDraw = true;
    LRESULT prepaintAnswer = CDRF_NOTIFYITEMDRAW;
    std::vector<Note> notes;
    std::vector<int> itemPaints;
    std::vector<POINT> moves;
    std::vector<POINT> downs;
    std::vector<std::pair<int, int>> changes; // (row, selected bit) of LVN_ITEMCHANGED
    std::vector<int> clicks;                  // rows of NM_CLICK

    static constexpr UINT kFormat = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        auto point = [&] {
            return POINT{static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(lParam))),
                         static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(lParam)))};
        };
        if (message == WM_MOUSEMOVE)
            moves.push_back(point());
        if (message == WM_LBUTTONDOWN)
            downs.push_back(point());
        if (message != OCM_NOTIFY)
            return CListCtrl::WindowProc(message, wParam, lParam);
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        if (hdr->code == NM_CUSTOMDRAW)
            return OnCustomDraw(reinterpret_cast<NMLVCUSTOMDRAW*>(hdr));
        if (hdr->code == LVN_ITEMCHANGED) {
            auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
            changes.push_back({nm->iItem, static_cast<int>(nm->uNewState & LVIS_SELECTED)});
            return 0;
        }
        if (hdr->code == NM_CLICK) {
            clicks.push_back(reinterpret_cast<NMITEMACTIVATE*>(hdr)->iItem);
            return 0;
        }
        if (hdr->code == LVN_COLUMNCLICK) {
            auto* nm = reinterpret_cast<NMLISTVIEW*>(hdr);
            notes.push_back(Note{hdr->code, nm->iItem, nm->iSubItem, nm->ptAction});
        } else {
            auto* nm = reinterpret_cast<NMITEMACTIVATE*>(hdr);
            notes.push_back(Note{hdr->code, nm->iItem, nm->iSubItem, nm->ptAction});
        }
        return 0;
    }

private:
    LRESULT OnCustomDraw(NMLVCUSTOMDRAW* cd) {
        if (!customDraw)
            return CListCtrl::WindowProc(OCM_NOTIFY, 0, reinterpret_cast<LPARAM>(cd));
        if (cd->nmcd.dwDrawStage == CDDS_PREPAINT)
            return prepaintAnswer;
        if (cd->nmcd.dwDrawStage != CDDS_ITEMPREPAINT)
            return CDRF_DODEFAULT;
        const int row = static_cast<int>(cd->nmcd.dwItemSpec);
        itemPaints.push_back(row);
        CDC* dc = CDC::FromHandle(cd->nmcd.hdc);
        RECT bounds;
        GetItemRect(row, &bounds, LVIR_BOUNDS);
        dc->FillSolidRect(&bounds, row % 2 == 0 ? kEven : kOdd);
        const bool selected = GetItemState(row, LVIS_SELECTED) != 0;
        if (selected)
            dc->FillSolidRect(&bounds, kSelected);
        dc->SetTextColor(selected ? RGB(255, 255, 255) : RGB(0, 0, 0));
        dc->SetBkMode(TRANSPARENT);
        for (int c = 0; c < GetColumnCount(); ++c) {
            RECT cell;
            GetSubItemRect(row, c, LVIR_LABEL, cell);
            dc->DrawText(GetItemText(row, c), &cell, kFormat);
        }
        return CDRF_SKIPDEFAULT;
    }
};

class ListTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(420, 260);
        host->show();
        ASSERT_TRUE(parent.SubclassWindow(reinterpret_cast<HWND>(host.get())));
        ASSERT_TRUE(list.Create(0x50800005, RECT{10, 10, 410, 250}, &parent, 0));
        list.InsertColumn(0, "File name", LVCFMT_RIGHT, 150);
        list.InsertColumn(1, "Uploaded by", LVCFMT_LEFT, 90);
        list.InsertColumn(2, "Size", LVCFMT_LEFT, 100);
        list.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
        uitest::Pump();
    }
    void TearDown() override {
        list.DestroyWindow();
        parent.UnsubclassWindow();
        host.reset();
    }
    void Fill(int rows) {
        for (int i = 0; i < rows; ++i) {
            std::string name = "file" + std::to_string(i);
            int at = list.InsertItem(list.GetItemCount(), name.c_str());
            list.SetItemText(at, 1, ("user" + std::to_string(i % 3)).c_str());
            list.SetItemText(at, 2, std::to_string(i * 10).c_str());
            list.SetItemData(at, static_cast<DWORD_PTR>(1000 + i));
        }
        // The scroll range follows once per pass of the event loop.
        QCoreApplication::processEvents();
    }
    QPoint CellCentre(int row, int col) {
        RECT r;
        EXPECT_TRUE(list.GetSubItemRect(row, col, LVIR_LABEL, r));
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }
    QWidget* Widget() { return reinterpret_cast<QWidget*>(list.GetSafeHwnd()); }
    void Click(QPoint p, Qt::MouseButton button = Qt::LeftButton, bool dbl = false) {
        QMouseEvent press(dbl ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress, p,
                          Widget()->mapToGlobal(p), button, button, Qt::NoModifier);
        QApplication::sendEvent(Widget(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, p, Widget()->mapToGlobal(p), button,
                            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(Widget(), &release);
    }

    std::unique_ptr<QWidget> host;
    CWnd parent;
    TestList list;
};

int CompareByName(LPARAM a, LPARAM b, LPARAM sortData) {
    // As the panel does: find both rows by their data and compare their texts.
    auto* pList = reinterpret_cast<CListCtrl*>(sortData);
    LVFINDINFO fa, fb;
    fa.flags = fb.flags = LVFI_PARAM;
    fa.lParam = a;
    fb.lParam = b;
    int ra = pList->FindItem(&fa), rb = pList->FindItem(&fb);
    if (ra < 0 || rb < 0)
        return 0;
    int c = std::strcmp(pList->GetItemText(ra, 1).c_str(), pList->GetItemText(rb, 1).c_str());
    if (c == 0)
        c = std::strcmp(pList->GetItemText(ra, 0).c_str(), pList->GetItemText(rb, 0).c_str());
    return -c; // descending
}

int CompareData(LPARAM a, LPARAM b, LPARAM) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

} // namespace

TEST_F(ListTest, HeaderHasColumnsWithTextsAndWidths) {
    CHeaderCtrl* header = list.GetHeaderCtrl();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->GetItemCount(), 3);
    EXPECT_EQ(header->GetItemText(1), "Uploaded by");
    char buffer[8];
    HDITEM item;
    item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
    item.pszText = buffer;
    item.cchTextMax = sizeof(buffer);
    ASSERT_TRUE(header->GetItem(0, &item));
    EXPECT_STREQ(buffer, "File na"); // cut to the buffer
    EXPECT_EQ(item.cxy, 150);
    EXPECT_EQ(item.fmt, LVCFMT_RIGHT);
    EXPECT_TRUE(header->SetItemText(2, "Size ^"));
    EXPECT_EQ(header->GetItemText(2), "Size ^");
    auto* qh = reinterpret_cast<QHeaderView*>(header->GetSafeHwnd());
    EXPECT_EQ(qh->model()->headerData(2, Qt::Horizontal).toString(), QString("Size ^"));
    EXPECT_EQ(qh->sectionSize(1), 90);
    EXPECT_FALSE(header->SetItemText(3, "x"));
    EXPECT_EQ(list.GetExtendedStyle(), 0x420u);
}

TEST_F(ListTest, ItemsInsertFindSelectAndDelete) {
    Fill(3);
    EXPECT_EQ(list.InsertItem(1, "between"), 1);
    list.SetItemData(1, 77);
    EXPECT_EQ(list.InsertItem(100, "last"), 4);
    EXPECT_EQ(list.GetItemCount(), 5);
    EXPECT_EQ(list.GetItemText(2, 0), "file1");
    EXPECT_EQ(list.GetItemText(2, 2), "10");
    EXPECT_EQ(list.GetItemText(1, 1), "");
    EXPECT_FALSE(list.SetItemText(9, 0, "x"));
    EXPECT_FALSE(list.SetItemText(0, 3, "x"));
    LVFINDINFO find;
    find.flags = LVFI_PARAM;
    find.lParam = 77;
    EXPECT_EQ(list.FindItem(&find), 1);
    find.lParam = 1002;
    EXPECT_EQ(list.FindItem(&find), 3);
    EXPECT_EQ(list.FindItem(&find, 3), -1);
    find.lParam = 5;
    EXPECT_EQ(list.FindItem(&find), -1);

    EXPECT_EQ(list.GetFirstSelectedItemPosition(), nullptr);
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    list.SetItemState(3, LVIS_SELECTED, LVIS_SELECTED); // single selection: moves
    EXPECT_EQ(list.GetItemState(2, LVIS_SELECTED), 0u);
    POSITION pos = list.GetFirstSelectedItemPosition();
    ASSERT_NE(pos, nullptr);
    EXPECT_EQ(list.GetNextSelectedItem(pos), 3);
    EXPECT_EQ(pos, nullptr);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 3);

    EXPECT_TRUE(list.DeleteItem(0));
    EXPECT_EQ(list.GetItemText(0, 0), "between");
    EXPECT_TRUE(list.DeleteAllItems());
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(list.GetFirstSelectedItemPosition(), nullptr);
}

TEST_F(ListTest, RectanglesFollowColumnsAndRows) {
    Fill(4);
    const int header = list.GetHeaderHeight();
    const int row = list.GetRowHeight();
    EXPECT_GT(header, 10);
    RECT bounds, label, sub;
    ASSERT_TRUE(list.GetItemRect(2, &bounds, LVIR_BOUNDS));
    EXPECT_EQ(bounds.top, header + 2 * row);
    EXPECT_EQ(bounds.bottom - bounds.top, row);
    EXPECT_EQ(bounds.right, 340);
    ASSERT_TRUE(list.GetItemRect(2, &label, LVIR_LABEL));
    EXPECT_EQ(label.right, 150);
    ASSERT_TRUE(list.GetSubItemRect(2, 2, LVIR_LABEL, sub));
    EXPECT_EQ(sub.left, 240);
    EXPECT_EQ(sub.right, 340);
    EXPECT_EQ(sub.top, bounds.top);
    ASSERT_TRUE(list.GetSubItemRect(2, 0, LVIR_BOUNDS, sub));
    EXPECT_EQ(sub.right, 340); // sub-item 0 bounds are the row's
    EXPECT_FALSE(list.GetItemRect(4, &bounds, LVIR_BOUNDS));
    EXPECT_FALSE(list.GetSubItemRect(0, 3, LVIR_LABEL, sub));
}

TEST_F(ListTest, HitTestsOnScrolledRows) {
    Fill(100);
    const int page = list.GetCountPerPage();
    ASSERT_GT(page, 3);
    ASSERT_LT(page, 100);
    EXPECT_TRUE(
        reinterpret_cast<QWidget*>(list.GetSafeHwnd())->findChild<QScrollBar*>()->isVisible());
    list.EnsureVisible(60, FALSE);
    const int top = list.GetTopIndex();
    EXPECT_EQ(top, 60 - page + 1);
    RECT r;
    ASSERT_TRUE(list.GetItemRect(top, &r, LVIR_BOUNDS));
    EXPECT_EQ(r.top, list.GetHeaderHeight());
    LVHITTESTINFO info;
    info.pt = POINT{250, r.top + 2};
    EXPECT_EQ(list.SubItemHitTest(&info), top);
    EXPECT_EQ(info.iItem, top);
    EXPECT_EQ(info.iSubItem, 2);
    EXPECT_TRUE(info.flags & LVHT_ONITEM);
    info.pt = POINT{20, r.top + 3 * list.GetRowHeight() + 1};
    EXPECT_EQ(list.SubItemHitTest(&info), top + 3);
    EXPECT_EQ(info.iSubItem, 0);
    UINT flags = 0;
    EXPECT_EQ(list.HitTest(POINT{20, 2}, &flags), -1);          // on the header
    EXPECT_EQ(list.HitTest(POINT{390, r.top + 2}, &flags), -1); // right of the columns
    EXPECT_TRUE(flags & LVHT_NOWHERE);
    // Rows above the top are not on screen.
    ASSERT_TRUE(list.GetItemRect(top - 1, &r, LVIR_BOUNDS));
    EXPECT_LT(r.bottom, list.GetHeaderHeight() + 1);
    // The wheel scrolls up three rows at a time; scrolling stops at the ends.
    QPoint at(50, 100);
    QWheelEvent wheel(at, Widget()->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(Widget(), &wheel);
    EXPECT_EQ(list.GetTopIndex(), top - 3);
    list.Scroll(SIZE{0, -100000});
    EXPECT_EQ(list.GetTopIndex(), 0);
    list.Scroll(SIZE{0, 100000});
    EXPECT_EQ(list.GetTopIndex(), 100 - page);
    EXPECT_EQ(list.HitTest(POINT{20, list.GetHeaderHeight() + 1}), 100 - page);
}

TEST_F(ListTest, BottomRowsFreeAfterDeleteAllScrollBack) {
    Fill(100);
    list.EnsureVisible(99, FALSE);
    ASSERT_GT(list.GetTopIndex(), 0);
    list.DeleteAllItems();
    EXPECT_EQ(list.GetTopIndex(), 0);
    Fill(2);
    EXPECT_EQ(list.HitTest(POINT{20, list.GetHeaderHeight() + 1}), 0);
}

TEST_F(ListTest, SortItemsReordersByComparisonOverItemData) {
    Fill(7);
    list.SetItemState(4, LVIS_SELECTED, LVIS_SELECTED);
    ASSERT_TRUE(list.SortItems(&CompareByName, reinterpret_cast<DWORD_PTR>(&list)));
    // users 2, 2, 1, 1, 0, 0, 0 (descending by uploader, then name)
    std::vector<std::string> names;
    for (int i = 0; i < list.GetItemCount(); ++i)
        names.push_back(list.GetItemText(i, 0));
    EXPECT_EQ(names, (std::vector<std::string>{"file5", "file2", "file4", "file1", "file6", "file3",
                                               "file0"}));
    // Texts, data and state travelled with their rows.
    EXPECT_EQ(list.GetItemData(0), 1005u);
    EXPECT_EQ(list.GetItemText(0, 2), "50");
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    ASSERT_TRUE(list.SortItems(&CompareData, 0));
    EXPECT_EQ(list.GetItemText(0, 0), "file0");
    EXPECT_EQ(list.GetItemText(6, 0), "file6");
    EXPECT_FALSE(list.SortItems(nullptr, 0));
}

TEST_F(ListTest, CustomDrawAlternatesRowsAndMarksSelection) {
    Fill(30);
    list.SetItemText(1, 0, "a very long file name that cannot fit in its column at all.txt");
    list.SetItemText(1, 1, "");
    list.SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);
    list.itemPaints.clear();
    QImage img = uitest::Grab(Widget());
    uitest::SaveShot(img, "list_custom_draw");
    const int page = list.GetCountPerPage();
    // Only rows on screen are asked for, each once per paint.
    ASSERT_FALSE(list.itemPaints.empty());
    EXPECT_LE(static_cast<int>(list.itemPaints.size()), page + 1);
    RECT r0, r1, r2;
    list.GetItemRect(0, &r0, LVIR_BOUNDS);
    list.GetItemRect(1, &r1, LVIR_BOUNDS);
    list.GetItemRect(2, &r2, LVIR_BOUNDS);
    EXPECT_EQ(uitest::Probe(img, 330, r0.top + 1), uitest::FromColorRef(kEven));
    EXPECT_EQ(uitest::Probe(img, 330, r1.top + 1), uitest::FromColorRef(kOdd));
    EXPECT_EQ(uitest::Probe(img, 330, r2.top + 1), uitest::FromColorRef(kSelected));
    // White text on the selected row.
    bool white = false;
    for (int x = 0; x < 150; ++x)
        for (int y = r2.top; y < r2.bottom; ++y)
            white |= uitest::Near(uitest::Probe(img, x, y), QColor(255, 255, 255), 20);
    EXPECT_TRUE(white);
    // The long name is cut inside its cell: nothing but the row colour right of it.
    bool inkPastCell = false, inkInCell = false;
    for (int y = r1.top; y < r1.bottom; ++y) {
        for (int x = 150; x < 240; ++x)
            inkPastCell |= uitest::Probe(img, x, y) != uitest::FromColorRef(kOdd);
        for (int x = 100; x < 150; ++x)
            inkInCell |= uitest::Probe(img, x, y) != uitest::FromColorRef(kOdd);
    }
    EXPECT_FALSE(inkPastCell);
    EXPECT_TRUE(inkInCell);
}

TEST_F(ListTest, DefaultRowsDrawnOnlyWhenNotSkipped) {
    Fill(3);
    list.prepaintAnswer = CDRF_DODEFAULT; // no item stage, default rows
    list.itemPaints.clear();
    QImage drawn = uitest::Grab(Widget());
    EXPECT_TRUE(list.itemPaints.empty());
    RECT r;
    list.GetItemRect(0, &r, LVIR_BOUNDS);
    auto ink = [&](const QImage& img) {
        QColor base = uitest::Probe(img, 395, r.top + 2);
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = 0; x < 150; ++x)
                if (!uitest::Near(uitest::Probe(img, x, y), base, 30))
                    return true;
        return false;
    };
    EXPECT_TRUE(ink(drawn));
    list.prepaintAnswer = CDRF_SKIPDEFAULT;
    EXPECT_FALSE(ink(uitest::Grab(Widget())));
    list.customDraw = false; // the control's own answer draws the rows
    EXPECT_TRUE(ink(uitest::Grab(Widget())));
}

TEST_F(ListTest, NotificationsAreReflectedToTheControl) {
    Fill(5);
    auto* qh = reinterpret_cast<QHeaderView*>(list.GetHeaderCtrl()->GetSafeHwnd());
    QPoint hp(qh->sectionViewportPosition(2) + 10, qh->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, hp, qh->mapToGlobal(hp), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(qh->viewport(), &press);
    QMouseEvent release(QEvent::MouseButtonRelease, hp, qh->mapToGlobal(hp), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(qh->viewport(), &release);
    ASSERT_EQ(list.notes.size(), 1u);
    EXPECT_EQ(list.notes[0].code, LVN_COLUMNCLICK);
    EXPECT_EQ(list.notes[0].subItem, 2);

    QPoint cell = CellCentre(3, 1);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, cell, Widget()->mapToGlobal(cell));
    QApplication::sendEvent(Widget(), &menu);
    ASSERT_EQ(list.notes.size(), 2u);
    EXPECT_EQ(list.notes[1].code, NM_RCLICK);
    EXPECT_EQ(list.notes[1].item, 3);
    EXPECT_EQ(list.notes[1].subItem, 1);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 3); // a right click selects its row

    Click(CellCentre(1, 0), Qt::LeftButton, true);
    ASSERT_EQ(list.notes.size(), 3u);
    EXPECT_EQ(list.notes[2].code, NM_DBLCLK);
    EXPECT_EQ(list.notes[2].item, 1);

    QPoint below(20, 235);
    QContextMenuEvent empty(QContextMenuEvent::Mouse, below, Widget()->mapToGlobal(below));
    QApplication::sendEvent(Widget(), &empty);
    ASSERT_EQ(list.notes.size(), 4u);
    EXPECT_EQ(list.notes[3].item, -1);
}

TEST_F(ListTest, MouseMessagesReachTheWindowProcedureAndSelect) {
    Fill(5);
    QPoint p = CellCentre(2, 2);
    QMouseEvent move(QEvent::MouseMove, p, Widget()->mapToGlobal(p), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(Widget(), &move);
    ASSERT_EQ(list.moves.size(), 1u);
    EXPECT_EQ(list.moves[0].x, p.x());
    EXPECT_EQ(list.moves[0].y, p.y());
    Click(p);
    ASSERT_EQ(list.downs.size(), 1u);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 2);
    Click(QPoint(20, 235)); // below the rows: nothing stays selected
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
}

TEST_F(ListTest, DisabledFromWorkerIgnoresClicks) {
    Fill(5);
    std::thread worker([&] { list.ModifyStyle(0, WS_DISABLED); });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return !list.IsWindowEnabled(); }));
    QPoint p = CellCentre(1, 0);
    QMouseEvent press(QEvent::MouseButtonPress, p, Widget()->mapToGlobal(p), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Widget(), &press);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), -1);
    list.ModifyStyle(WS_DISABLED, 0);
    EXPECT_TRUE(list.IsWindowEnabled());
}

TEST_F(ListTest, RedrawWindowUpdatesAtOnce) {
    Fill(5);
    uitest::Pump();
    list.itemPaints.clear();
    RECT cell;
    list.GetSubItemRect(1, 2, LVIR_LABEL, cell);
    list.RedrawWindow(&cell, nullptr, 0x105);
    ASSERT_FALSE(list.itemPaints.empty()); // painted before returning
    EXPECT_EQ(list.itemPaints.front(), 1);
    EXPECT_EQ(list.itemPaints.size(), 1u); // only the row under the rectangle
}

TEST_F(ListTest, CellUpdatesOffScreenDoNotRepaint) {
    Fill(200);
    uitest::Pump();
    list.itemPaints.clear();
    list.SetItemText(150, 2, "42%");
    list.SetItemText(1, 2, "10"); // unchanged text
    uitest::Pump();
    EXPECT_TRUE(list.itemPaints.empty());
    EXPECT_EQ(list.GetItemText(150, 2), "42%");
    list.SetItemText(1, 2, "11");
    uitest::Pump();
    EXPECT_FALSE(list.itemPaints.empty());
}

namespace {

// Ends its own window from inside its right-click notification.
class SelfClosingList : public CListCtrl {
public:
    int destroyed = 0;

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_DESTROY)
            ++destroyed;
        if (message == OCM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == NM_RCLICK) {
            DestroyWindow();
            return 0;
        }
        return CListCtrl::WindowProc(message, wParam, lParam);
    }
};

} // namespace

TEST_F(ListTest, WindowEndedFromItsOwnNotificationGoesAfterTheEvent) {
    SelfClosingList self;
    ASSERT_TRUE(self.Create(0x50800005, RECT{0, 0, 200, 100}, &parent, 3));
    self.InsertColumn(0, "Name", LVCFMT_LEFT, 100);
    self.InsertItem(0, "row");
    QPointer<QWidget> w = reinterpret_cast<QWidget*>(self.GetSafeHwnd());
    QApplication::postEvent(w, new QContextMenuEvent(QContextMenuEvent::Mouse, QPoint(10, 30),
                                                     w->mapToGlobal(QPoint(10, 30))));
    ASSERT_TRUE(WaitFor([&] { return self.destroyed == 1; }));
    EXPECT_EQ(self.GetSafeHwnd(), nullptr);
    EXPECT_EQ(self.GetHeaderCtrl(), nullptr);
    ASSERT_TRUE(WaitFor([&] { return w.isNull(); }));
    EXPECT_EQ(self.destroyed, 1);
    EXPECT_EQ(self.GetItemCount(), 1); // the rows belong to the object, not the window
}

TEST_F(ListTest, ClicksKeysAndSelectionChangesAreNotified) {
    Fill(30);
    Click(CellCentre(2, 1));
    ASSERT_EQ(list.clicks, std::vector<int>{2});
    EXPECT_EQ(list.changes.back(), (std::pair<int, int>{2, int(LVIS_SELECTED)}));
    list.changes.clear();
    auto key = [&](int qtKey) {
        QKeyEvent press(QEvent::KeyPress, qtKey, Qt::NoModifier);
        QApplication::sendEvent(Widget(), &press);
    };
    key(Qt::Key_Down);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 3);
    // The old row loses the selection, the new one gains it.
    EXPECT_EQ(list.changes, (std::vector<std::pair<int, int>>{{2, 0}, {3, int(LVIS_SELECTED)}}));
    key(Qt::Key_End);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 29);
    EXPECT_GT(list.GetTopIndex(), 0);
    key(Qt::Key_Home);
    EXPECT_EQ(list.GetNextItem(-1, LVNI_SELECTED), 0);
    EXPECT_EQ(list.GetTopIndex(), 0);
}

TEST_F(ListTest, RowsAreFoundByItemDataAfterReorders) {
    Fill(2000);
    LVFINDINFO find;
    find.flags = LVFI_PARAM;
    find.lParam = 1000 + 1234;
    EXPECT_EQ(list.FindItem(&find), 1234);
    list.SortItems([](LPARAM a, LPARAM b, LPARAM) { return a > b ? -1 : a < b ? 1 : 0; }, 0);
    EXPECT_EQ(list.FindItem(&find), 2000 - 1 - 1234);
    list.DeleteItem(0);
    EXPECT_EQ(list.FindItem(&find), 2000 - 2 - 1234);
    find.lParam = 1000 + 1999;
    EXPECT_EQ(list.FindItem(&find), -1);
}
