// SPDX-License-Identifier: Apache-2.0
// Where a meeting lives: a Redis server, or the Sentinels that name the primary of a Redis
// service that fails over, and the room's name.
#pragma once

#include <string>
#include <vector>

struct MeetingEndpoint {
    std::string host;
    int port = 0;
};

struct MeetingAddress {
    // The server itself (redis://); with Sentinels, the primary they name is asked each time.
    std::string host;
    int port = 6379;
    // redis-sentinel://: asked in turn for the primary of service.
    std::vector<MeetingEndpoint> sentinels;
    std::string service;
    std::string room;

    bool UsesSentinels() const { return !sentinels.empty(); }
    // The publish/subscribe channel every participant of the room shares.
    std::string Channel() const { return "docshelf:" + room; }
    // "redis://HOST:PORT/ROOM" or "redis-sentinel://HOST:PORT,.../SERVICE/ROOM", for titles and
    // log lines.
    std::string Text() const;

    // Parses "redis://HOST[:PORT]/ROOM" or "redis-sentinel://HOST[:PORT][,HOST[:PORT]...]/
    // SERVICE/ROOM" (Sentinels on port 26379 unless given); the room and the service are one
    // non-empty path segment of letters, digits and "-_.". User information ('@') is refused:
    // the password comes from the environment.
    static bool Parse(const std::string& url, MeetingAddress& address, std::string& error);
};

// "1" to "65535" as a port number.
bool ParseMeetingPort(const std::string& text, int& port);

// The largest number of Sentinels one address may name.
inline constexpr size_t kMaxSentinels = 16;
