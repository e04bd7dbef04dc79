// SPDX-License-Identifier: Apache-2.0
#include "LocalResource.h"

#include <gtest/gtest.h>

#include <set>

#include "AfxLanguage.h"
#include "AfxResource.h"
#include "CodePage.h"

extern "C" const int DocShelfResourceAnchor;

namespace {

// Ids only tests register; far from the component's own.
constexpr UINT kEnglishOnly = 9101;
constexpr UINT kChineseOnly = 9102;
constexpr UINT kGermanOnly = 9103;
constexpr UINT kAppOnly = 9104;
constexpr UINT kAppAndComponent = 9105;
constexpr UINT kMissing = 9199;
constexpr LANGID kGerman = 1031;

class LocalResourceTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        using afx::ResourceScope;
        afx::AddResourceString(ResourceScope::Component, kEnglishOnly, LANGID_EN_US, "english");
        afx::AddResourceString(ResourceScope::Component, kChineseOnly, LANGID_ZH_CN, "中文");
        afx::AddResourceString(ResourceScope::Component, kGermanOnly, kGerman, "deutsch");
        afx::AddResourceString(ResourceScope::Application, kAppOnly, LANGID_EN_US, "app en");
        afx::AddResourceString(ResourceScope::Application, kAppOnly, LANGID_ZH_CN, "app zh");
        afx::AddResourceString(ResourceScope::Application, kAppAndComponent, LANGID_ZH_CN,
                               "app zh");
        afx::AddResourceString(ResourceScope::Component, kAppAndComponent, LANGID_EN_US,
                               "component en");
    }
    void TearDown() override {
        SetThreadUILanguageOverride(0);
        afx::SetTestCodePage(0);
    }
    static void UseChinese() { SetThreadUILanguageOverride(LANGID_ZH_CN); }
    static void UseEnglish() { SetThreadUILanguageOverride(LANGID_EN_US); }
};

TEST_F(LocalResourceTest, EmbeddedDataParsedWithoutFailures) {
    EXPECT_EQ(DocShelfResourceAnchor, 1);
}

TEST_F(LocalResourceTest, EveryStringIdExistsInBothLanguages) {
    for (UINT id = 1020; id <= 1069; ++id) {
        const char* en = afx::FindResourceStringIn(afx::ResourceScope::Component, id, 1033);
        const char* zh = afx::FindResourceStringIn(afx::ResourceScope::Component, id, 2052);
        ASSERT_NE(en, nullptr) << id;
        ASSERT_NE(zh, nullptr) << id;
        EXPECT_STRNE(en, "") << id;
        EXPECT_STRNE(zh, "") << id;
    }
}

TEST_F(LocalResourceTest, ChosenByUiLanguage) {
    UseEnglish();
    EXPECT_EQ(LoadLocalString(1020), "Connecting server...");
    EXPECT_EQ(LoadLocalString(1067), "Docshelf: %s");
    UseChinese();
    EXPECT_EQ(LoadLocalString(1020), "正在连接服务器");
    EXPECT_EQ(LoadLocalString(1067), "资料共享区：%s");
}

TEST_F(LocalResourceTest, LeadingBlanksAndFormatsKept) {
    UseEnglish();
    EXPECT_EQ(LoadLocalString(1063), " ^");
    EXPECT_EQ(LoadLocalString(1064), " v");
    EXPECT_EQ(LoadLocalString(1068), "%s uploaded file %s");
    UseChinese();
    EXPECT_EQ(LoadLocalString(1063), " ↑");
    EXPECT_EQ(LoadLocalString(1064), " ↓");
    EXPECT_EQ(LoadLocalString(1034), "服务器目录（已用：%s 剩余：%s）");
}

TEST_F(LocalResourceTest, LanguageFallbacks) {
    UseChinese();
    EXPECT_EQ(LoadLocalString(kEnglishOnly), "english");
    EXPECT_EQ(LoadLocalString(kGermanOnly), "deutsch"); // any language under Chinese
    UseEnglish();
    EXPECT_EQ(LoadLocalString(kChineseOnly), "中文");
    EXPECT_EQ(LoadLocalString(kGermanOnly), ""); // only English, then Chinese
}

TEST_F(LocalResourceTest, MissingIdGivesEmpty) {
    UseEnglish();
    EXPECT_EQ(LoadLocalString(kMissing), "");
    EXPECT_EQ(LoadLocalMenu(kMissing), nullptr);
    UseChinese();
    EXPECT_EQ(LoadLocalString(kMissing), "");
    EXPECT_EQ(LoadLocalMenu(kMissing), nullptr);
}

TEST_F(LocalResourceTest, ApplicationTableOnlyAfterComponent) {
    UseChinese();
    EXPECT_EQ(LoadLocalString(kAppOnly), "app zh");
    // The component's English text beats the application's Chinese one.
    EXPECT_EQ(LoadLocalString(kAppAndComponent), "component en");
    UseEnglish();
    EXPECT_EQ(LoadLocalString(kAppOnly), "app en");
    EXPECT_EQ(LoadLocalString(kAppAndComponent), "component en");
}

