// SPDX-License-Identifier: Apache-2.0
// Window objects over Qt widgets: subclassing, posted and sent messages across threads,
// disposal of undeliverable messages, timers, styles, window lifetimes and dropped files.
#include <gtest/gtest.h>

#include <QCursor>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <QUrl>
#include <QWidget>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "AfxDC.h"
#include "AfxDrop.h"
#include "AfxMsg.h"
#include "AfxWnd.h"
#include "UiTestUtil.h"

using uitest::WaitFor;

namespace {

constexpr UINT kTestMsg = WM_USER + 300;
constexpr UINT kPayloadMsg = WM_USER + 301;

struct Seen {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::thread::id thread;
};

class RecordingWnd : public CWnd {
public:
    std::vector<Seen> seen;
    LRESULT answer = 0;
    int destroyed = 0;
    int created = 0;
    LRESULT createAnswer = 0;
    bool paintRed = false;

    size_t Count(UINT message) const {
        size_t n = 0;
        for (const Seen& s : seen)
            n += s.message == message;
        return n;
    }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        seen.push_back(Seen{message, wParam, lParam, std::this_thread::get_id()});
        switch (message) {
        case WM_CREATE:
            ++created;
            return createAnswer;
        case WM_DESTROY:
            ++destroyed;
            return 0;
        case WM_PAINT:
            if (paintRed) {
                CPaintDC dc(this);
                RECT r;
                GetClientRect(&r);
                dc.FillSolidRect(&r, RGB(255, 0, 0));
                return 0;
            }
            break;
        case kTestMsg:
            return answer + static_cast<LRESULT>(wParam);
        default:
            break;
        }
        return CWnd::WindowProc(message, wParam, lParam);
    }
};

// Takes dropped files while `takes`, and keeps what a drop carried.
class DropWnd : public CWnd {
public:
    bool takes = true;
    int drops = 0;
    std::vector<std::string> files;
    std::string cut; // the first path in a buffer of 5
    UINT needed = 0; // the first path's length

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_QUERYDROPFILES)
            return takes ? 1 : 0;
        if (message != WM_DROPFILES)
            return CWnd::WindowProc(message, wParam, lParam);
        auto hDrop = reinterpret_cast<HDROP>(wParam);
        ++drops;
        for (UINT i = 0; i < DragQueryFile(hDrop, 0xFFFFFFFF, nullptr, 0); ++i) {
            char path[256];
            DragQueryFile(hDrop, i, path, sizeof path);
            files.push_back(path);
        }
        char small[5];
        DragQueryFile(hDrop, 0, small, sizeof small);
        cut = small;
        needed = DragQueryFile(hDrop, 0, nullptr, 0);
        DragFinish(hDrop);
        return 0;
    }
};

std::atomic<int> g_payloadsFreed{0};
void FreePayload(WPARAM wParam, LPARAM) {
    delete reinterpret_cast<int*>(wParam);
    ++g_payloadsFreed;
}

class WndMessages : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(200, 120);
        host->show();
        afx::RegisterPostedMessageDisposer(kPayloadMsg, &FreePayload);
        g_payloadsFreed = 0;
    }
    HWND Handle() const { return reinterpret_cast<HWND>(host.get()); }
    std::unique_ptr<QWidget> host;
};

} // namespace

TEST_F(WndMessages, PostedFromWorkerArriveOnUiThreadInOrder) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    constexpr int kCount = 2000;
    std::thread worker([h = Handle()] {
        for (int i = 0; i < kCount; ++i)
            ASSERT_TRUE(PostMessage(h, kTestMsg, static_cast<WPARAM>(i), 7));
    });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return wnd.Count(kTestMsg) == kCount; }));
    WPARAM expected = 0;
    for (const Seen& s : wnd.seen) {
        if (s.message != kTestMsg)
            continue;
        EXPECT_EQ(s.wParam, expected++);
        EXPECT_EQ(s.lParam, 7);
        EXPECT_EQ(s.thread, std::this_thread::get_id());
    }
}

