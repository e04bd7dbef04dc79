// SPDX-License-Identifier: Apache-2.0
// The panel view over a host window: layout, painting of background and captions, the
// caption strip repaint, and records posted from other threads released exactly once.
#include <gtest/gtest.h>

#include <QEvent>
#include <QPaintEvent>
#include <QWidget>
#include <memory>
#include <thread>
#include <vector>

#include <QGlyphRun>
#include <QRawFont>
#include <QTextLayout>

#include "AfxGdiQt.h"
#include "AfxLanguage.h"
#include "AfxMsg.h"
#include "CodePage.h"
#include "DocShelfView.h"
#include "UiTestUtil.h"

using uitest::CountingRecord;
using uitest::WaitFor;

namespace {

// Sees a widget's paint events before the view does.
class PaintSpy : public QObject {
public:
    std::vector<QRect> rects;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            rects.push_back(static_cast<QPaintEvent*>(e)->rect());
        return false;
    }
};

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = std::make_unique<QWidget>();
        host->resize(400, 301);
        host->show();
        view = std::make_unique<CDocShelfView>();
        ASSERT_TRUE(view->SubclassWindow(reinterpret_cast<HWND>(host.get())));
        uitest::Pump();
    }
    void TearDown() override {
        view.reset();
        host.reset();
        uitest::Pump();
    }
    std::unique_ptr<QWidget> host;
    std::unique_ptr<CDocShelfView> view;
};

bool IsInk(const QColor& c, const QColor& background) {
    return !uitest::Near(c, background, 24);
}

} // namespace

TEST(ViewLayout, OddHeightTruncates) {
    RECT dir, file;
    CDocShelfView::ComputeLayout(RECT{0, 0, 500, 301}, &dir, &file);
    EXPECT_EQ(dir.left, 20);
    EXPECT_EQ(dir.top, 30);
    EXPECT_EQ(dir.right, 480);
    EXPECT_EQ(dir.bottom - dir.top, 120);
    EXPECT_EQ(file.left, 20);
    EXPECT_EQ(file.top, 180);
    EXPECT_EQ(file.bottom - file.top, 100);
}

TEST(ViewLayout, OffsetClientAndTinyHeightsNeverGoNegative) {
    RECT dir, file;
    CDocShelfView::ComputeLayout(RECT{5, 7, 45, 67}, &dir, &file);
    EXPECT_EQ(dir.left, 25);
    EXPECT_EQ(dir.top, 37);
    EXPECT_EQ(dir.bottom - dir.top, 0); // half 30 - 30
    EXPECT_EQ(file.top, 7 + 30 + 30);
    EXPECT_EQ(file.bottom - file.top, 0); // half - 50 clamped
    EXPECT_EQ(dir.right - dir.left, 0);   // width 40 - 40
}

TEST_F(ViewTest, SizeMessageLaysOutForTheWindow) {
    host->resize(500, 301);
    uitest::Pump();
    RECT dir = view->GetDirListRect();
    RECT file = view->GetFileListRect();
    EXPECT_EQ(dir.top, 30);
    EXPECT_EQ(dir.bottom, 150);
    EXPECT_EQ(dir.right, 480);
    EXPECT_EQ(file.top, 180);
    EXPECT_EQ(file.bottom, 280);
}

TEST_F(ViewTest, CreateControlsLaysOutAtOnceAndKeepsItsFont) {
    view->CreateControls(nullptr);
    CFont* font = view->GetCaptionFont();
    ASSERT_NE(font, nullptr);
    EXPECT_TRUE(view->GetStyle() & WS_CLIPCHILDREN);
    EXPECT_EQ(view->GetFileListRect().top, 180);
    view->CreateControls(nullptr);
    EXPECT_EQ(view->GetCaptionFont(), font);
}

TEST_F(ViewTest, PaintsBackgroundAndBothCaptions) {
    view->CreateControls(nullptr);
    QImage img = uitest::Grab(host.get());
    uitest::SaveShot(img, "view_captions");
    const QColor background(0xE0, 0xF3, 0xFF);
    const QColor caption(0x4B, 0x60, 0x8F);
    EXPECT_EQ(uitest::Probe(img, 2, 2), background);
    EXPECT_EQ(uitest::Probe(img, 10, 100), background);
    EXPECT_EQ(uitest::Probe(img, 399, 300), background);
    // Caption ink starts at x = 30 in both strips and has the caption colour at its core.
    auto scan = [&](int top, int bottom, int& inkLeft, bool& exact) {
        inkLeft = 10000;
        exact = false;
        for (int y = top; y < bottom; ++y)
            for (int x = 0; x < 400; ++x) {
                QColor c = uitest::Probe(img, x, y);
                if (IsInk(c, background))
                    inkLeft = std::min(inkLeft, x);
                if (uitest::Near(c, caption, 6))
                    exact = true;
            }
    };
    int left = 0;
    bool exact = false;
    scan(0, 30, left, exact);
    EXPECT_GE(left, 30);
    EXPECT_LT(left, 40);
    EXPECT_TRUE(exact);
    scan(150, 180, left, exact);
    EXPECT_GE(left, 30);
    EXPECT_LT(left, 40);
    EXPECT_TRUE(exact);
    // Beside the directory list (x 20 to 380, y 30 to 150) nothing but background.
    for (int y = 31; y < 149; y += 7)
        for (int x : {0, 7, 14, 19, 380, 387, 394, 399})
            ASSERT_EQ(uitest::Probe(img, x, y), background) << x << "," << y;
    EXPECT_EQ(view->GetDirCaption().rfind("Docshelf: ", 0) == 0 ||
                  view->GetDirCaption().find("：") != std::string::npos,
              true);
}