TEST_F(LocalResourceTest, FirstRegistrationKept) {
    EXPECT_FALSE(afx::AddResourceString(afx::ResourceScope::Component, 1020, LANGID_EN_US, "x"));
    UseEnglish();
    EXPECT_EQ(LoadLocalString(1020), "Connecting server...");
}

TEST_F(LocalResourceTest, GbkCodePageConvertsChineseText) {
    UseChinese();
    afx::SetTestCodePage(afx::CP_GBK);
    // "未知" in GBK.
    EXPECT_EQ(LoadLocalString(1037), "\xCE\xB4\xD6\xAA");
    afx::SetTestCodePage(afx::CP_UTF8);
    EXPECT_EQ(LoadLocalString(1037), "未知");
}

// Ids and texts of one popup, for comparison.
std::vector<std::pair<UINT, std::string>> Items(const afx::MenuItemTemplate& popup) {
    std::vector<std::pair<UINT, std::string>> items;
    for (const auto& item : popup.popup) {
        items.emplace_back(item.id, item.text);
    }
    return items;
}

TEST_F(LocalResourceTest, MenuHasFivePopupsInOrder) {
    for (LANGID lang : {LANGID_EN_US, LANGID_ZH_CN}) {
        SetThreadUILanguageOverride(lang);
        const afx::MenuTemplate* menu = LoadLocalMenu(1000);
        ASSERT_NE(menu, nullptr);
        ASSERT_EQ(menu->items.size(), 5u);
        const char* names[] = {"FilePopup", "UserDirPopup", "SystemDirPopup", "LocalUploadedPopup",
                               "LocalDownloadedPopup"};
        const std::vector<UINT> ids[] = {{32773, 32794, 32774},
                                         {32780, 32781, 32782, 32785},
                                         {32780, 32781, 32785},
                                         {32795, 32796, 32792, 32789},
                                         {32795, 32796, 32792, 32790, 32789}};
        for (size_t i = 0; i < 5; ++i) {
            const auto& popup = menu->items[i];
            EXPECT_EQ(popup.text, names[i]);
            std::vector<UINT> got;
            for (const auto& item : popup.popup) {
                EXPECT_FALSE(item.separator);
                EXPECT_TRUE(item.popup.empty());
                EXPECT_FALSE(item.text.empty());
                got.push_back(item.id);
            }
            EXPECT_EQ(got, ids[i]) << names[i];
        }
    }
}

TEST_F(LocalResourceTest, MenuTextsPerLanguage) {
    UseEnglish();
    const afx::MenuTemplate* en = LoadLocalMenu(1000);
    ASSERT_NE(en, nullptr);
    using V = std::vector<std::pair<UINT, std::string>>;
    EXPECT_EQ(Items(en->items[0]),
              (V{{32773, "Download"}, {32794, "Download to..."}, {32774, "Delete"}}));
    EXPECT_EQ(Items(en->items[4]), (V{{32795, "Cancel"},
                                      {32796, "Retry"},
                                      {32792, "Open"},
                                      {32790, "Save As..."},
                                      {32789, "Open folder"}}));
    UseChinese();
    const afx::MenuTemplate* zh = LoadLocalMenu(1000);
    ASSERT_NE(zh, nullptr);
    EXPECT_EQ(Items(zh->items[1]), (V{{32780, "新建文件夹"},
                                      {32781, "上传文件"},
                                      {32782, "删除文件夹"},
                                      {32785, "刷新目录"}}));
    EXPECT_EQ(Items(zh->items[2]).back(), (std::pair<UINT, std::string>{32785, "刷新文件夹"}));
}

TEST_F(LocalResourceTest, ButtonBitmapsAreSixteenSquareWithRedBackground) {
    for (UINT id : {1011u, 1012u, 1013u, 1014u, 1015u, 1016u, 1018u, 1019u}) {
        const afx::BitmapResource* bmp = afx::FindResourceBitmap(id);
        ASSERT_NE(bmp, nullptr) << id;
        EXPECT_EQ(bmp->width, 16) << id;
        EXPECT_EQ(bmp->height, 16) << id;
        ASSERT_EQ(bmp->rgb.size(), 16u * 16u * 3u) << id;
        // The corners are transparent, and the drawing is more than background.
        auto isRed = [&](int x, int y) {
            const uint8_t* p = &bmp->rgb[(y * 16 + x) * 3];
            return p[0] == 255 && p[1] == 0 && p[2] == 0;
        };
        EXPECT_TRUE(isRed(0, 0) && isRed(15, 0) && isRed(0, 15) && isRed(15, 15)) << id;
        int drawn = 0;
        for (int y = 0; y < 16; ++y) {
            for (int x = 0; x < 16; ++x) {
                drawn += isRed(x, y) ? 0 : 1;
            }
        }
        EXPECT_GT(drawn, 30) << id;
    }
}

TEST_F(LocalResourceTest, HoveredBitmapsDifferFromNormal) {
    const std::pair<UINT, UINT> pairs[] = {{1012, 1011}, {1018, 1019}, {1013, 1014}, {1015, 1016}};
    for (auto [normal, hot] : pairs) {
        const auto* a = afx::FindResourceBitmap(normal);
        const auto* b = afx::FindResourceBitmap(hot);
        ASSERT_TRUE(a && b);
        EXPECT_NE(a->rgb, b->rgb) << normal;
    }
}

} // namespace
