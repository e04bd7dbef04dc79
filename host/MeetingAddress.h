// SPDX-License-Identifier: Apache-2.0
// Where a meeting lives: a Redis server on loopback or the network, and the room's name.
#pragma once

#include <string>

struct MeetingAddress {
    std::string host;
    int port = 6379;
    std::string room;

    // The publish/subscribe channel every participant of the room shares.
    std::string Channel() const { return "docshelf:" + room; }
    // "redis://HOST:PORT/ROOM", for titles and log lines.
    std::string Text() const;

    // Parses "redis://HOST[:PORT]/ROOM"; the room is one non-empty path segment of
    // letters, digits and "-_.". User information ('@') is refused: the password comes from
    // the environment.
    static bool Parse(const std::string& url, MeetingAddress& address, std::string& error);
};
