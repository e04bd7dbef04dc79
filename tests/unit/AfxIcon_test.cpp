// SPDX-License-Identifier: Apache-2.0
#include "AfxIcon.h"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace {

afx::IconImage Solid(uint32_t argb, int w = 16, int h = 16) {
    afx::IconImage img;
    img.width = w;
    img.height = h;
    img.argb.assign(static_cast<size_t>(w) * h, argb);
    return img;
}

TEST(IconHandles, ImageKeptUntilDestroyed) {
    HICON icon = afx::CreateIconFromImage(Solid(0xFF112233, 16, 8));
    ASSERT_NE(icon, nullptr);
    const afx::IconImage* img = afx::GetIconImage(icon);
    ASSERT_NE(img, nullptr);
    EXPECT_EQ(img->width, 16);
    EXPECT_EQ(img->height, 8);
    EXPECT_EQ(img->argb[0], 0xFF112233u);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_EQ(afx::GetIconImage(icon), nullptr);
    EXPECT_FALSE(DestroyIcon(icon)); // twice is refused, not a crash
}

TEST(IconHandles, MismatchedImagesRefused) {
    afx::IconImage wrong = Solid(0, 16, 16);
    wrong.argb.pop_back();
    EXPECT_EQ(afx::CreateIconFromImage(wrong), nullptr);
    EXPECT_EQ(afx::CreateIconFromImage(Solid(0, 0, 16)), nullptr);
    EXPECT_FALSE(DestroyIcon(nullptr));
    EXPECT_EQ(afx::GetIconImage(nullptr), nullptr);
}

TEST(IconHandles, HandlesNeverReused) {
    HICON first = afx::CreateIconFromImage(Solid(1));
    DestroyIcon(first);
    HICON second = afx::CreateIconFromImage(Solid(2));
    EXPECT_NE(first, second);
    EXPECT_EQ(afx::GetIconImage(first), nullptr);
    DestroyIcon(second);
}

TEST(IconHandles, ConcurrentCreateAndDestroy) {
    std::vector<std::thread> threads;
    std::vector<std::vector<HICON>> made(4);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 200; ++i) {
                HICON h = afx::CreateIconFromImage(Solid(static_cast<uint32_t>(t)));
                if (i % 2 == 0) {
                    DestroyIcon(h);
                } else {
                    made[t].push_back(h);
                }
            }
        });
    }
    for (auto& th : threads) {
        th.join();
    }
    std::set<HICON> all;
    for (int t = 0; t < 4; ++t) {
        for (HICON h : made[t]) {
            all.insert(h);
            const afx::IconImage* img = afx::GetIconImage(h);
            ASSERT_NE(img, nullptr);
            EXPECT_EQ(img->argb[0], static_cast<uint32_t>(t));
            DestroyIcon(h);
        }
    }
    EXPECT_EQ(all.size(), 400u);
}

} // namespace