TEST_F(ViewTest, EraseBackgroundIsAnsweredWithoutErasing) {
    EXPECT_NE(SendMessage(view->GetSafeHwnd(), WM_ERASEBKGND, 0, 0), 0);
}

TEST_F(ViewTest, InvalidateHeaderRepaintsOnlyTheTopStrip) {
    PaintSpy spy;
    host->installEventFilter(&spy);
    uitest::Pump();
    spy.rects.clear();
    view->InvalidateHeader();
    ASSERT_TRUE(WaitFor([&] { return !spy.rects.empty(); }));
    EXPECT_EQ(spy.rects.front(), QRect(0, 0, 400, 30));
    spy.rects.clear();
    std::thread worker([&] { view->InvalidateHeader(); });
    worker.join();
    ASSERT_TRUE(WaitFor([&] { return !spy.rects.empty(); }));
    EXPECT_EQ(spy.rects.front(), QRect(0, 0, 400, 30));
    host->removeEventFilter(&spy);
}

TEST_F(ViewTest, RecordFromWorkerIsHandledOnUiThreadAndReleasedOnce) {
    std::vector<std::unique_ptr<CountingRecord>> records;
    // Every receiver's method (1 to 4), none (0) and unknown ones.
    for (uint32_t method : {0u, 1u, 2u, 3u, 4u, 5u, 99u})
        records.push_back(std::make_unique<CountingRecord>(method));
    std::thread worker([&] {
        for (auto& r : records)
            EXPECT_EQ(view->PostWorkResult(r.get()), 1);
    });
    worker.join();
    for (auto& r : records)
        EXPECT_EQ(r->m_releases, 0); // not before the UI thread handled it
    ASSERT_TRUE(WaitFor([&] {
        for (auto& r : records)
            if (r->m_releases == 0)
                return false;
        return true;
    }));
    uitest::Pump();
    for (auto& r : records) {
        EXPECT_EQ(r->m_releases, 1);
        EXPECT_EQ(r->m_releaseThread, std::this_thread::get_id());
    }
}

TEST_F(ViewTest, RecordForWindowGoneBeforeDeliveryIsReleasedOnce) {
    CountingRecord record(1);
    std::thread worker([&] { EXPECT_EQ(view->PostWorkResult(&record), 1); });
    worker.join();
    host.reset(); // the host window goes with the record still queued
    ASSERT_TRUE(WaitFor([&] { return record.m_releases == 1; }));
    uitest::Pump();
    EXPECT_EQ(record.m_releases, 1);
    // Later posts are not queued; the record is released at once.
    CountingRecord late(1);
    EXPECT_EQ(view->PostWorkResult(&late), 0);
    EXPECT_EQ(late.m_releases, 1);
}

TEST_F(ViewTest, RecordQueuedAtShutdownIsReleasedOnce) {
    CountingRecord record(3);
    ASSERT_EQ(view->PostWorkResult(&record), 1);
    afx::ShutdownMessageRouter();
    EXPECT_EQ(record.m_releases, 1);
    uitest::Pump();
    EXPECT_EQ(record.m_releases, 1);
}

TEST(ViewWithoutWindow, PostWorkResultReleasesAndReturnsZero) {
    CDocShelfView view;
    CountingRecord record(1);
    EXPECT_EQ(view.PostWorkResult(&record), 0);
    EXPECT_EQ(record.m_releases, 1);
    EXPECT_EQ(view.PostWorkResult(nullptr), 0);
}

TEST_F(ViewTest, NullRecordMessageIsIgnored) {
    EXPECT_EQ(SendMessage(view->GetSafeHwnd(), WM_DSNOTIFY, 0, 0), 0);
}

TEST_F(ViewTest, CaptionsFollowTheUiLanguage) {
    view->CreateControls(nullptr);
    EXPECT_EQ(view->GetDirCaption(), "Docshelf: Connecting server...");
    SetThreadUILanguageOverride(LANGID_ZH_CN);
    const std::string zh = view->GetDirCaption();
    view->Invalidate();
    QImage img = uitest::Grab(host.get());
    SetThreadUILanguageOverride(0);
    uitest::SaveShot(img, "view_captions_zh");
    EXPECT_EQ(afx::AnsiToUtf8(zh), "资料共享区：正在连接服务器");
    // Every glyph of the caption comes from a real font, none is the missing-glyph box.
    QTextLayout layout(QString::fromStdString(afx::AnsiToUtf8(zh)),
                       view->GetCaptionFont()->GetData()->font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    bool cjk = false;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (quint32 g : run.glyphIndexes())
            EXPECT_NE(g, 0u);
        cjk |= run.rawFont().familyName().contains("WenQuanYi");
    }
    EXPECT_TRUE(cjk);
    // Ink in both caption strips, in the caption colour.
    const QColor caption(0x4B, 0x60, 0x8F);
    auto inked = [&](int top, int bottom) {
        for (int y = top; y < bottom; ++y)
            for (int x = 30; x < 400; ++x)
                if (uitest::Near(uitest::Probe(img, x, y), caption, 10))
                    return true;
        return false;
    };
    EXPECT_TRUE(inked(0, 30));
    EXPECT_TRUE(inked(150, 180));
}
