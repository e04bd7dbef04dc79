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
        std::string(2000, 'A') + " uploaded file a.txt",
    };
    for (const std::string& text : dropped) {
        std::string why;
        EXPECT_FALSE(ds::IsMeetingMessage(text, why)) << text;
        EXPECT_FALSE(why.empty());
    }
}
