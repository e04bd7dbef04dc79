// SPDX-License-Identifier: Apache-2.0
// Device contexts over QPainter: fills and colour order, text formats, fonts with CJK
// fallback, bitmaps with a transparent colour, image lists and the off-screen context.
#include <gtest/gtest.h>

#include <QFontInfo>
#include <QRawFont>
#include <QTextLayout>
#include <vector>

#include "AfxDC.h"
#include "AfxDCQt.h"
#include "AfxGdi.h"
#include "AfxGdiQt.h"
#include "AfxIcon.h"
#include "AfxImageList.h"
#include "MemDC.h"
#include "UiTestUtil.h"

namespace {

// A memory context with its own bitmap, filled white.
struct Canvas {
    CDC dc;
    CBitmap bmp;
    CBitmap* old = nullptr;
    Canvas(int w, int h) {
        dc.CreateCompatibleDC(nullptr);
        bmp.CreateCompatibleBitmap(&dc, w, h);
        old = dc.SelectObject(&bmp);
        dc.FillSolidRect(0, 0, w, h, RGB(255, 255, 255));
    }
    ~Canvas() { dc.SelectObject(old); }
    QImage Image() const { return bmp.GetData()->image; }
    // Columns x0..x1 and rows y0..y1 (exclusive) that hold non-white pixels.
    bool Ink(int x0, int y0, int x1, int y1) const {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (bmp.GetPixel(x, y) != RGB(255, 255, 255))
                    return true;
        return false;
    }
    int InkRight() const {
        SIZE s = bmp.GetSize();
        for (int x = s.cx - 1; x >= 0; --x)
            if (Ink(x, 0, x + 1, s.cy))
                return x;
        return -1;
    }
};

CFont* CaptionFont() {
    static CFont font;
    if (!font.IsCreated())
        font.CreateFont(14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, 0, 0, 0, 0, 0, FF_SWISS, "Arial");
    return &font;
}

} // namespace

TEST(Paint, ColorRefKeepsBlueInHighByte) {
    Canvas c(8, 8);
    c.dc.FillSolidRect(0, 0, 8, 8, 0x00FFF3E0);
    EXPECT_EQ(c.Image().pixelColor(3, 3), QColor(0xE0, 0xF3, 0xFF));
    EXPECT_EQ(c.dc.GetPixel(3, 3), 0x00FFF3E0u);
    EXPECT_EQ(c.dc.GetBkColor(), 0x00FFF3E0u); // a solid fill sets the background colour
}

TEST(Paint, FillOutsideBitmapAndEmptyRectsAreHarmless) {
    Canvas c(4, 4);
    c.dc.FillSolidRect(-10, -10, 5, 5, RGB(0, 0, 0));
    c.dc.FillSolidRect(1, 1, 0, 3, RGB(0, 0, 0));
    c.dc.FillSolidRect(2, 2, -3, 3, RGB(0, 0, 0));
    EXPECT_FALSE(c.Ink(0, 0, 4, 4));
}

TEST(Paint, ArialResolvesAndFitsItsCellHeight) {
    QFont f = CaptionFont()->GetData()->font;
    EXPECT_EQ(QFontInfo(f).family(), QString("Liberation Sans"));
    EXPECT_LE(QFontMetrics(f).height(), 15);
    EXPECT_GE(QFontMetrics(f).height(), 12);
}

TEST(Paint, ChineseTextFindsARealCjkFont) {
    const QString text = QString::fromUtf8("资料共享区：正在连接服务器");
    QTextLayout layout(text, CaptionFont()->GetData()->font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int glyphs = 0;
    bool cjkFamily = false;
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (quint32 g : run.glyphIndexes()) {
            EXPECT_NE(g, 0u); // glyph 0 is the missing-glyph box
            ++glyphs;
        }
        QString family = run.rawFont().familyName();
        cjkFamily |= family.contains("WenQuanYi") || family.contains("Micro Hei");
    }
    EXPECT_EQ(glyphs, text.size());
    EXPECT_TRUE(cjkFamily);

    Canvas c(240, 30);
    c.dc.SelectObject(CaptionFont());
    c.dc.SetBkMode(TRANSPARENT);
    RECT r{0, 0, 240, 30};
    c.dc.DrawText(text.toStdString(), &r, DT_SINGLELINE | DT_VCENTER);
    uitest::SaveShot(c.Image(), "paint_cjk_caption");
    EXPECT_TRUE(c.Ink(0, 0, 240, 30));
}

