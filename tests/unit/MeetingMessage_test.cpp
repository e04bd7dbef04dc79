// SPDX-License-Identifier: Apache-2.0
// Which texts of the meeting room the component acts on.
#include <gtest/gtest.h>

#include <string>

#include "MeetingMessage.h"

TEST(MeetingMessage, OnlyWhatAComponentSendsIsTaken) {
    const std::string taken[] = {
        "",
        "CHAT_FILTER_FILE_UPLOADED",
        "chat_filter_file_deleted",
        "Alice uploaded file notes.txt",
        "Bob uploaded file uploaded file x.txt",
        "鲍勃 上传了文件：报告.docx",
        // Joiners that scripts and emoji need stay.
        "Alice uploaded file \xF0\x9F\x91\xA8\xE2\x80\x8D\xF0\x9F\x91\xA9.png",
        "Alice uploaded file \xD9\x85\xE2\x80\x8C\xD9\x86.txt",
    };
    for (const std::string& text : taken) {
        std::string why;
        EXPECT_TRUE(ds::IsMeetingMessage(text, why)) << text << ": " << why;
    }
    const std::string dropped[] = {
        "hello",
        "CHAT_FILTER_FILE_UPLOADED ",
        std::string("CHAT_FILTER_FILE_UPLOADED\0x", 27),
        "CHAT_FILTER_FILE_UPLOADED\r\nCHAT_FILTER_FILE_DELETED",
        " uploaded file notes.txt",
        "Alice uploaded file ../../.bashrc",
        "Alice uploaded file Presenter/notes.txt",
        "Alice uploaded file ..",
        "Alice uploaded file ",
        "Alice uploaded file a\x1b[2Jb.txt",
        // What would reorder or hide a name: the right-to-left override shows "exe.txt",
        // and the others.
        "Alice uploaded file \xE2\x80\xAEtxt.exe",
        "Alice uploaded file a\xE2\x81\xA6"
        "b.txt",
        "Alice uploaded file a\xE2\x80\x8F"
        "b.txt",
        "Alice uploaded file a\xE2\x80\xA8"
        "b.txt",
        "Alice uploaded file a\xE2\x80\xA9"
        "b.txt",
        "Alice uploaded file a\xC2\x85"
        "b.txt",
        "Alice uploaded file a\xEF\xBB\xBF"
        "b.txt",
        "Alice uploaded file a\xE2\x80\x8B"
        "b.txt",
        std::string(2000, 'A') + " uploaded file a.txt",
    };
    for (const std::string& text : dropped) {
        std::string why;
        EXPECT_FALSE(ds::IsMeetingMessage(text, why)) << text;
        EXPECT_FALSE(why.empty());
    }
}