TEST_F(WndMessages, SupersededProgressGivesWayAndTheRestArriveInOrder) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    auto post = [h = Handle()](int value, uint64_t key) {
        return PostMessageSuperseding(h, kPayloadMsg, reinterpret_cast<WPARAM>(new int(value)), 0,
                                      key);
    };
    auto delivered = [&wnd] {
        std::vector<int> values;
        for (const Seen& s : wnd.seen) {
            if (s.message == kPayloadMsg)
                values.push_back(*reinterpret_cast<int*>(s.wParam));
        }
        return values;
    };
    const uint64_t supersededBefore = afx::SupersededMessageCount();
    // 100 + task: started, 200 + task: ended (no key); 1000 * task + i: progress (key task).
    constexpr int kProgress = 5000;
    std::thread worker([&] {
        for (int task = 1; task <= 2; ++task)
            ASSERT_TRUE(post(100 + task, 0));
        for (int i = 0; i < kProgress; ++i) {
            for (int task = 1; task <= 2; ++task)
                ASSERT_TRUE(post(10000 * task + i, task));
        }
        for (int task = 1; task <= 2; ++task)
            ASSERT_TRUE(post(200 + task, 0));
    });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return wnd.Count(kPayloadMsg) == 6; }));
    EXPECT_EQ(delivered(),
              (std::vector<int>{101, 102, 10000 + kProgress - 1, 20000 + kProgress - 1, 201, 202}));
    // Each superseded payload went to the disposer once, on the posting thread.
    EXPECT_EQ(g_payloadsFreed, 2 * (kProgress - 1));
    EXPECT_EQ(afx::SupersededMessageCount() - supersededBefore, 2u * (kProgress - 1));

    // A progress with nothing posted after it still arrives.
    ASSERT_TRUE(post(10000 + kProgress, 1));
    ASSERT_TRUE(WaitFor([&] { return wnd.Count(kPayloadMsg) == 7; }));
    EXPECT_EQ(delivered().back(), 10000 + kProgress);
    for (const Seen& s : wnd.seen) {
        if (s.message == kPayloadMsg)
            delete reinterpret_cast<int*>(s.wParam);
    }
}

TEST_F(WndMessages, PostToWindowWithoutObjectFails) {
    EXPECT_FALSE(PostMessage(nullptr, kTestMsg, 0, 0));
    EXPECT_FALSE(PostMessage(Handle(), kTestMsg, 0, 0)); // a widget nobody took over
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    EXPECT_TRUE(PostMessage(Handle(), kTestMsg, 0, 0));
    wnd.UnsubclassWindow();
    EXPECT_FALSE(PostMessage(Handle(), kTestMsg, 0, 0));
    uitest::Pump();
}

TEST_F(WndMessages, SecondSubclassOfSameWindowRefused) {
    RecordingWnd a, b;
    ASSERT_TRUE(a.SubclassWindow(Handle()));
    EXPECT_FALSE(b.SubclassWindow(Handle()));
    EXPECT_EQ(CWnd::FromHandle(Handle()), &a);
}

TEST_F(WndMessages, MessagesForDestroyedWindowAreDisposedNotDelivered) {
    auto wnd = std::make_unique<RecordingWnd>();
    ASSERT_TRUE(wnd->SubclassWindow(Handle()));
    std::thread worker([h = Handle()] {
        for (int i = 0; i < 50; ++i)
            PostMessage(h, kPayloadMsg, reinterpret_cast<WPARAM>(new int(i)), 0);
    });
    worker.join();
    host.reset(); // the host drops its window with the messages still queued
    EXPECT_EQ(wnd->destroyed, 1);
    EXPECT_EQ(wnd->m_hWnd, nullptr);
    ASSERT_TRUE(WaitFor([] { return g_payloadsFreed == 50; }));
    EXPECT_EQ(wnd->Count(kPayloadMsg), 0u);
    uitest::Pump();
    EXPECT_EQ(g_payloadsFreed, 50);
}

