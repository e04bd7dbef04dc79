// SPDX-License-Identifier: Apache-2.0
// Kept parts of downloads: which ranges continue one, and which notes and parts are the
// component's own.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "DownloadLog.h"
#include "PartialDownload.h"

TEST(PartialDownload, OnlyTheExactRestOfTheSameVersionContinuesAPart) {
    EXPECT_TRUE(partial::IsRestOf("bytes 100-199/200", 100, 200));
    EXPECT_TRUE(partial::IsRestOf("Bytes 100-199/200", 100, 200));
    for (const char* range :
         {"bytes 100-199/*", "bytes 100-198/200", "bytes 100-199/201", "bytes 100-200/201",
          "bytes 0-199/200", "bytes 101-199/200", "bytes 100-99/200", "items 100-199/200",
          "bytes 100-199", "bytes -100-199/200", "bytes 100-199/99999999999999999999999",
          "bytes 100-199/200 ", "bytes 100-199/200x"}) {
        EXPECT_FALSE(partial::IsRestOf(range, 100, 200)) << range;
    }
    EXPECT_FALSE(partial::IsRestOf(nullptr, 100, 200));
    EXPECT_FALSE(partial::IsRestOf("bytes 200-199/200", 200, 200));
    // A weak ETag cannot guard a range.
    const char* date = "Tue, 08 Dec 2026 10:00:00 GMT";
    EXPECT_EQ(partial::ValidatorOf("\"v1\"", date), "\"v1\"");
    EXPECT_EQ(partial::ValidatorOf("W/\"v1\"", date), date);
    EXPECT_EQ(partial::ValidatorOf(nullptr, nullptr), "");
    EXPECT_TRUE(partial::IsSameVersion("\"v1\"", "\"v1\"", nullptr));
    EXPECT_FALSE(partial::IsSameVersion("\"v1\"", "\"v2\"", date));
    EXPECT_FALSE(partial::IsSameVersion("\"v1\"", nullptr, date));
    EXPECT_FALSE(partial::IsSameVersion("\"v1\"", "W/\"v1\"", nullptr));
    EXPECT_TRUE(partial::IsSameVersion(date, "\"v9\"", date));
    EXPECT_FALSE(partial::IsSameVersion(date, nullptr, "Wed, 09 Dec 2026 10:00:00 GMT"));
    EXPECT_FALSE(partial::IsSameVersion("", nullptr, nullptr));
}

namespace {

class Sweep : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/docshelf-sweep-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = std::string(pattern) + "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    void Write(const std::string& name, const std::string& text, int ageSeconds) const {
        std::ofstream(dir + name) << text;
        std::filesystem::last_write_time(dir + name, std::filesystem::file_time_type::clock::now() -
                                                         std::chrono::seconds(ageSeconds));
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(dir + name); }

    std::string dir;
};

constexpr int kDays = 24 * 60 * 60;
const std::string kNote = "server\t%2Fdav%2Fa\nvalidator\t%22v1%22\nlength\t10\n";

} // namespace

TEST_F(Sweep, RemovesOnlyWhatTheComponentMadeAndKeptPartsOnlyWithTheirNote) {
    // A user's hidden files in the shapes of temporary names, old ones among them.
    const char* users[] = {".notes.backup.part", ".Report.Draft1.PART", ".cv.pdf.resume.part",
                           ".letter.resume.part.resume", ".x.abc123.part"};
    for (const char* user : users) {
        Write(user, "the user's", 2 * kDays);
    }
    Write(".a.docshelf-0123456789.part", "stale", 11 * 60);
    Write(".b.docshelf-0123456789.part", "being written", 60);
    Write(".c.docshelf-kept.part", "kept", 2 * kDays);
    Write(".c.docshelf-kept.part.note", kNote, 60);
    Write(".d.docshelf-kept.part", "kept", 60);
    Write(".d.docshelf-kept.part.note", kNote, 2 * kDays);
    Write(".e.docshelf-kept.part.note", kNote, 60);
    Write(".f.docshelf-kept.part", "its note is gone", 2 * kDays);
    // An older version's kept part, known by its note.
    Write(".g.resume.part", "old", 60);
    Write(".g.resume.part.resume", kNote, 60);
    partial::Sweep(dir);
    for (const char* user : users) {
        EXPECT_TRUE(Exists(user)) << user;
    }
    EXPECT_FALSE(Exists(".a.docshelf-0123456789.part"));
    EXPECT_TRUE(Exists(".b.docshelf-0123456789.part"));
    EXPECT_TRUE(Exists(".c.docshelf-kept.part"));
    EXPECT_TRUE(Exists(".c.docshelf-kept.part.note"));
    EXPECT_FALSE(Exists(".d.docshelf-kept.part"));
    EXPECT_FALSE(Exists(".d.docshelf-kept.part.note"));
    EXPECT_FALSE(Exists(".e.docshelf-kept.part.note"));
    EXPECT_TRUE(Exists(".f.docshelf-kept.part"));
    EXPECT_FALSE(Exists(".g.resume.part"));
    EXPECT_FALSE(Exists(".g.resume.part.resume"));
}
