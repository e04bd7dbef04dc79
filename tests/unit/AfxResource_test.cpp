// SPDX-License-Identifier: Apache-2.0
#include "AfxResource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

using Entries = std::vector<std::pair<UINT, std::string>>;

TEST(StringTableParse, KeepsTextsExactly) {
    Entries out;
    ASSERT_TRUE(afx::ParseStringTable("# comment\n1063\t ^\r\n\n1067\tDocshelf: %s\n"
                                      "1070\ttab\tinside\n1071\t\n",
                                      out));
    EXPECT_EQ(out,
              (Entries{{1063, " ^"}, {1067, "Docshelf: %s"}, {1070, "tab\tinside"}, {1071, ""}}));
}

TEST(StringTableParse, RejectsMalformedLines) {
    Entries out;
    EXPECT_FALSE(afx::ParseStringTable("1020 no tab\n", out));
    EXPECT_FALSE(afx::ParseStringTable("10x0\ttext\n", out));
    EXPECT_FALSE(afx::ParseStringTable("\ttext\n", out));
    EXPECT_FALSE(afx::ParseStringTable("99999999999\ttext\n", out));
}

TEST(MenuParse, NestedPopupsAndSeparators) {
    afx::MenuTemplate menu;
    ASSERT_TRUE(afx::ParseMenuTemplate("POPUP\tFirst\n"
                                       "\t1\tOne\n"
                                       "\tSEPARATOR\n"
                                       "\tPOPUP\tInner\n"
                                       "\t\t2\tTwo\n"
                                       "\t3\tThree\n"
                                       "POPUP\tSecond\n"
                                       "\t4\tFour...\n",
                                       menu));
    ASSERT_EQ(menu.items.size(), 2u);
    const auto& first = menu.items[0];
    EXPECT_EQ(first.text, "First");
    ASSERT_EQ(first.popup.size(), 4u);
    EXPECT_EQ(first.popup[0].id, 1u);
    EXPECT_TRUE(first.popup[1].separator);
    EXPECT_EQ(first.popup[2].text, "Inner");
    ASSERT_EQ(first.popup[2].popup.size(), 1u);
    EXPECT_EQ(first.popup[2].popup[0].id, 2u);
    EXPECT_EQ(first.popup[3].text, "Three");
    EXPECT_EQ(menu.items[1].popup[0].text, "Four...");
}

TEST(MenuParse, RejectsBadStructure) {
    afx::MenuTemplate menu;
    EXPECT_FALSE(afx::ParseMenuTemplate("\t1\tIndented without popup\n", menu));
    EXPECT_FALSE(afx::ParseMenuTemplate("POPUP\tEmpty\nPOPUP\tNext\n\t1\tx\n", menu));
    EXPECT_FALSE(afx::ParseMenuTemplate("POPUP\tA\n\t\t1\tToo deep\n", menu));
    EXPECT_FALSE(afx::ParseMenuTemplate("POPUP\tA\n\tnot-an-id\tx\n", menu));
}

// A 24-bit BMP of the given pixels (R,G,B rows top-down).
std::vector<unsigned char> MakeBmp(int w, int h, const std::vector<uint8_t>& rgb, bool topDown) {
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) & ~size_t(3);
    std::vector<unsigned char> f(54 + stride * h, 0);
    auto le = [&](size_t at, uint32_t v, int n) {
        for (int i = 0; i < n; ++i) {
            f[at + i] = static_cast<unsigned char>(v >> (8 * i));
        }
    };
    f[0] = 'B';
    f[1] = 'M';
    le(2, static_cast<uint32_t>(f.size()), 4);
    le(10, 54, 4);
    le(14, 40, 4);
    le(18, static_cast<uint32_t>(w), 4);
    le(22, static_cast<uint32_t>(topDown ? -h : h), 4);
    le(26, 1, 2);
    le(28, 24, 2);
    for (int y = 0; y < h; ++y) {
        int fileRow = topDown ? y : h - 1 - y;
        for (int x = 0; x < w; ++x) {
            const uint8_t* p = &rgb[(y * w + x) * 3];
            unsigned char* d = &f[54 + stride * fileRow + x * 3];
            d[0] = p[2];
            d[1] = p[1];
            d[2] = p[0];
        }
    }
    return f;
}