TEST_F(WndMessages, UnsubclassedWindowsMessagesAreDisposed) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    ASSERT_TRUE(PostMessage(Handle(), kPayloadMsg, reinterpret_cast<WPARAM>(new int(1)), 0));
    wnd.UnsubclassWindow();
    // The same widget taken over again is a different window for messages posted before.
    RecordingWnd again;
    ASSERT_TRUE(again.SubclassWindow(Handle()));
    ASSERT_TRUE(WaitFor([] { return g_payloadsFreed == 1; }));
    EXPECT_EQ(again.Count(kPayloadMsg), 0u);
}

TEST_F(WndMessages, ShutdownDisposesQueuedMessagesOnce) {
    auto wnd = std::make_unique<RecordingWnd>();
    ASSERT_TRUE(wnd->SubclassWindow(Handle()));
    for (int i = 0; i < 10; ++i)
        ASSERT_TRUE(PostMessage(Handle(), kPayloadMsg, reinterpret_cast<WPARAM>(new int(i)), 0));
    uint64_t before = afx::DisposedMessageCount();
    afx::ShutdownMessageRouter();
    EXPECT_EQ(g_payloadsFreed, 10);
    EXPECT_EQ(afx::DisposedMessageCount() - before, 10u);
    EXPECT_FALSE(PostMessage(Handle(), kPayloadMsg, 0, 0));
    uitest::Pump();
    EXPECT_EQ(g_payloadsFreed, 10);
    EXPECT_EQ(wnd->Count(kPayloadMsg), 0u);
    // Attaching a window brings the router back.
    wnd.reset();
    RecordingWnd next;
    ASSERT_TRUE(next.SubclassWindow(Handle()));
    EXPECT_TRUE(PostMessage(Handle(), kTestMsg, 0, 0));
    EXPECT_TRUE(WaitFor([&] { return next.Count(kTestMsg) == 1; }));
}

TEST_F(WndMessages, SendMessageRunsWindowProcOnUiThread) {
    RecordingWnd wnd;
    wnd.answer = 40;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    EXPECT_EQ(SendMessage(Handle(), kTestMsg, 2, 0), 42);
    std::atomic<LRESULT> fromWorker{-1};
    std::thread worker([&] { fromWorker = SendMessage(Handle(), kTestMsg, 5, 0); });
    ASSERT_TRUE(WaitFor([&] { return fromWorker.load() != -1; }));
    worker.join();
    EXPECT_EQ(fromWorker.load(), 45);
    EXPECT_EQ(wnd.seen.back().thread, std::this_thread::get_id());
    EXPECT_EQ(SendMessage(nullptr, kTestMsg, 0, 0), 0);
}

TEST_F(WndMessages, TimersCarryTheirIdsAndStopWhenKilled) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    EXPECT_EQ(wnd.SetTimer(550, 5), 550u);
    EXPECT_EQ(wnd.SetTimer(7, 5), 7u);
    ASSERT_TRUE(WaitFor([&] {
        size_t a = 0, b = 0;
        for (const Seen& s : wnd.seen)
            if (s.message == WM_TIMER)
                (s.wParam == 550 ? a : b) += 1;
        return a >= 2 && b >= 2;
    }));
    for (const Seen& s : wnd.seen) {
        if (s.message == WM_TIMER) {
            EXPECT_TRUE(s.wParam == 550 || s.wParam == 7);
        }
    }
    EXPECT_TRUE(wnd.KillTimer(550));
    EXPECT_FALSE(wnd.KillTimer(550));
    EXPECT_TRUE(wnd.KillTimer(7));
    uitest::Pump();
    size_t ticks = wnd.Count(WM_TIMER);
    QThread::msleep(30);
    uitest::Pump();
    EXPECT_EQ(wnd.Count(WM_TIMER), ticks);
}

TEST_F(WndMessages, TimersOnlyFromUiThread) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    UINT_PTR fromWorker = 1;
    std::thread worker([&] { fromWorker = wnd.SetTimer(3, 5); });
    worker.join();
    EXPECT_EQ(fromWorker, 0u);
}

