// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>
#include <vector>

#include "AfxFile.h"

namespace fs = std::filesystem;

namespace {

class AfxFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/docshelf-file-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        m_dir = templ;
    }
    void TearDown() override { fs::remove_all(m_dir); }
    std::string Path(const std::string& name) const { return m_dir + "/" + name; }

    std::string m_dir;
};

} // namespace

TEST_F(AfxFileTest, CreateTruncatesAndWritesEveryByte) {
    { std::ofstream(Path("f")) << "old content that is longer"; }
    CFile f;
    ASSERT_TRUE(
        f.Open(Path("f").c_str(), CFile::modeCreate | CFile::modeWrite | CFile::shareDenyWrite));
    std::string data(100000, 'x');
    ASSERT_TRUE(f.Write(data.data(), data.size()));
    EXPECT_EQ(f.GetLength(), 100000);
    EXPECT_EQ(f.GetFileName(), "f");
    f.Close();
    EXPECT_EQ(fs::file_size(Path("f")), 100000u);
}

TEST_F(AfxFileTest, ReadSeekAndEnd) {
    { std::ofstream(Path("r")) << "hello"; }
    CFile f;
    ASSERT_TRUE(f.Open(Path("r").c_str(), CFile::modeRead | CFile::shareDenyWrite));
    char buf[16];
    EXPECT_EQ(f.Read(buf, sizeof buf), 5);
    EXPECT_EQ(f.Read(buf, sizeof buf), 0);
    EXPECT_EQ(f.Seek(1, CFile::begin), 1);
    EXPECT_EQ(f.Read(buf, 2), 2);
    EXPECT_EQ(std::string(buf, 2), "el");
}

TEST_F(AfxFileTest, LengthIsSixtyFourBit) {
    CFile f;
    ASSERT_TRUE(f.Open(Path("big").c_str(), CFile::modeCreate | CFile::modeWrite));
    ASSERT_EQ(::truncate(Path("big").c_str(), 5LL * 1024 * 1024 * 1024), 0);
    EXPECT_EQ(f.GetLength(), 5LL * 1024 * 1024 * 1024);
}

TEST_F(AfxFileTest, FailuresAreReturnValuesWithErrno) {
    CFile f;
    errno = 0;
    EXPECT_FALSE(f.Open(Path("missing").c_str(), CFile::modeRead));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_FALSE(f.IsOpen());
    EXPECT_EQ(f.GetLength(), -1);
    EXPECT_EQ(f.Read(nullptr, 0), -1);
    EXPECT_FALSE(f.Write("x", 1));
    // A folder never opens as a file.
    EXPECT_FALSE(f.Open(m_dir.c_str(), CFile::modeRead));
    EXPECT_EQ(errno, EISDIR);
    EXPECT_FALSE(f.Open(nullptr, CFile::modeRead));
}

TEST_F(AfxFileTest, FindEnumeratesFilesFoldersAndDots) {
    std::ofstream(Path("a.txt")) << "1";
    std::ofstream(Path("noext")) << "2";
    fs::create_directory(Path("sub"));
    CFileFind ff;
    std::vector<std::string> files, dirs, dots;
    for (bool more = ff.FindFile((m_dir + "/*.*").c_str()); more;) {
        more = ff.FindNextFile();
        if (ff.IsDots()) {
            dots.push_back(ff.GetFileName());
        } else if (ff.IsDirectory()) {
            dirs.push_back(ff.GetFileName());
        } else {
            files.push_back(ff.GetFileName());
            EXPECT_EQ(ff.GetFilePath(), Path(ff.GetFileName()));
        }
    }
    std::sort(files.begin(), files.end());
    std::sort(dots.begin(), dots.end());
    EXPECT_EQ(files, (std::vector<std::string>{"a.txt", "noext"}));
    EXPECT_EQ(dirs, (std::vector<std::string>{"sub"}));
    EXPECT_EQ(dots, (std::vector<std::string>{".", ".."}));
}

TEST_F(AfxFileTest, FindInMissingFolderFindsNothing) {
    CFileFind ff;
    EXPECT_FALSE(ff.FindFile((m_dir + "/nothere/*.*").c_str()));
    EXPECT_FALSE(ff.FindNextFile());
    EXPECT_EQ(ff.GetFileName(), "");
}

TEST_F(AfxFileTest, BufferedWritesReachTheFileWholeAndInOrder) {
    CFile f;
    ASSERT_TRUE(f.Open(Path("buf").c_str(), CFile::modeCreate | CFile::modeWrite));
    f.SetWriteBuffer(1000);
    std::string expected;
    for (int i = 0; i < 500; ++i) {
        std::string chunk(static_cast<size_t>(i % 37 + 1), static_cast<char>('a' + i % 26));
        expected += chunk;
        ASSERT_TRUE(f.Write(chunk.data(), chunk.size()));
    }
    // Larger than the buffer in one go.
    std::string big(5000, 'Z');
    expected += big;
    ASSERT_TRUE(f.Write(big.data(), big.size()));
    EXPECT_TRUE(f.Close());
    std::ifstream in(Path("buf"), std::ios::binary);
    std::string got((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_TRUE(got == expected);
}

TEST_F(AfxFileTest, BufferedWriteFailureShowsAtClose) {
    // /dev/full takes the open and refuses every write with ENOSPC.
    CFile f;
    ASSERT_TRUE(f.Open("/dev/full", CFile::modeWrite));
    f.SetWriteBuffer(4096);
    EXPECT_TRUE(f.Write("abc", 3));
    errno = 0;
    EXPECT_FALSE(f.Close());
    EXPECT_EQ(errno, ENOSPC);
}
