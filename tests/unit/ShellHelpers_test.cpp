// SPDX-License-Identifier: Apache-2.0
#include "AfxShell.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "AfxIcon.h"

namespace fs = std::filesystem;

namespace {

using Args = std::vector<std::string>;

TEST(DesktopExec, FieldCodesAndQuoting) {
    EXPECT_EQ(afx::ExpandDesktopExec("gedit %U", "/tmp/a b.txt"), (Args{"gedit", "/tmp/a b.txt"}));
    EXPECT_EQ(afx::ExpandDesktopExec("\"/opt/My App/run\" --new %f %F", "/x"),
              (Args{"/opt/My App/run", "--new", "/x"}));
    EXPECT_EQ(afx::ExpandDesktopExec("viewer -i %i %c %k", "/x"), (Args{"viewer", "-i", "/x"}));
    EXPECT_EQ(afx::ExpandDesktopExec("tool --rate=100%%", "/x"),
              (Args{"tool", "--rate=100%", "/x"}));
    EXPECT_EQ(afx::ExpandDesktopExec("sh -c \"echo \\\"hi\\\"\" %f", "/x"),
              (Args{"sh", "-c", "echo \"hi\"", "/x"}));
}

TEST(DesktopExec, MalformedLinesGiveNothing) {
    EXPECT_TRUE(afx::ExpandDesktopExec("\"unterminated %f", "/x").empty());
    EXPECT_TRUE(afx::ExpandDesktopExec("   ", "/x").empty());
}

TEST(RunAndCapture, OutputStatusAndTimeout) {
    std::string out;
    EXPECT_TRUE(afx::RunAndCapture({"/bin/sh", "-c", "echo gedit.desktop"}, 5000, out));
    EXPECT_EQ(out, "gedit.desktop\n");
    EXPECT_FALSE(afx::RunAndCapture({"/bin/sh", "-c", "exit 3"}, 5000, out));
    EXPECT_FALSE(afx::RunAndCapture({"/nonexistent/program"}, 5000, out));
    EXPECT_FALSE(afx::RunAndCapture({}, 5000, out));
    // A program that hangs is killed rather than waited for.
    EXPECT_FALSE(afx::RunAndCapture({"/bin/sleep", "30"}, 100, out));
}

TEST(LaunchDetached, RefusesMissingPrograms) {
    EXPECT_FALSE(afx::LaunchDetached({"/nonexistent/opener", "/tmp"}));
    EXPECT_FALSE(afx::LaunchDetached({"no-such-program-anywhere-42", "/tmp"}));
    EXPECT_FALSE(afx::LaunchDetached({}));
    EXPECT_TRUE(afx::LaunchDetached({"true"}));
}

// Without a QApplication the bundled icons are used, so an icon always exists.
TEST(FileIcons, BundledIconsWithoutGui) {
    SHFILEINFO file{}, folder{};
    ASSERT_NE(SHGetFileInfo("", 0x80, &file, sizeof file, 0x711), 0u);
    ASSERT_NE(SHGetFileInfo("*.", 0x80, &folder, sizeof folder, 0x711), 0u);
    const afx::IconImage* a = afx::GetIconImage(file.hIcon);
    const afx::IconImage* b = afx::GetIconImage(folder.hIcon);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->width, 16);
    EXPECT_EQ(a->height, 16);
    EXPECT_NE(a->argb, b->argb);
    EXPECT_EQ(b->argb[0] >> 24, 0u); // corners are transparent
    DestroyIcon(file.hIcon);
    DestroyIcon(folder.hIcon);
}

TEST(FileIcons, TypeNameAndBadArguments) {
    SHFILEINFO info{};
    ASSERT_NE(SHGetFileInfo("*.txt", 0x80, &info, sizeof info, 0x711), 0u);
    EXPECT_STREQ(info.szDisplayName, "*.txt");
    EXPECT_GT(std::string(info.szTypeName).size(), 0u);
    EXPECT_LT(std::string(info.szTypeName).size(), sizeof info.szTypeName);
    DestroyIcon(info.hIcon);
    EXPECT_EQ(SHGetFileInfo("*.txt", 0, nullptr, sizeof info, 0x711), 0u);
    EXPECT_EQ(SHGetFileInfo("*.txt", 0, &info, 4, 0x711), 0u);
    EXPECT_EQ(SHGetFileInfo("/nonexistent/file.txt", 0, &info, sizeof info, 0x701), 0u);
}

class DesktopApps : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("ds-apps-" + std::to_string(::getpid()));
        fs::create_directories(root_ / "home/applications");
        fs::create_directories(root_ / "sys/applications");
        Save("XDG_DATA_HOME", (root_ / "home").string());
        Save("XDG_DATA_DIRS", (root_ / "sys").string());
    }
    void TearDown() override {
        for (auto& [name, value] : saved_) {
            value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
        }
        fs::remove_all(root_);
    }
    void Save(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        setenv(name.c_str(), value.c_str(), 1);
    }
    void Write(const std::string& rel, const std::string& text) {
        std::ofstream(root_ / rel) << text;
    }
    fs::path root_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

TEST_F(DesktopApps, MatchingFirstUserFolderWinsHiddenSkipped) {
    Write("sys/applications/editor.desktop",
          "[Desktop Entry]\nType=Application\nName=System Editor\nExec=sysedit %f\n"
          "MimeType=text/plain;\n");
    Write("home/applications/editor.desktop",
          "[Desktop Entry]\nType=Application\nName=My Editor\nExec=myedit %F\n"
          "MimeType=text/plain;\n");
    Write("sys/applications/viewer.desktop",
          "[Desktop Entry]\nType=Application\nName=Viewer\nExec=view %u\nMimeType=image/png;\n");
    Write("sys/applications/hidden.desktop",
          "[Desktop Entry]\nType=Application\nName=Hidden\nExec=h %f\nNoDisplay=true\n"
          "MimeType=text/plain;\n");
    Write("sys/applications/nofiles.desktop",
          "[Desktop Entry]\nType=Application\nName=Clock\nExec=clock\n");
    Write("sys/applications/link.desktop", "[Desktop Entry]\nType=Link\nName=Web\nURL=http://x\n");

    auto apps = afx::FindApplicationsForMime({"text/x-csrc", "text/plain"}, true);
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].name, "My Editor");
    EXPECT_TRUE(apps[0].forType);
    EXPECT_EQ(apps[1].name, "Viewer");
    EXPECT_FALSE(apps[1].forType);

    auto onlyMatching = afx::FindApplicationsForMime({"text/plain"}, false);
    ASSERT_EQ(onlyMatching.size(), 1u);
    EXPECT_EQ(onlyMatching[0].exec, "myedit %F");
}

} // namespace