TEST_F(WndMessages, SubclassedWindowGetsSizeAndPaint) {
    RecordingWnd wnd;
    wnd.paintRed = true;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    host->resize(180, 90);
    uitest::Pump();
    ASSERT_GE(wnd.Count(WM_SIZE), 1u);
    const Seen* last = nullptr;
    for (const Seen& s : wnd.seen)
        if (s.message == WM_SIZE)
            last = &s;
    EXPECT_EQ(LOWORD(last->lParam), 180);
    EXPECT_EQ(HIWORD(last->lParam), 90);
    QImage img = uitest::Grab(host.get());
    uitest::SaveShot(img, "wnd_subclass_paint");
    EXPECT_EQ(uitest::Probe(img, 10, 10), QColor(255, 0, 0));
    EXPECT_EQ(uitest::Probe(img, 179, 89), QColor(255, 0, 0));
    EXPECT_GE(wnd.Count(WM_PAINT), 1u);
}

TEST_F(WndMessages, StyleChangeFromWorkerReachesWidgetOnUiThread) {
    RecordingWnd parent;
    ASSERT_TRUE(parent.SubclassWindow(Handle()));
    RecordingWnd child;
    ASSERT_TRUE(child.Create(WS_CHILD | WS_VISIBLE, RECT{10, 20, 110, 70}, &parent, 5));
    EXPECT_TRUE(child.IsWindowEnabled());
    std::thread worker([&] { child.ModifyStyle(0, WS_DISABLED); });
    worker.join();
    EXPECT_TRUE(child.GetStyle() & WS_DISABLED);
    ASSERT_TRUE(WaitFor([&] { return !child.IsWindowEnabled(); }));
    std::thread again([&] { child.ModifyStyle(WS_DISABLED, 0); });
    again.join();
    ASSERT_TRUE(WaitFor([&] { return child.IsWindowEnabled(); }));
}

TEST_F(WndMessages, ChildWindowsHaveRectIdStyleAndParent) {
    RecordingWnd parent;
    ASSERT_TRUE(parent.SubclassWindow(Handle()));
    RecordingWnd child;
    ASSERT_TRUE(child.Create(WS_CHILD | WS_VISIBLE | WS_BORDER, RECT{10, 20, 110, 70}, &parent, 9));
    EXPECT_EQ(child.created, 1);
    EXPECT_EQ(child.GetDlgCtrlID(), 9u);
    EXPECT_EQ(child.GetParent(), &parent);
    EXPECT_EQ(child.GetTopLevelParent(), &parent);
    RECT rc;
    child.GetClientRect(&rc);
    EXPECT_EQ(rc.right, 100);
    EXPECT_EQ(rc.bottom, 50);
    child.MoveWindow(0, 0, 30, 40);
    child.GetClientRect(&rc);
    EXPECT_EQ(rc.right, 30);
    EXPECT_EQ(rc.bottom, 40);
    POINT p{0, 0};
    child.ClientToScreen(&p);
    parent.ScreenToClient(&p);
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    EXPECT_TRUE(child.IsWindowVisible());
}

TEST_F(WndMessages, CreateRefusedByWmCreateLeavesNoWindow) {
    RecordingWnd parent;
    ASSERT_TRUE(parent.SubclassWindow(Handle()));
    RecordingWnd child;
    child.createAnswer = -1;
    EXPECT_FALSE(child.Create(WS_CHILD, RECT{}, &parent, 1));
    EXPECT_EQ(child.m_hWnd, nullptr);
    EXPECT_EQ(host->findChildren<QWidget*>().size(), 0);
}

