// SPDX-License-Identifier: Apache-2.0
#include "MeetingAddress.h"

#include <cstdlib>

namespace {
constexpr const char kScheme[] = "redis://";
constexpr const char kSentinelScheme[] = "redis-sentinel://";
constexpr int kRedisPort = 6379;
constexpr int kSentinelPort = 26379;

bool IsNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_' || c == '.';
}

bool IsName(const std::string& text) {
    if (text.empty())
        return false;
    for (char c : text) {
        if (!IsNameChar(c))
            return false;
    }
    return true;
}

// "HOST[:PORT]"; the port is left as given when none is written.
bool ParseEndpoint(const std::string& text, MeetingEndpoint& endpoint) {
    size_t colon = text.rfind(':');
    endpoint.host = text.substr(0, colon);
    return !endpoint.host.empty() &&
           (colon == std::string::npos || ParseMeetingPort(text.substr(colon + 1), endpoint.port));
}

bool ParseSentinels(const std::string& list, std::vector<MeetingEndpoint>& sentinels) {
    size_t start = 0;
    while (sentinels.size() < kMaxSentinels) {
        size_t comma = list.find(',', start);
        MeetingEndpoint endpoint{{}, kSentinelPort};
        if (!ParseEndpoint(list.substr(start, comma - start), endpoint))
            return false;
        sentinels.push_back(endpoint);
        if (comma == std::string::npos)
            return true;
        start = comma + 1;
    }
    return false;
}

std::string EndpointText(const std::string& host, int port) {
    return host + ":" + std::to_string(port);
}

bool ParseSentinelUrl(const std::string& rest, MeetingAddress& parsed) {
    size_t first = rest.find('/');
    size_t second = first == std::string::npos ? first : rest.find('/', first + 1);
    if (second == std::string::npos)
        return false;
    parsed.service = rest.substr(first + 1, second - first - 1);
    parsed.room = rest.substr(second + 1);
    return IsName(parsed.service) && IsName(parsed.room) &&
           ParseSentinels(rest.substr(0, first), parsed.sentinels);
}

bool ParseServerUrl(const std::string& rest, MeetingAddress& parsed) {
    size_t slash = rest.find('/');
    if (slash == std::string::npos)
        return false;
    MeetingEndpoint server{{}, kRedisPort};
    if (!ParseEndpoint(rest.substr(0, slash), server))
        return false;
    parsed.host = server.host;
    parsed.port = server.port;
    parsed.room = rest.substr(slash + 1);
    return IsName(parsed.room);
}
} // namespace

bool ParseMeetingPort(const std::string& text, int& port) {
    if (text.empty() || text.size() > 5 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::atoi(text.c_str());
    return port > 0 && port <= 65535;
}

std::string MeetingAddress::Text() const {
    if (!UsesSentinels())
        return std::string(kScheme) + EndpointText(host, port) + "/" + room;
    std::string text = kSentinelScheme;
    for (size_t i = 0; i < sentinels.size(); ++i)
        text += (i == 0 ? "" : ",") + EndpointText(sentinels[i].host, sentinels[i].port);
    return text + "/" + service + "/" + room;
}

bool MeetingAddress::Parse(const std::string& url, MeetingAddress& address, std::string& error) {
    // A room name never holds '@', so one anywhere means user information; the address is not
    // repeated, since it would show the password.
    if (url.find('@') != std::string::npos) {
        error = "--meeting takes no user or password (redis://HOST:PORT/ROOM); "
                "set DOCSHELF_MEETING_PASSWORD instead";
        return false;
    }
    MeetingAddress parsed;
    bool ok = false;
    if (url.rfind(kSentinelScheme, 0) == 0) {
        error = "bad --meeting (redis-sentinel://HOST:PORT[,HOST:PORT...]/SERVICE/ROOM): " + url;
        ok = ParseSentinelUrl(url.substr(sizeof(kSentinelScheme) - 1), parsed);
    } else {
        error = "bad --meeting (redis://HOST:PORT/ROOM): " + url;
        ok = url.rfind(kScheme, 0) == 0 && ParseServerUrl(url.substr(sizeof(kScheme) - 1), parsed);
    }
    if (!ok)
        return false;
    address = parsed;
    error.clear();
    return true;
}
