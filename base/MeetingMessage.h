// SPDX-License-Identifier: Apache-2.0
// The messages of a meeting: anyone in the room can send anything, so the component acts only
// on a message that it or another participant's component could have sent.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace ds {

// A longer message is not one of ours: a notice holds an author and a file name of at most a
// few hundred bytes.
inline constexpr size_t kMaxMeetingMessage = 1024;

// Empty (a deleted file), one of the chat filter messages in any letter case, or an upload
// notice in either language naming a plain file name. False with the reason otherwise.
bool IsMeetingMessage(std::string_view text, std::string& why);

// The file an upload notice names, a plain name; empty for any other text.
std::string UploadNoticeName(std::string_view text);

} // namespace ds