TEST_F(WndMessages, ChildrenEndWhenParentWindowGoes) {
    RecordingWnd parent;
    ASSERT_TRUE(parent.SubclassWindow(Handle()));
    RecordingWnd child;
    ASSERT_TRUE(child.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, &parent, 1));
    host.reset();
    EXPECT_EQ(child.destroyed, 1);
    EXPECT_EQ(child.m_hWnd, nullptr);
    EXPECT_EQ(parent.destroyed, 1);
    EXPECT_FALSE(child.DestroyWindow());
}

TEST_F(WndMessages, DestroyWindowSendsDestroyWhileWindowExists) {
    RecordingWnd parent;
    ASSERT_TRUE(parent.SubclassWindow(Handle()));
    RecordingWnd child;
    ASSERT_TRUE(child.Create(WS_CHILD | WS_VISIBLE, RECT{0, 0, 10, 10}, &parent, 1));
    EXPECT_TRUE(child.DestroyWindow());
    EXPECT_EQ(child.destroyed, 1);
    EXPECT_EQ(host->findChildren<QWidget*>().size(), 0);
    EXPECT_FALSE(child.DestroyWindow());
    EXPECT_EQ(child.destroyed, 1);
}

TEST_F(WndMessages, InvalidateFromWorkerRepaintsOnUiThread) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    uitest::Pump();
    size_t paints = wnd.Count(WM_PAINT);
    std::thread worker([&] { wnd.Invalidate(); });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return wnd.Count(WM_PAINT) > paints; }));
    for (const Seen& s : wnd.seen)
        EXPECT_EQ(s.thread, std::this_thread::get_id());
}

TEST_F(WndMessages, ShutdownLetsGoOfForeignWindowWrappers) {
    RecordingWnd child;
    auto top = std::make_unique<QWidget>();
    top->resize(50, 50);
    QWidget* inner = new QWidget(top.get());
    ASSERT_TRUE(child.SubclassWindow(reinterpret_cast<HWND>(inner)));
    CWnd* wrapper = child.GetTopLevelParent();
    ASSERT_NE(wrapper, nullptr);
    EXPECT_EQ(wrapper->GetSafeHwnd(), reinterpret_cast<HWND>(top.get()));
    EXPECT_EQ(CWnd::FromHandle(reinterpret_cast<HWND>(top.get())), wrapper); // kept
    afx::Shutdown();
    CWnd* again = child.GetTopLevelParent();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->GetSafeHwnd(), reinterpret_cast<HWND>(top.get()));
    child.UnsubclassWindow();
    top.reset(); // its wrapper goes with it
    uitest::Pump();
}

TEST_F(WndMessages, CursorPositionMapsIntoClientCoordinates) {
    RecordingWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    QCursor::setPos(host->mapToGlobal(QPoint(30, 40)));
    POINT p;
    ASSERT_TRUE(GetCursorPos(&p));
    wnd.ScreenToClient(&p);
    EXPECT_EQ(p.x, 30);
    EXPECT_EQ(p.y, 40);
    EXPECT_FALSE(GetCursorPos(nullptr));
}

TEST_F(WndMessages, DroppedLocalFilesArriveAfterTheDropWhenTheWindowTakesThem) {
    DropWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(Handle()));
    wnd.DragAcceptFiles();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile("/tmp/one.txt"), QUrl("https://example.org/web.txt"),
                  QUrl::fromLocalFile("/tmp/two words.txt")});
    auto enter = [&] {
        QDragEnterEvent e(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(host.get(), &e);
        return e.isAccepted();
    };
    wnd.takes = false;
    EXPECT_FALSE(enter());
    wnd.takes = true;
    ASSERT_TRUE(enter());
    QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(host.get(), &drop);
    EXPECT_TRUE(drop.isAccepted());
    // Posted: the drag is over before the window hears of it.
    EXPECT_EQ(wnd.drops, 0);
    ASSERT_TRUE(WaitFor([&] { return wnd.drops == 1; }));
    EXPECT_EQ(wnd.files, (std::vector<std::string>{"/tmp/one.txt", "/tmp/two words.txt"}));
    EXPECT_EQ(wnd.cut, "/tmp");
    EXPECT_EQ(wnd.needed, 12u);
}