TEST(Paint, TransparentModeKeepsBackgroundOpaqueFillsIt) {
    Canvas c(120, 20);
    c.dc.SelectObject(CaptionFont());
    c.dc.SetTextColor(RGB(0, 0, 0));
    c.dc.SetBkColor(RGB(0, 255, 0));
    c.dc.SetBkMode(OPAQUE);
    const std::string text = "H        H";
    RECT m{0, 0, 120, 20};
    c.dc.DrawText(text, &m, DT_SINGLELINE | DT_CALCRECT);
    const int mid = m.right / 2;
    RECT r{0, 0, 120, 20};
    c.dc.DrawText(text, &r, DT_SINGLELINE | DT_VCENTER);
    EXPECT_EQ(c.dc.GetPixel(mid, 10), RGB(0, 255, 0));             // between the letters
    EXPECT_EQ(c.dc.GetPixel(m.right + 5, 10), RGB(255, 255, 255)); // past the text
    Canvas t(120, 20);
    t.dc.SelectObject(CaptionFont());
    t.dc.SetBkColor(RGB(0, 255, 0));
    t.dc.SetBkMode(TRANSPARENT);
    t.dc.DrawText(text, &r, DT_SINGLELINE | DT_VCENTER);
    EXPECT_EQ(t.dc.GetPixel(mid, 10), RGB(255, 255, 255));
    EXPECT_TRUE(t.Ink(0, 0, 30, 20));
}

TEST(Paint, VCenterPutsSingleLineInTheMiddle) {
    Canvas c(100, 60);
    c.dc.SelectObject(CaptionFont());
    c.dc.SetBkMode(TRANSPARENT);
    RECT r{0, 0, 100, 60};
    c.dc.DrawText(std::string("HHHH"), &r, DT_SINGLELINE | DT_VCENTER);
    EXPECT_FALSE(c.Ink(0, 0, 100, 20));
    EXPECT_TRUE(c.Ink(0, 22, 100, 38));
    EXPECT_FALSE(c.Ink(0, 40, 100, 60));
}

