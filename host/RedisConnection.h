// SPDX-License-Identifier: Apache-2.0
// One blocking connection to the meeting's Redis server, every wait bounded.
#pragma once

#include <string>

struct MeetingAddress;
struct MeetingEndpoint;
struct redisContext;

class CRedisConnection {
public:
    CRedisConnection() = default;
    ~CRedisConnection() { Close(); }
    CRedisConnection(const CRedisConnection&) = delete;
    CRedisConnection& operator=(const CRedisConnection&) = delete;

    // Connects with a bound on the connect and on every later command, and authenticates with
    // password unless it is empty. A refused password closes the connection again. With
    // Sentinels, each is asked in turn (with the same password) for the service's primary,
    // and the connection is made to it only when it answers that it is the primary.
    bool Open(const MeetingAddress& address, const std::string& password, int timeoutMs,
              std::string& error);
    void Close();
    bool IsOpen() const { return m_pContext != nullptr; }

    bool Publish(const std::string& channel, const std::string& text, std::string& error);
    // How many connections are subscribed to the channel.
    bool CountSubscribers(const std::string& channel, long long& count, std::string& error);
    // Turns this connection into a subscriber of the channel.
    bool Subscribe(const std::string& channel, std::string& error);
    // Subscribed connections only: asks for a pong to prove the server still answers.
    bool SendPing(std::string& error);

    enum class Event { Message, Pong, Nothing, Failed };
    // Subscribed connections only: waits up to waitMs for the next message or pong.
    Event Read(int waitMs, std::string& message, std::string& error);

private:
    bool OpenEndpoint(const MeetingEndpoint& endpoint, const std::string& password, int timeoutMs,
                      std::string& error);
    bool OpenPrimary(const MeetingAddress& address, const std::string& password, int timeoutMs,
                     std::string& error);
    // Sentinel connections: the address of the service's primary as this Sentinel knows it.
    bool AskPrimary(const std::string& service, MeetingEndpoint& primary, std::string& error);
    // Whether the server says it is a primary; a replica is no place to publish.
    bool IsPrimary(std::string& error);
    // Sends a command of binary-safe arguments and takes its reply; null on failure.
    void* Command(std::initializer_list<std::string> args, std::string& error);
    bool Fail(const char* what, std::string& error);
    // The error for a server's error reply to command. The words of a refused AUTH are not
    // repeated, as they may echo the password. A refused or missing password closes the
    // connection, so the caller retries it as a lost one.
    std::string Refusal(const std::string& command, const std::string& reply);

    redisContext* m_pContext = nullptr;
};
