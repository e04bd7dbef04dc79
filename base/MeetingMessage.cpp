// SPDX-License-Identifier: Apache-2.0
#include "MeetingMessage.h"

#include <strings.h>

#include <vector>

#include "DSProtocol.h"
#include "InvisibleText.h"
#include "LocalResource.h"
#include "ResourceIds.h"

namespace ds {
namespace {

bool HasControlBytes(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7F) {
            return true;
        }
    }
    // Nor what would reorder or hide a name: no component writes them into a notice.
    return HasInvisible(text);
}

bool IsKeyword(std::string_view text, const char* keyword) {
    return text.size() == std::char_traits<char>::length(keyword) &&
           strncasecmp(text.data(), keyword, text.size()) == 0;
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

// The NAME of "AUTHOR<middle>NAME" for a template "%s<middle>%s": an author before, a plain
// name after. Empty when the text does not follow the template.
std::string_view NoticeName(std::string_view text, const std::string& notice) {
    const size_t first = notice.find("%s");
    const size_t second = notice.find("%s", first + 2);
    if (first != 0 || second == std::string::npos || second + 2 != notice.size()) {
        return {};
    }
    const std::string middle = notice.substr(2, second - 2);
    const size_t at = text.rfind(middle);
    if (at == std::string_view::npos || at == 0) {
        return {};
    }
    const std::string_view name = text.substr(at + middle.size());
    return IsPlainName(name) ? name : std::string_view();
}

bool IsUploadNotice(std::string_view text) {
    return !UploadNoticeName(text).empty();
}

} // namespace

std::string UploadNoticeName(std::string_view text) {
    if (text.size() > kMaxMeetingMessage || HasControlBytes(text)) {
        return {};
    }
    for (const std::string& notice : LoadStringInEveryLanguage(kIdsUploadedFile)) {
        const std::string_view name = NoticeName(text, notice);
        if (!name.empty()) {
            return std::string(name);
        }
    }
    return {};
}

bool IsMeetingMessage(std::string_view text, std::string& why) {
    if (text.size() > kMaxMeetingMessage) {
        why = "longer than " + std::to_string(kMaxMeetingMessage) + " bytes";
    } else if (HasControlBytes(text)) {
        why = "control bytes or invisible characters";
    } else if (text.empty() || IsKeyword(text, kChatFilterUploaded) ||
               IsKeyword(text, kChatFilterDeleted) || IsUploadNotice(text)) {
        return true;
    } else {
        why = "not a message of the component";
    }
    return false;
}

} // namespace ds