TEST(Paint, EndEllipsisCutsLongTextWithDots) {
    const std::string text = "WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW";
    RECT r{0, 0, 80, 20};
    Canvas cut(120, 20);
    cut.dc.SelectObject(CaptionFont());
    cut.dc.SetBkMode(TRANSPARENT);
    cut.dc.DrawText(text, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    uitest::SaveShot(cut.Image(), "paint_ellipsis");
    int right = cut.InkRight();
    ASSERT_GE(right, 60);
    EXPECT_LT(right, 80); // never past the rectangle
    // The last glyphs are dots: ink near the baseline, none in the upper half.
    EXPECT_FALSE(cut.Ink(right - 2, 0, right + 1, 8));
    EXPECT_TRUE(cut.Ink(right - 2, 8, right + 1, 20));

    Canvas plain(120, 20);
    plain.dc.SelectObject(CaptionFont());
    plain.dc.SetBkMode(TRANSPARENT);
    plain.dc.DrawText(text, &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    EXPECT_LT(plain.InkRight(), 80); // clipped, but W all the way
    EXPECT_TRUE(plain.Ink(plain.InkRight() - 3, 0, plain.InkRight() + 1, 8));
}

TEST(Paint, PrefixIsHiddenUnlessNoPrefix) {
    RECT a{0, 0, 200, 20}, b{0, 0, 200, 20};
    CDC dc;
    dc.SelectObject(CaptionFont());
    dc.DrawText(std::string("&&Save"), &a, DT_SINGLELINE | DT_CALCRECT);
    dc.DrawText(std::string("&&Save"), &b, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    EXPECT_LT(a.right, b.right);
}

TEST(Paint, TransparentBltScalesAndLeavesNoRed) {
    // 16 by 16, red all round, a blue 8 by 8 square in the middle.
    Canvas src(16, 16);
    src.dc.FillSolidRect(0, 0, 16, 16, RGB(255, 0, 0));
    src.dc.FillSolidRect(4, 4, 8, 8, RGB(0, 0, 255));
    Canvas dst(40, 40);
    dst.dc.FillSolidRect(0, 0, 40, 40, RGB(0, 128, 0));
    ASSERT_TRUE(dst.dc.TransparentBlt(4, 4, 32, 32, &src.dc, 0, 0, 16, 16, RGB(255, 0, 0)));
    uitest::SaveShot(dst.Image(), "paint_transparent_blt");
    int blue = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            COLORREF p = dst.dc.GetPixel(x, y);
            ASSERT_NE(GetRValue(p) > 128 && GetGValue(p) < 64, true) << "red at " << x << "," << y;
            blue += p == RGB(0, 0, 255);
        }
    EXPECT_EQ(blue, 16 * 16);
    EXPECT_EQ(dst.dc.GetPixel(12, 12), RGB(0, 0, 255));
    EXPECT_EQ(dst.dc.GetPixel(5, 5), RGB(0, 128, 0));
    // Scaled down too.
    Canvas small(8, 8);
    small.dc.FillSolidRect(0, 0, 8, 8, RGB(0, 128, 0));
    ASSERT_TRUE(small.dc.TransparentBlt(0, 0, 8, 8, &src.dc, 0, 0, 16, 16, RGB(255, 0, 0)));
    EXPECT_EQ(small.dc.GetPixel(4, 4), RGB(0, 0, 255));
    EXPECT_EQ(small.dc.GetPixel(0, 0), RGB(0, 128, 0));
}

TEST(Paint, BitBltCopiesBetweenMemoryContexts) {
    Canvas src(10, 10);
    src.dc.FillSolidRect(2, 2, 3, 3, RGB(10, 20, 30));
    Canvas dst(10, 10);
    ASSERT_TRUE(dst.dc.BitBlt(5, 5, 3, 3, &src.dc, 2, 2, SRCCOPY));
    EXPECT_EQ(dst.dc.GetPixel(5, 5), RGB(10, 20, 30));
    EXPECT_EQ(dst.dc.GetPixel(7, 7), RGB(10, 20, 30));
    EXPECT_EQ(dst.dc.GetPixel(8, 8), RGB(255, 255, 255));
    CDC nothing;
    EXPECT_FALSE(dst.dc.BitBlt(0, 0, 3, 3, &nothing, 0, 0, SRCCOPY));
}

TEST(Paint, MemDCPaintsLogicalAreaAndCopiesOnce) {
    Canvas target(60, 60);
    RECT area{10, 20, 50, 40};
    {
        CMemDC mem(&target.dc, &area);
        EXPECT_TRUE(mem.IsOffScreen());
        RECT clip;
        mem.GetClipBox(&clip);
        EXPECT_EQ(clip.left, 10);
        EXPECT_EQ(clip.top, 20);
        EXPECT_EQ(clip.right, 50);
        EXPECT_EQ(clip.bottom, 40);
        // Logical coordinates stay the target's.
        mem.FillSolidRect(10, 20, 5, 5, RGB(0, 0, 255));
        EXPECT_EQ(mem.GetPixel(10, 20), RGB(0, 0, 255));
        EXPECT_EQ(target.dc.GetPixel(10, 20), RGB(255, 255, 255)); // nothing shown yet
    }
    EXPECT_EQ(target.dc.GetPixel(10, 20), RGB(0, 0, 255));
    EXPECT_EQ(target.dc.GetPixel(14, 24), RGB(0, 0, 255));
    EXPECT_EQ(target.dc.GetPixel(15, 25), RGB(255, 255, 255));
    EXPECT_EQ(target.dc.GetPixel(9, 19), RGB(255, 255, 255));
}

TEST(Paint, MemDCStartsFromBackgroundOrCopy) {
    Canvas target(20, 20);
    target.dc.FillSolidRect(0, 0, 20, 20, RGB(1, 2, 3));
    target.dc.SetBkColor(RGB(200, 100, 50));
    { CMemDC mem(&target.dc); }
    EXPECT_EQ(target.dc.GetPixel(5, 5), RGB(200, 100, 50));
    target.dc.FillSolidRect(0, 0, 20, 20, RGB(1, 2, 3));
    { CMemDC mem(&target.dc, nullptr, true); }
    EXPECT_EQ(target.dc.GetPixel(5, 5), RGB(1, 2, 3));
}

TEST(Paint, ImageListDrawsScaledWithAlpha) {
    CImageList list;
    ASSERT_TRUE(list.Create(16, 16, ILC_COLOR32 | ILC_MASK, 16, 4));
    std::vector<uint32_t> px(16 * 16, 0x00000000);
    for (int y = 4; y < 12; ++y)
        for (int x = 4; x < 12; ++x)
            px[y * 16 + x] = 0xFF0000FF; // opaque blue square, clear around it
    EXPECT_EQ(list.AddImage(16, 16, px.data()), 0);
    EXPECT_EQ(list.AddImage(32, 32, std::vector<uint32_t>(32 * 32, 0xFF00FF00).data()), 1);
    EXPECT_EQ(list.GetImageCount(), 2);
    Canvas c(40, 40);
    ASSERT_TRUE(ImageList_DrawEx(list.GetSafeHandle(), 0, c.dc.GetSafeHdc(), 0, 0, 12, 12,
                                 CLR_DEFAULT, CLR_DEFAULT, ILD_IMAGE));
    EXPECT_EQ(c.dc.GetPixel(6, 6), RGB(0, 0, 255));
    EXPECT_EQ(c.dc.GetPixel(0, 0), RGB(255, 255, 255));   // clear pixels stay clear
    EXPECT_EQ(c.dc.GetPixel(12, 12), RGB(255, 255, 255)); // never past 12 by 12
    ASSERT_TRUE(list.DrawEx(&c.dc, 1, POINT{20, 20}, SIZE{0, 0}, CLR_NONE, CLR_NONE, 0));
    EXPECT_EQ(c.dc.GetPixel(35, 35), RGB(0, 255, 0));
    EXPECT_EQ(c.dc.GetPixel(36, 36), RGB(255, 255, 255));
    EXPECT_FALSE(list.DrawEx(&c.dc, 2, POINT{}, SIZE{}, CLR_NONE, CLR_NONE, 0));
    EXPECT_FALSE(list.DrawEx(&c.dc, -1, POINT{}, SIZE{}, CLR_NONE, CLR_NONE, 0));
}

TEST(Paint, ButtonBitmapFromResourcesBlitsWithoutRed) {
    CBitmap bmp;
    ASSERT_TRUE(bmp.LoadBitmap(1012));
    BITMAP info;
    ASSERT_GT(bmp.GetBitmap(&info), 0);
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 16);
    bool hasRed = false;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            hasRed |= bmp.GetPixel(x, y) == RGB(255, 0, 0);
    EXPECT_TRUE(hasRed); // the drawing's transparent parts
    CDC src;
    src.CreateCompatibleDC(nullptr);
    CBitmap* old = src.SelectObject(&bmp);
    Canvas dst(60, 30);
    dst.dc.FillSolidRect(0, 0, 60, 30, 0x00F3F0F1);
    // Full size and scaled down to a low cell, as the list buttons are.
    ASSERT_TRUE(dst.dc.TransparentBlt(5, 2, 16, 16, &src, 0, 0, 16, 16, RGB(255, 0, 0)));
    ASSERT_TRUE(dst.dc.TransparentBlt(30, 2, 13, 13, &src, 0, 0, 16, 16, RGB(255, 0, 0)));
    src.SelectObject(old);
    uitest::SaveShot(dst.Image(), "paint_button_bitmap");
    int drawn = 0;
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 60; ++x) {
            COLORREF p = dst.dc.GetPixel(x, y);
            ASSERT_NE(p, RGB(255, 0, 0)) << x << "," << y;
            drawn += p != 0x00F3F0F1;
        }
    EXPECT_GT(drawn, 20);
    EXPECT_FALSE(CBitmap().LoadBitmap(999));
}

TEST(Paint, ImageListTakesIconHandles) {
    afx::IconImage img;
    img.argb.assign(16 * 16, 0xFFFF8000);
    HICON icon = afx::CreateIconFromImage(img);
    ASSERT_NE(icon, nullptr);
    CImageList list;
    ASSERT_TRUE(list.Create(16, 16, 33, 16, 4));
    EXPECT_EQ(list.Add(icon), 0);
    EXPECT_EQ(list.Add(nullptr), -1);
    Canvas c(20, 20);
    ASSERT_TRUE(list.DrawEx(&c.dc, 0, POINT{2, 2}, SIZE{16, 16}, CLR_DEFAULT, CLR_DEFAULT, 0x20));
    EXPECT_EQ(c.dc.GetPixel(10, 10), RGB(255, 128, 0));
    DestroyIcon(icon);
    EXPECT_EQ(list.GetImageCount(), 1); // the list keeps its own copy
}
