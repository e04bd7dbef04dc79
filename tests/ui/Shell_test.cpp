// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "AfxIcon.h"
#include "AfxShell.h"

namespace fs = std::filesystem;

namespace {

// A fake opener that writes its argument to a file, and a fake MIME query that knows a
// default program for text/plain and folders only. No real program is ever started.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("ds-shell-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        opened_ = dir_ / "opened.txt";
        Script("opener", "#!/bin/sh\nprintf '%s' \"$1\" > '" + opened_.string() + ".tmp'\nmv '" +
                             opened_.string() + ".tmp' '" + opened_.string() + "'\n");
        Script("mimequery", "#!/bin/sh\ncase \"$3\" in\n  text/plain|inode/directory) echo "
                            "editor.desktop ;;\nesac\n");
        afx::SetShellCommands((dir_ / "opener").string(), (dir_ / "mimequery").string());
    }
    void TearDown() override {
        afx::SetShellCommands("", "");
        fs::remove_all(dir_);
    }
    void Script(const std::string& name, const std::string& text) {
        std::ofstream(dir_ / name) << text;
        fs::permissions(dir_ / name, fs::perms::owner_all);
    }
    std::string Touch(const std::string& name, const std::string& content) {
        std::ofstream(dir_ / name, std::ios::binary) << content;
        return (dir_ / name).string();
    }
    // The opener runs detached; wait for its trace, a bounded time.
    std::string WaitForOpened() {
        for (int i = 0; i < 500 && !fs::exists(opened_); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        std::ifstream in(opened_);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    fs::path dir_;
    fs::path opened_;
};

TEST_F(ShellTest, OpensAssociatedFileDetached) {
    std::string path = Touch("notes.txt", "hello\n");
    intptr_t rc = ShellExecute(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    EXPECT_GT(rc, 32);
    EXPECT_EQ(WaitForOpened(), path);
}

TEST_F(ShellTest, RelativePathTakenFromDirectory) {
    std::string path = Touch("rel.txt", "x\n");
    intptr_t rc = ShellExecute(nullptr, "open", "rel.txt", nullptr, dir_.c_str(), SW_SHOWNORMAL);
    EXPECT_GT(rc, 32);
    EXPECT_EQ(WaitForOpened(), path);
}

TEST_F(ShellTest, NameLikeAnOptionStaysAPath) {
    Touch("-h.txt", "x\n");
    fs::path cwd = fs::current_path();
    fs::current_path(dir_);
    intptr_t rc = ShellExecute(nullptr, "open", "-h.txt", nullptr, nullptr, SW_SHOWNORMAL);
    fs::current_path(cwd);
    EXPECT_GT(rc, 32);
    EXPECT_EQ(WaitForOpened(), "./-h.txt");
}

TEST_F(ShellTest, OpensFolder) {
    EXPECT_GT(ShellExecute(nullptr, "open", dir_.c_str(), nullptr, nullptr, SW_SHOWNORMAL), 32);
    EXPECT_EQ(WaitForOpened(), dir_.string());
}

TEST_F(ShellTest, MissingPathIsFileNotFound) {
    std::string missing = (dir_ / "gone.txt").string();
    EXPECT_EQ(ShellExecute(nullptr, "open", missing.c_str(), nullptr, nullptr, SW_SHOWNORMAL),
              SE_ERR_FNF);
    EXPECT_EQ(ShellExecute(nullptr, "open", "", nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_FNF);
    EXPECT_EQ(ShellExecute(nullptr, "open", nullptr, nullptr, nullptr, SW_SHOWNORMAL), SE_ERR_FNF);
    EXPECT_FALSE(fs::exists(opened_));
}

TEST_F(ShellTest, TypeWithoutProgramIsNoAssociation) {
    std::string path = Touch("data.zzqq", std::string("\x01\x02\x03\x00\xff", 5));
    EXPECT_EQ(ShellExecute(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL),
              SE_ERR_NOASSOC);
    EXPECT_EQ(ShellExecute(nullptr, "print", Touch("p.txt", "x").c_str(), nullptr, nullptr,
                           SW_SHOWNORMAL),
              SE_ERR_NOASSOC);
    EXPECT_FALSE(fs::exists(opened_));
}

TEST_F(ShellTest, MissingOpenerIsNoAssociation) {
    afx::SetShellCommands((dir_ / "no-opener").string(), (dir_ / "mimequery").string());
    std::string path = Touch("notes.txt", "hello\n");
    EXPECT_EQ(ShellExecute(nullptr, "open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL),
              SE_ERR_NOASSOC);
}

// Icons: taken on the UI thread from the theme, off it from the bundled set.
std::vector<uint32_t> IconPixels(const char* name, DWORD attributes) {
    SHFILEINFO info{};
    if (SHGetFileInfo(name, attributes, &info, sizeof info, 0x711) == 0) {
        return {};
    }
    const afx::IconImage* img = afx::GetIconImage(info.hIcon);
    std::vector<uint32_t> pixels = img ? img->argb : std::vector<uint32_t>{};
    if (img && (img->width != 16 || img->height != 16)) {
        pixels.clear();
    }
    DestroyIcon(info.hIcon);
    return pixels;
}

std::vector<uint32_t> BundledPixels(const char* name) {
    return std::async(std::launch::async, [name] { return IconPixels(name, 0x80); }).get();
}

void SaveIcon(const std::vector<uint32_t>& px, const std::string& name) {
    QImage img(reinterpret_cast<const uchar*>(px.data()), 16, 16, QImage::Format_ARGB32);
#ifdef DOCSHELF_UI_SHOT_DIR
    const QString dir = QStringLiteral(DOCSHELF_UI_SHOT_DIR);
#else
    const QString dir = QStringLiteral("screenshots");
#endif
    QDir().mkpath(dir);
    img.scaled(64, 64).save(dir + QStringLiteral("/") + QString::fromStdString(name));
}

bool Opaque(const std::vector<uint32_t>& px) {
    int opaque = 0;
    for (uint32_t p : px) {
        opaque += (p >> 24) > 0x80 ? 1 : 0;
    }
    return opaque > 40;
}

TEST(FileIcons, KnownExtensionFromTheTheme) {
    auto text = IconPixels("*.txt", 0x80);
    auto plain = BundledPixels("");
    ASSERT_EQ(text.size(), 256u);
    ASSERT_EQ(plain.size(), 256u);
    SaveIcon(text, "icon-txt.png");
    EXPECT_TRUE(Opaque(text));
    EXPECT_NE(text, plain); // the theme's, not the bundled one
    auto png = IconPixels("*.png", 0x80);
    EXPECT_NE(png, text); // a different type, a different icon
}

TEST(FileIcons, FolderForStarDot) {
    auto folder = IconPixels("*.", 0x80);
    auto byAttribute = IconPixels("anything", afx::kFileAttributeDirectory);
    auto text = IconPixels("*.txt", 0x80);
    ASSERT_EQ(folder.size(), 256u);
    SaveIcon(folder, "icon-folder.png");
    EXPECT_TRUE(Opaque(folder));
    EXPECT_EQ(folder, byAttribute);
    EXPECT_NE(folder, text);
}

TEST(FileIcons, UnknownExtensionStillHasAnIcon) {
    auto unknown = IconPixels("*.zzqq", 0x80);
    ASSERT_EQ(unknown.size(), 256u);
    EXPECT_TRUE(Opaque(unknown));
}

TEST(FileIcons, BundledFallbackOffTheUiThread) {
    auto file = BundledPixels("*.txt");
    auto folder = BundledPixels("*.");
    ASSERT_EQ(file.size(), 256u);
    ASSERT_EQ(folder.size(), 256u);
    SaveIcon(file, "icon-bundled-file.png");
    SaveIcon(folder, "icon-bundled-folder.png");
    EXPECT_TRUE(Opaque(file));
    EXPECT_TRUE(Opaque(folder));
    EXPECT_NE(file, folder);
}

} // namespace
