// SPDX-License-Identifier: Apache-2.0
// Screens of more than one device pixel per pixel: row buttons drawn from their double-size
// bitmaps (one-device-pixel edges at 2, smoothed at 1.5, no red fringe), the painting at 1
// unchanged, and file icons taken from the theme at the device's size.
#include <gtest/gtest.h>

#include <QIcon>
#include <QPainter>
#include <QWidget>
#include <cmath>
#include <memory>

#include "AfxDC.h"
#include "AfxGdi.h"
#include "AfxGdiQt.h"
#include "AfxIcon.h"
#include "AfxImageList.h"
#include "AfxResource.h"
#include "AfxShell.h"
#include "DSDirListCtrl.h"
#include "DSProtocol.h"
#include "DocShelf.h"
#include "DocShelfMgr.h"
#include "DocShelfView.h"
#include "ListCells.h"
#include "PanelSetup.h"
#include "RecordUtil.h"
#include "ResourceIds.h"
#include "UiTestUtil.h"
#include "WebDavMgr.h"

namespace {

constexpr QRgb kWhite = qRgb(255, 255, 255);
constexpr QRgb kKey = qRgb(255, 0, 0);

// A memory context over an image of ratio device pixels per pixel, filled white.
struct ScaledCanvas {
    CDC dc;
    CBitmap bmp;
    CBitmap* old = nullptr;
    ScaledCanvas(int w, int h, qreal ratio) {
        dc.CreateCompatibleDC(nullptr);
        bmp.CreateCompatibleBitmap(&dc, static_cast<int>(std::ceil(w * ratio)),
                                   static_cast<int>(std::ceil(h * ratio)));
        bmp.GetData()->image.setDevicePixelRatio(ratio);
        old = dc.SelectObject(&bmp);
        dc.FillSolidRect(0, 0, w, h, RGB(255, 255, 255));
    }
    ~ScaledCanvas() { dc.SelectObject(old); }
    const QImage& Image() const { return bmp.GetData()->image; }
};

// Device pixels over white.
QImage OnWhite(QImage img) {
    img.setDevicePixelRatio(1);
    QImage out(img.size(), QImage::Format_RGB32);
    out.fill(kWhite);
    QPainter(&out).drawImage(0, 0, img);
    return out;
}

int MaxDifference(const QImage& a, const QImage& b) {
    int most = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y), q = b.pixelColor(x, y);
            most = std::max({most, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                             std::abs(p.blue() - q.blue())});
        }
    return most;
}

class ScaleTest : public ::testing::Test {
protected:
    void SetUp() override {
        host = uitest::ShownWindow(700, 300);
        view = uitest::OwnView(host.get());
        list = view->GetDirListCtrl();
        ASSERT_NE(list, nullptr);
        GetDocShelfMgr()->SetRights(DS_RIGHT_DOWNLOAD | DS_RIGHT_DELETE);
        AddFile("report.txt");
        uitest::Pump();
        ASSERT_EQ(list->GetItemCount(), 1);
    }
    void TearDown() override {
        GetDocShelfMgr()->SetRights(0);
        view.reset();
        host.reset();
        uitest::Pump();
        uitest::DropQueuedWork();
    }
    void AddFile(const std::string& name) {
        IDataRecord* r = uitest::DirEntryRecord(name, 1200);
        list->OnWorkResult(r);
        r->Release();
    }
    QImage Render(qreal ratio) {
        auto* w = reinterpret_cast<QWidget*>(list->GetSafeHwnd());
        QImage img(w->size() * ratio, QImage::Format_RGB32);
        img.setDevicePixelRatio(ratio);
        w->render(&img);
        return img;
    }
    // Where the Download bitmap of row 0 starts, in pixels, as DrawCellBitmap places it.
    QPoint DownloadOrigin() {
        RECT cell;
        EXPECT_TRUE(list->GetSubItemRect(0, CDSDirListCtrl::kColDownload, LVIR_LABEL, cell));
        EXPECT_GE(cell.bottom - cell.top, 18); // room for the bitmap at its own size
        return QPoint(cell.left + 5, cell.top + 2);
    }

    std::unique_ptr<QWidget> host;
    std::unique_ptr<CDocShelfView> view;
    CDSDirListCtrl* list = nullptr;
};

} // namespace

