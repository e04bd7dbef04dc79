#include "MeetingMessage.h"

#include <strings.h>

#include <vector>

#include "DSProtocol.h"
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
    return false;
}

bool IsKeyword(std::string_view text, const char* keyword) {
    return text.size() == std::char_traits<char>::length(keyword) &&
           strncasecmp(text.data(), keyword, text.size()) == 0;
}

bool IsPlainName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of("/\\") == std::string_view::npos;
}

// "AUTHOR<middle>NAME" for a template "%s<middle>%s": an author before, a plain name after.
bool FollowsNotice(std::string_view text, const std::string& notice) {
    const size_t first = notice.find("%s");
    const size_t second = notice.find("%s", first + 2);
    if (first != 0 || second == std::string::npos || second + 2 != notice.size()) {
        return false;
    }
    const std::string middle = notice.substr(2, second - 2);
    const size_t at = text.rfind(middle);
    return at != std::string_view::npos && at > 0 && IsPlainName(text.substr(at + middle.size()));
}

bool IsUploadNotice(std::string_view text) {
    for (const std::string& notice : LoadStringInEveryLanguage(kIdsUploadedFile)) {
        if (FollowsNotice(text, notice)) {
            return true;
        }
    }
    return false;
}

} // namespace

bool IsMeetingMessage(std::string_view text, std::string& why) {
    if (text.size() > kMaxMeetingMessage) {
        why = "longer than " + std::to_string(kMaxMeetingMessage) + " bytes";
    } else if (HasControlBytes(text)) {
        why = "control bytes";
    } else if (text.empty() || IsKeyword(text, kChatFilterUploaded) ||
               IsKeyword(text, kChatFilterDeleted) || IsUploadNotice(text)) {
        return true;
    } else {
        why = "not a message of the component";
    }
    return false;
}

} // namespace ds
