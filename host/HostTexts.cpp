// SPDX-License-Identifier: Apache-2.0
#include "HostTexts.h"

#include <cstdlib>
#include <strings.h>

namespace {

struct TextPair {
    const char* english;
    const char* chinese;
};

// In the order of HostText.
constexpr TextPair kTexts[] = {
    {"&File", "文件(&F)"},
    {"&Upload file...", "上传文件(&U)..."},
    {"&Refresh folder", "刷新目录(&R)"},
    {"Clear the &transfer list", "清空上传/下载记录(&T)"},
    {"Clear the &local folder...", "清空本地目录(&L)..."},
    {"Remove every file of the local save directory?", "删除本地保存目录中的所有文件吗？"},
    {"&Quit", "退出(&Q)"},
    {"&View", "查看(&V)"},
    {"&Container calls", "容器调用(&C)"},
    {"&Language (restarts)", "语言(&L)（重新启动）"},
    {"Meeting: connecting...", "会议：正在连接..."},
    {"Meeting: joined", "会议：已加入"},
    {"Meeting: connection lost (%1), retrying...", "会议：连接已断开（%1），正在重试..."},
};
static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == static_cast<size_t>(HostText::MeetingLost) + 1,
              "one text pair per HostText");

// The same variables, in the same order, as the component reads its language from.
bool IsChinese() {
    for (const char* var : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(var);
        if (value != nullptr && *value != '\0')
            return strncasecmp(value, "zh_CN", 5) == 0;
    }
    return false;
}

} // namespace

QString Text(HostText id) {
    static const bool chinese = IsChinese();
    const TextPair& pair = kTexts[static_cast<size_t>(id)];
    return QString::fromUtf8(chinese ? pair.chinese : pair.english);
}
