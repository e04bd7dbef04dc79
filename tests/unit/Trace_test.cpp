// SPDX-License-Identifier: Apache-2.0
// The log functions and CoreLib's log sink.

#include <gtest/gtest.h>

#include <string>

#include "CoreLib.h"
#include "LogCapture.h"
#include "Trace.h"

TEST(Trace, LevelsReachTheSink) {
    CLogCapture log;
    TraceAssert("a %d", 1);
    TraceError("e %s", "x");
    TraceInfo("i");
    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].level, 16);
    EXPECT_EQ(lines[0].text, "a 1");
    EXPECT_EQ(lines[1].level, 8);
    EXPECT_EQ(lines[1].text, "e x");
    EXPECT_EQ(lines[2].level, 4);
    EXPECT_EQ(lines[2].text, "i");
}

TEST(Trace, LongTextIsCutAt1023Characters) {
    CLogCapture log;
    std::string longText(5000, 'x');
    TraceInfo("%s", longText.c_str());
    TraceError("%s-tail", std::string(1020, 'y').c_str());
    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].text, std::string(1023, 'x'));
    EXPECT_EQ(lines[1].text, std::string(1020, 'y') + "-ta");
}

// A name from a server or a meeting message cannot start a line of its own.
TEST(Trace, ControlCharactersAreEscapedAndOneCallIsOneLine) {
    CLogCapture log;
    TraceInfo("message %s", "hi\n[8] dshelf - forged\r\x1b[2J\x7f");
    TraceError("Request failed: %s\n", "gone");
    TraceInfo("%s", std::string(600, '\n').c_str());
    auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].text, "message hi\\x0A[8] dshelf - forged\\x0D\\x1B[2J\\x7F");
    EXPECT_EQ(lines[1].text, "Request failed: gone");
    EXPECT_EQ(lines[2].text, "");
    TraceInfo("%s\x01", std::string(1020, 'z').c_str());
    EXPECT_EQ(log.Lines().back().text.size(), 1023u);
    // A name that would read backwards reads as it is; the text around it keeps its letters.
    TraceInfo("file %s", "\xE2\x80\xAEtxt.exe \xE2\x80\xA8 \xC2\x85 r\xC3\xA9sum\xC3\xA9");
    EXPECT_EQ(log.Lines().back().text, "file \\u202Etxt.exe \\u2028 \\u0085 r\xC3\xA9sum\xC3\xA9");
}

TEST(Trace, AssertionLineFormat) {
    CLogCapture log;
    ReportAssert("DocShelfMgr", 183, "LocalPath");
    ASSERT_EQ(log.Lines().size(), 1u);
    EXPECT_EQ(log.Lines()[0].text, "Assert failed: file=DocShelfMgr line=183 expr=LocalPath");
}

TEST(Trace, WithoutASinkOnlyErrorsAndAssertionsGoToStandardError) {
    CoreLibSetLogSink(nullptr, nullptr, 0);
    testing::internal::CaptureStderr();
    TraceInfo("quiet info");
    TraceError("loud error");
    TraceAssert("loud assert");
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(err.find("quiet info"), std::string::npos);
    EXPECT_NE(err.find("loud error"), std::string::npos);
    EXPECT_NE(err.find("loud assert"), std::string::npos);
}

TEST(Trace, MinimumLevelFilters) {
    std::vector<std::string> seen;
    CoreLibSetLogSink(
        [](void* ctx, int, int, const char* text) {
            static_cast<std::vector<std::string>*>(ctx)->push_back(text);
        },
        &seen, 8);
    TraceInfo("dropped");
    TraceError("kept");
    CoreLibSetLogSink(nullptr, nullptr, 0);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], "kept");
}
