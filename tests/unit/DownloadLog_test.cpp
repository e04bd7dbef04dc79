// SPDX-License-Identifier: Apache-2.0
// The record of the component's downloads and the names it keeps for itself.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "AfxFile.h"
#include "DownloadLog.h"

namespace {

class DownloadLogTest : public ::testing::Test {
protected:
    void SetUp() override {
        char templ[] = "/tmp/docshelf-log-XXXXXX";
        ASSERT_NE(::mkdtemp(templ), nullptr);
        dir = std::string(templ) + "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(dir + name, std::ios::binary | std::ios::trunc) << text;
    }
    void Touch(const std::string& name) {
        const auto path = dir + name;
        std::filesystem::last_write_time(path, std::filesystem::last_write_time(path) +
                                                   std::chrono::seconds(1));
    }

    std::string dir;
};

} // namespace

TEST(ComponentOwnName, CoversTheRecordAndEveryTemporaryName) {
    for (const std::string& target :
         {std::string("/d/report.txt"), std::string("/d/x"), "/d/" + std::string(300, 'n')}) {
        const std::string temp = CFile::TemporaryNameBeside(target);
        const std::string name = temp.substr(temp.find_last_of('/') + 1);
        EXPECT_TRUE(CFile::IsTemporaryName(name)) << name;
        EXPECT_TRUE(IsComponentOwnName(name)) << name;
    }
    for (const char* own : {".docshelf-downloads", ".DocShelf-Downloads", ".docshelf-downloads.new",
                            ".report.txt.docshelf-ab12cd34ef.part", ".x.docshelf-kept.part",
                            ".x.docshelf-kept.part.note"}) {
        EXPECT_TRUE(IsComponentOwnName(own)) << own;
    }
    // A user's hidden files only look like them.
    for (const char* user :
         {"report.part", ".bashrc", "docshelf-downloads", ".a.b.part", ".notes.backup.part",
          ".Report.Draft1.PART", ".cv.pdf.resume.part", ".letter.resume.part.resume",
          ".x.docshelf-ab12.PART", ".x.docshelf-AB12.part", ".x.docshelf-.part",
          ".x.docshelf-ab!2.part", "x.docshelf-ab12.part", ".x.docshelf-kept.part.resume"}) {
        EXPECT_FALSE(IsComponentOwnName(user)) << user;
    }
}

TEST_F(DownloadLogTest, AFileIsTheComponentsOnlyWhileSizeAndTimeAreAsRecorded) {
    Write("a.txt", "12345");
    Write("b.txt", "12345");
    CDownloadLog::Add(dir, "a.txt", "/dav/room/Presenter/a.txt");
    CDownloadLog::Add(dir, "b.txt", "/dav/room/Presenter/b.txt");
    EXPECT_TRUE(CDownloadLog::MayReplace(dir, "a.txt"));
    EXPECT_TRUE(CDownloadLog::MayReplace(dir, "missing.txt"));
    // Rewritten by the user with as many bytes.
    Write("b.txt", "abcde");
    Touch("b.txt");
    EXPECT_FALSE(CDownloadLog::MayReplace(dir, "b.txt"));
    Write("mine.txt", "x");
    EXPECT_FALSE(CDownloadLog::MayReplace(dir, "mine.txt"));

    const auto records = CDownloadLog::Load(dir);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records.at("a.txt").serverPath, "/dav/room/Presenter/a.txt");
    EXPECT_EQ(records.at("a.txt").size, 5u);
}

TEST_F(DownloadLogTest, LinesThatProveNothingAreLeftOut) {
    Write("a.txt", "12345");
    Write(CDownloadLog::kFileName,
          "5\ta%2Etxt\t/dav/room/Presenter/a.txt\n"       // no time
          "5\ta%2Etxt\t/dav/room/Presenter/a.txt\tsoon\n" // no number
          "x5\tb%2Etxt\t/p\t1\n"                          // no size
          "5\t%2Edocshelf%2Ddownloads\t/p\t1\n"           // its own name
          "5\t%2E%2E\t/p\t1\n"                            // not a plain name
          "99999999999999999999\tc%2Etxt\t/p\t1\n");      // past 64 bits
    EXPECT_TRUE(CDownloadLog::Load(dir).empty());
    EXPECT_FALSE(CDownloadLog::MayReplace(dir, "a.txt"));
}

// A download adds a line: N downloads cost O(N) lines written, not a record each (which was
// N^2 / 2 lines). Once the record holds well more lines than files it is written again, one
// line a file, and of the lines of a name the last counts.
TEST_F(DownloadLogTest, ADownloadAddsALineAndAGrownRecordIsWrittenAgain) {
    const auto lines = [&] {
        std::ifstream in(dir + CDownloadLog::kFileName);
        size_t n = 0;
        for (std::string line; std::getline(in, line);) {
            ++n;
        }
        return n;
    };
    constexpr size_t kFiles = 1000;
    const uint64_t before = CDownloadLog::LinesWritten();
    for (size_t i = 0; i < kFiles; ++i) {
        const std::string name = "f" + std::to_string(i);
        Write(name, "x");
        CDownloadLog::Add(dir, name, "/dav/room/Presenter/" + name);
    }
    EXPECT_LE(CDownloadLog::LinesWritten() - before, 3 * kFiles);
    EXPECT_EQ(CDownloadLog::Load(dir).size(), kFiles);

    // One file downloaded again and again: the record shrinks back to its files.
    for (size_t k = 0; k < 3 * kFiles; ++k) {
        Write("f0", std::string(k % 7 + 1, 'y'));
        CDownloadLog::Add(dir, "f0", "/dav/room/Presenter/f0");
    }
    EXPECT_LE(lines(), 3 * kFiles + CDownloadLog::kSpareLines);
    const DownloadRecords records = CDownloadLog::Load(dir);
    EXPECT_EQ(records.size(), kFiles);
    EXPECT_EQ(records.at("f0").size, (3 * kFiles - 1) % 7 + 1);
    EXPECT_TRUE(CDownloadLog::MayReplace(dir, "f0"));
}
