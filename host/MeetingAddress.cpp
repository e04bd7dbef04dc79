// SPDX-License-Identifier: Apache-2.0
#include "MeetingAddress.h"

#include <cstdlib>

namespace {
constexpr const char kScheme[] = "redis://";

bool IsRoomChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

bool ParsePort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::atoi(text.c_str());
    return port > 0 && port <= 65535;
}
} // namespace

std::string MeetingAddress::Text() const {
    return std::string(kScheme) + host + ":" + std::to_string(port) + "/" + room;
}

bool MeetingAddress::Parse(const std::string& url, MeetingAddress& address, std::string& error) {
    // A room name never holds '@', so one anywhere means user information; the address is not
    // repeated, since it would show the password.
    if (url.find('@') != std::string::npos) {
        error = "--meeting takes no user or password (redis://HOST:PORT/ROOM); "
                "set DOCSHELF_MEETING_PASSWORD instead";
        return false;
    }
    error = "bad --meeting (redis://HOST:PORT/ROOM): " + url;
    if (url.rfind(kScheme, 0) != 0)
        return false;
    std::string rest = url.substr(sizeof(kScheme) - 1);
    size_t slash = rest.find('/');
    if (slash == std::string::npos || slash == 0)
        return false;
    std::string hostPort = rest.substr(0, slash);
    std::string room = rest.substr(slash + 1);
    if (room.empty())
        return false;
    for (char c : room) {
        if (!IsRoomChar(c))
            return false;
    }
    MeetingAddress parsed;
    size_t colon = hostPort.rfind(':');
    parsed.host = hostPort.substr(0, colon);
    if (parsed.host.empty() ||
        (colon != std::string::npos && !ParsePort(hostPort.substr(colon + 1), parsed.port)))
        return false;
    parsed.room = room;
    address = parsed;
    error.clear();
    return true;
}
