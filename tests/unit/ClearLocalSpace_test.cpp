// SPDX-License-Identifier: Apache-2.0
// Clearing the local save directory on a real tree.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DocShelfMgr.h"

namespace fs = std::filesystem;

namespace {

class ClearLocalSpace : public testing::Test {
protected:
    void SetUp() override {
        root = fs::temp_directory_path() /
               ("docshelf-clear-" + std::to_string(getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(root);
        fs::create_directories(root);
    }
    void TearDown() override { fs::remove_all(root); }

    static void Write(const fs::path& p, const std::string& text = "x") {
        fs::create_directories(p.parent_path());
        std::ofstream(p) << text;
    }

    fs::path root;
};

} // namespace

TEST_F(ClearLocalSpace, NoLocalDirectoryDeletesNothing) {
    CDocShelfMgr mgr;
    Write(root / "keep.txt");
    EXPECT_EQ(mgr.ClearLocalDSSpace(), 1);
    EXPECT_TRUE(fs::exists(root / "keep.txt"));
}

TEST_F(ClearLocalSpace, RemovesNestedFoldersAndHiddenFiles) {
    fs::path save = root / "save";
    Write(save / "a.txt");
    Write(save / ".hidden");
    Write(save / "sub" / "deeper" / ".also-hidden");
    Write(save / "sub" / "b.doc");
    fs::create_directories(save / "empty");
    CDocShelfMgr mgr;
    mgr.SetLocalDirectory(save.c_str());
    EXPECT_EQ(mgr.ClearLocalDSSpace(), 1);
    EXPECT_FALSE(fs::exists(save));
    EXPECT_TRUE(fs::exists(root));
}

TEST_F(ClearLocalSpace, LinksAreRemovedNotFollowed) {
    fs::path save = root / "save";
    fs::path outside = root / "outside";
    Write(outside / "precious.txt", "keep me");
    Write(outside / "inner" / "more.txt");
    Write(save / "file.txt");
    fs::create_directories(save / "sub");
    fs::create_directory_symlink(outside, save / "link-to-folder");
    fs::create_directory_symlink(outside, save / "sub" / "nested-link");
    fs::create_symlink(outside / "precious.txt", save / "link-to-file");
    fs::create_symlink(root / "nowhere", save / "dangling");

    CDocShelfMgr mgr;
    mgr.SetLocalDirectory((save.string() + "/").c_str());
    EXPECT_EQ(mgr.ClearLocalDSSpace(), 1);
    EXPECT_FALSE(fs::exists(fs::symlink_status(save)));
    std::ifstream in(outside / "precious.txt");
    std::string text;
    std::getline(in, text);
    EXPECT_EQ(text, "keep me");
    EXPECT_TRUE(fs::exists(outside / "inner" / "more.txt"));
}

TEST_F(ClearLocalSpace, PathsLongerThanAnyFixedBuffer) {
    fs::path save = root / "save";
    fs::create_directory(save);
    // Some 6000 bytes of path in all, past PATH_MAX, built one folder at a time.
    int fd = open(save.c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < 60; ++i) {
        std::string name(100, static_cast<char>('a' + i % 26));
        ASSERT_EQ(mkdirat(fd, name.c_str(), 0700), 0);
        int sub = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY);
        close(fd);
        ASSERT_GE(sub, 0);
        fd = sub;
    }
    int file = openat(fd, "bottom.txt", O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(file, 0);
    close(file);
    close(fd);

    CDocShelfMgr mgr;
    mgr.SetLocalDirectory(save.c_str());
    EXPECT_EQ(mgr.ClearLocalDSSpace(), 1);
    EXPECT_FALSE(fs::exists(save));
}

TEST_F(ClearLocalSpace, MissingDirectoryGivesZero) {
    CDocShelfMgr mgr;
    mgr.SetLocalDirectory((root / "does-not-exist").c_str());
    EXPECT_EQ(mgr.ClearLocalDSSpace(), 0);
}
