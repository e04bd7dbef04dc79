// SPDX-License-Identifier: Apache-2.0
#include "AfxLanguage.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

TEST(LocaleName, SimplifiedChineseOnlyForMainlandChina) {
    EXPECT_EQ(afx::LanguageFromLocaleName("zh_CN.UTF-8"), 2052);
    EXPECT_EQ(afx::LanguageFromLocaleName("zh_CN"), 2052);
    EXPECT_EQ(afx::LanguageFromLocaleName("zh_CN.GB18030"), 2052);
    EXPECT_EQ(afx::LanguageFromLocaleName("zh_CN@pinyin"), 2052);
    EXPECT_EQ(afx::LanguageFromLocaleName("zh-cn"), 2052);
    EXPECT_EQ(afx::LanguageFromLocaleName("zh_TW.UTF-8"), 1033);
    EXPECT_EQ(afx::LanguageFromLocaleName("zh"), 1033);
    EXPECT_EQ(afx::LanguageFromLocaleName("zh_CNX"), 1033);
    EXPECT_EQ(afx::LanguageFromLocaleName("en_US.UTF-8"), 1033);
    EXPECT_EQ(afx::LanguageFromLocaleName("C"), 1033);
    EXPECT_EQ(afx::LanguageFromLocaleName(""), 1033);
    EXPECT_EQ(afx::LanguageFromLocaleName(nullptr), 1033);
}

// Sets the locale variables for one test and puts the old values back.
class LocaleEnv : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* v : kVars) {
            const char* old = std::getenv(v);
            saved_.push_back(old ? std::optional<std::string>(old) : std::nullopt);
            unsetenv(v);
        }
    }
    void TearDown() override {
        for (size_t i = 0; i < 3; ++i) {
            if (saved_[i]) {
                setenv(kVars[i], saved_[i]->c_str(), 1);
            } else {
                unsetenv(kVars[i]);
            }
        }
        SetThreadUILanguageOverride(0);
    }
    static constexpr const char* kVars[3] = {"LC_ALL", "LC_MESSAGES", "LANG"};
    std::vector<std::optional<std::string>> saved_;
};

TEST_F(LocaleEnv, PrecedenceOfVariables) {
    EXPECT_EQ(GetThreadUILanguage(), 1033);
    setenv("LANG", "zh_CN.UTF-8", 1);
    EXPECT_EQ(GetThreadUILanguage(), 2052);
    setenv("LC_MESSAGES", "en_US.UTF-8", 1);
    EXPECT_EQ(GetThreadUILanguage(), 1033);
    setenv("LC_ALL", "zh_CN.UTF-8", 1);
    EXPECT_EQ(GetThreadUILanguage(), 2052);
    setenv("LC_ALL", "", 1); // empty counts as unset
    EXPECT_EQ(GetThreadUILanguage(), 1033);
}

TEST_F(LocaleEnv, OverrideWinsAndClears) {
    setenv("LANG", "zh_CN.UTF-8", 1);
    SetThreadUILanguageOverride(1033);
    EXPECT_EQ(GetThreadUILanguage(), 1033);
    SetThreadUILanguageOverride(0);
    EXPECT_EQ(GetThreadUILanguage(), 2052);
}

} // namespace