TEST_F(ScaleTest, RowButtonAtTwoHasEdgesOfOneDevicePixel) {
    const QImage img = Render(2);
    uitest::SaveShot(img, "scale_dir_list_2x");
    const QPoint at = DownloadOrigin() * 2;
    const QColor body(40, 110, 190);
    // The arrow head's left side moves one device pixel a device row, where a stretched 16 px
    // bitmap moves two: its rows 16 and 17 start at device columns 4 and 5.
    EXPECT_EQ(img.pixelColor(at + QPoint(4, 16)), body);
    EXPECT_NE(img.pixelColor(at + QPoint(4, 17)), body);
    EXPECT_EQ(img.pixelColor(at + QPoint(5, 17)), body);
    EXPECT_NE(img.pixelColor(at + QPoint(5, 18)), body);
}

TEST_F(ScaleTest, RowButtonAtOneIsTheBitmapItself) {
    const QImage img = Render(1);
    const QPoint at = DownloadOrigin();
    const afx::BitmapResource* res = afx::FindResourceBitmap(kBmpDownload);
    ASSERT_NE(res, nullptr);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const uint8_t* p = &res->rgb[(y * 16 + x) * 3];
            if (qRgb(p[0], p[1], p[2]) != kKey) {
                ASSERT_EQ(img.pixelColor(at + QPoint(x, y)), QColor(p[0], p[1], p[2]))
                    << x << "," << y;
            }
        }
}

TEST(Scale, RowButtonAtOneAndAHalfIsSmoothedWithoutRed) {
    CBitmap bmp;
    ASSERT_TRUE(bmp.LoadBitmap(kBmpDownload));
    ASSERT_EQ(bmp.GetData()->image2x.size(), QSize(32, 32));
    ScaledCanvas c(40, 22, 1.5);
    DrawCellBitmap(&c.dc, bmp, RECT{10, 0, 40, 22}); // at (15, 2)
    uitest::SaveShot(c.Image(), "scale_button_1_5x");
    int blended = 0;
    for (int y = 0; y < c.Image().height(); ++y)
        for (int x = 0; x < c.Image().width(); ++x) {
            const QColor p = c.Image().pixelColor(x, y);
            if (p.rgb() == kWhite)
                continue;
            ASSERT_LE(p.red(), p.blue()) << "red fringe at " << x << "," << y;
            // Inside 16 by 16 pixels at (15, 2): 24 device pixels from 22.5, 3.
            ASSERT_TRUE(x >= 22 && x < 47 && y >= 3 && y < 27) << x << "," << y;
            blended += p != QColor(40, 110, 190) && p != QColor(20, 60, 120);
        }
    EXPECT_GT(blended, 10); // smoothed, not picked pixel by pixel
}

TEST(Scale, FileIconAtTwoIsTheThemesIconAtThatSize) {
    SHFILEINFO info{};
    ASSERT_NE(SHGetFileInfo("*.txt", 0, &info, sizeof info,
                            SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES),
              0u);
    const std::string name = afx::GetIconImage(info.hIcon)->themeName;
    ASSERT_FALSE(name.empty());
    CImageList icons;
    icons.Create(16, 16, ILC_COLOR32 | ILC_MASK, 1, 1);
    ASSERT_EQ(icons.Add(info.hIcon), 0);
    DestroyIcon(info.hIcon);

    ScaledCanvas sharp(16, 16, 2);
    ASSERT_TRUE(icons.DrawEx(&sharp.dc, 0, POINT{0, 0}, SIZE{16, 16}, CLR_NONE, CLR_NONE, 0));
    const QIcon theme = QIcon::fromTheme(QString::fromStdString(name));
    const QImage want = OnWhite(theme.pixmap(QSize(16, 16), 2).toImage());
    // What drawing the 16 px image enlarged gives.
    const QImage stretched =
        OnWhite(theme.pixmap(QSize(16, 16), 1)
                    .toImage()
                    .scaled(32, 32, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    ASSERT_EQ(want.size(), QSize(32, 32));
    ASSERT_GT(MaxDifference(want, stretched), 16); // the theme has a finer picture
    EXPECT_LE(MaxDifference(sharp.Image(), want), 2);

    ScaledCanvas plain(16, 16, 1);
    ASSERT_TRUE(icons.DrawEx(&plain.dc, 0, POINT{0, 0}, SIZE{16, 16}, CLR_NONE, CLR_NONE, 0));
    EXPECT_LE(MaxDifference(plain.Image(), OnWhite(theme.pixmap(QSize(16, 16), 1).toImage())), 2);
}