TEST(BmpParse, BothRowOrdersWithPadding) {
    // 3 wide, so rows carry 3 padding bytes.
    std::vector<uint8_t> rgb = {255, 0, 0, 0, 255, 0, 0, 0, 255, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    for (bool topDown : {false, true}) {
        auto file = MakeBmp(3, 2, rgb, topDown);
        afx::BitmapResource bmp;
        ASSERT_TRUE(afx::ParseBmp(file.data(), file.size(), bmp));
        EXPECT_EQ(bmp.width, 3);
        EXPECT_EQ(bmp.height, 2);
        EXPECT_EQ(bmp.rgb, rgb);
    }
}

TEST(BmpParse, RejectsWhatItCannotRead) {
    std::vector<uint8_t> rgb(4 * 4 * 3, 7);
    auto good = MakeBmp(4, 4, rgb, false);
    afx::BitmapResource bmp;
    auto truncated = good;
    truncated.resize(good.size() - 1);
    EXPECT_FALSE(afx::ParseBmp(truncated.data(), truncated.size(), bmp));
    auto eightBit = good;
    eightBit[28] = 8;
    EXPECT_FALSE(afx::ParseBmp(eightBit.data(), eightBit.size(), bmp));
    auto compressed = good;
    compressed[30] = 1;
    EXPECT_FALSE(afx::ParseBmp(compressed.data(), compressed.size(), bmp));
    auto badOffset = good;
    badOffset[10] = 0xFF;
    badOffset[11] = 0xFF;
    EXPECT_FALSE(afx::ParseBmp(badOffset.data(), badOffset.size(), bmp));
    EXPECT_FALSE(afx::ParseBmp(nullptr, 0, bmp));
    EXPECT_FALSE(afx::ParseBmp(good.data(), 20, bmp));
}

TEST(ResourceRegistry, BlobsRegisterAndReportFailures) {
    const char strings[] = "9201\thello\n9202\tworld\n";
    const char badMenu[] = "\t1\tbroken\n";
    const afx::ResourceBlob blobs[] = {
        {afx::ResourceType::StringTable, 0, 1033, reinterpret_cast<const unsigned char*>(strings),
         sizeof strings - 1},
        {afx::ResourceType::Menu, 9203, 1033, reinterpret_cast<const unsigned char*>(badMenu),
         sizeof badMenu - 1},
    };
    EXPECT_EQ(afx::RegisterResources(afx::ResourceScope::Application, blobs, 2), 1u);
    EXPECT_STREQ(afx::FindResourceString(9202, 1033), "world");
    EXPECT_EQ(afx::FindResourceStringIn(afx::ResourceScope::Component, 9202, 1033), nullptr);
    EXPECT_EQ(afx::FindResourceMenu(9203, 1033), nullptr);
    EXPECT_EQ(afx::FindResourceString(9202, 2052), nullptr); // exact language only
}

TEST(ResourceRegistry, PointersSurviveLaterAdditions) {
    afx::AddResourceString(afx::ResourceScope::Application, 9300, 1033, "stable");
    const char* before = afx::FindResourceString(9300, 1033);
    for (UINT id = 9301; id < 9800; ++id) {
        afx::AddResourceString(afx::ResourceScope::Application, id, 1033, "filler");
    }
    EXPECT_EQ(afx::FindResourceString(9300, 1033), before);
    EXPECT_STREQ(before, "stable");
}

TEST(ResourceRegistry, ConcurrentLookupsWhileAdding) {
    std::atomic<bool> stop{false};
    std::atomic<int> wrong{0};
    std::thread reader([&] {
        while (!stop) {
            const char* s = afx::FindResourceString(1020, 1033);
            if (s == nullptr || std::string(s) != "Connecting server...") {
                ++wrong;
            }
        }
    });
    for (UINT id = 9900; id < 10900; ++id) {
        afx::AddResourceString(afx::ResourceScope::Application, id, 2052, "x");
    }
    stop = true;
    reader.join();
    EXPECT_EQ(wrong, 0);
}

} // namespace
