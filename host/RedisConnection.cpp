// SPDX-License-Identifier: Apache-2.0
#include "RedisConnection.h"

#include <hiredis/hiredis.h>
#include <poll.h>
#include <strings.h>

#include <vector>

#include "MeetingAddress.h"

namespace {
timeval ToTimeval(int ms) {
    return timeval{ms / 1000, (ms % 1000) * 1000};
}

bool IsArrayOf(const redisReply* pReply, size_t minElements) {
    return pReply != nullptr && pReply->type == REDIS_REPLY_ARRAY &&
           pReply->elements >= minElements;
}

// An error reply begins with its code: "WRONGPASS", "NOAUTH", "ERR".
constexpr const char kErrorCodeChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";

// A host name, an IPv4 address or an IPv6 address, as a Sentinel names a server.
bool IsHostText(const std::string& text) {
    return !text.empty() && text.size() <= 253 &&
           text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                  "0123456789.-:") == std::string::npos;
}

bool ElementIs(const redisReply* pReply, size_t index, const char* pszText) {
    const redisReply* e = pReply->element[index];
    return (e->type == REDIS_REPLY_STRING || e->type == REDIS_REPLY_STATUS) &&
           strcasecmp(e->str, pszText) == 0;
}
} // namespace

bool CRedisConnection::Open(const MeetingAddress& address, const std::string& password,
                            int timeoutMs, std::string& error) {
    if (address.UsesSentinels())
        return OpenPrimary(address, password, timeoutMs, error);
    return OpenEndpoint({address.host, address.port}, password, timeoutMs, error);
}

bool CRedisConnection::OpenEndpoint(const MeetingEndpoint& endpoint, const std::string& password,
                                    int timeoutMs, std::string& error) {
    Close();
    m_pContext =
        redisConnectWithTimeout(endpoint.host.c_str(), endpoint.port, ToTimeval(timeoutMs));
    if (m_pContext == nullptr) {
        error = "out of memory";
        return false;
    }
    if (m_pContext->err != 0)
        return Fail("connect", error);
    if (redisSetTimeout(m_pContext, ToTimeval(timeoutMs)) != REDIS_OK)
        return Fail("set timeout", error);
    redisEnableKeepAlive(m_pContext);
    if (password.empty())
        return true;
    void* pReply = Command({"AUTH", password}, error);
    freeReplyObject(pReply);
    return pReply != nullptr;
}

bool CRedisConnection::OpenPrimary(const MeetingAddress& address, const std::string& password,
                                   int timeoutMs, std::string& error) {
    std::string why = "no Sentinel answered";
    for (const MeetingEndpoint& sentinel : address.sentinels) {
        MeetingEndpoint primary;
        bool named = OpenEndpoint(sentinel, password, timeoutMs, error) &&
                     AskPrimary(address.service, primary, error);
        Close();
        if (!named) {
            why = "Sentinel " + sentinel.host + ":" + std::to_string(sentinel.port) + ": " + error;
            continue;
        }
        if (OpenEndpoint(primary, password, timeoutMs, error) && IsPrimary(error))
            return true;
        Close();
        // A Sentinel cut off from the others may still name the old primary.
        why = "the primary " + primary.host + ":" + std::to_string(primary.port) +
              " a Sentinel names: " + error;
    }
    error = why;
    return false;
}

bool CRedisConnection::AskPrimary(const std::string& service, MeetingEndpoint& primary,
                                  std::string& error) {
    auto* pReply =
        static_cast<redisReply*>(Command({"SENTINEL", "get-master-addr-by-name", service}, error));
    if (pReply == nullptr)
        return false;
    bool ok = IsArrayOf(pReply, 2) && pReply->element[0]->type == REDIS_REPLY_STRING &&
              pReply->element[1]->type == REDIS_REPLY_STRING;
    if (ok) {
        primary.host.assign(pReply->element[0]->str, pReply->element[0]->len);
        std::string port(pReply->element[1]->str, pReply->element[1]->len);
        // What a Sentinel says is checked as any input: a host name or address, and a port.
        ok = IsHostText(primary.host) && ParseMeetingPort(port, primary.port);
    }
    if (!ok)
        error = pReply->type == REDIS_REPLY_NIL ? "it knows no service " + service
                                                : "unexpected answer to SENTINEL";
    freeReplyObject(pReply);
    return ok;
}

bool CRedisConnection::IsPrimary(std::string& error) {
    auto* pReply = static_cast<redisReply*>(Command({"ROLE"}, error));
    if (pReply == nullptr)
        return false;
    bool ok = IsArrayOf(pReply, 1) && ElementIs(pReply, 0, "master");
    if (!ok)
        error = "not a primary (yet)";
    freeReplyObject(pReply);
    return ok;
}

void CRedisConnection::Close() {
    if (m_pContext != nullptr) {
        redisFree(m_pContext);
        m_pContext = nullptr;
    }
}

bool CRedisConnection::Fail(const char* what, std::string& error) {
    error = std::string(what) + ": " +
            (m_pContext != nullptr && m_pContext->err != 0 ? m_pContext->errstr : "no answer");
    Close();
    return false;
}

void* CRedisConnection::Command(std::initializer_list<std::string> args, std::string& error) {
    if (m_pContext == nullptr) {
        error = "not connected";
        return nullptr;
    }
    std::vector<const char*> argv;
    std::vector<size_t> lengths;
    for (const std::string& arg : args) {
        argv.push_back(arg.data());
        lengths.push_back(arg.size());
    }
    void* pReply =
        redisCommandArgv(m_pContext, static_cast<int>(argv.size()), argv.data(), lengths.data());
    if (pReply == nullptr) {
        Fail(args.begin()->c_str(), error);
        return nullptr;
    }
    auto* pTyped = static_cast<redisReply*>(pReply);
    if (pTyped->type == REDIS_REPLY_ERROR) {
        error = Refusal(*args.begin(), std::string(pTyped->str, pTyped->len));
        freeReplyObject(pReply);
        return nullptr;
    }
    return pReply;
}

std::string CRedisConnection::Refusal(const std::string& command, const std::string& reply) {
    std::string code = reply.substr(0, reply.find(' '));
    if (code.empty() || code.size() > 16 || code.find_first_not_of(kErrorCodeChars) != code.npos)
        code = "ERR";
    if (command == "AUTH") {
        Close();
        return "the meeting server refused DOCSHELF_MEETING_PASSWORD: " + code;
    }
    if (code == "NOAUTH") {
        Close();
        return "the meeting server wants a password: set DOCSHELF_MEETING_PASSWORD";
    }
    return "refused: " + reply;
}

bool CRedisConnection::Publish(const std::string& channel, const std::string& text,
                               std::string& error) {
    void* pReply = Command({"PUBLISH", channel, text}, error);
    freeReplyObject(pReply);
    return pReply != nullptr;
}

bool CRedisConnection::CountSubscribers(const std::string& channel, long long& count,
                                        std::string& error) {
    auto* pReply = static_cast<redisReply*>(Command({"PUBSUB", "NUMSUB", channel}, error));
    bool ok = IsArrayOf(pReply, 2) && pReply->element[1]->type == REDIS_REPLY_INTEGER;
    if (ok)
        count = pReply->element[1]->integer;
    else if (pReply != nullptr)
        error = "unexpected answer to PUBSUB NUMSUB";
    freeReplyObject(pReply);
    return ok;
}

bool CRedisConnection::Subscribe(const std::string& channel, std::string& error) {
    auto* pReply = static_cast<redisReply*>(Command({"SUBSCRIBE", channel}, error));
    bool ok = IsArrayOf(pReply, 3) && ElementIs(pReply, 0, "subscribe");
    if (!ok && pReply != nullptr)
        error = "unexpected answer to SUBSCRIBE";
    freeReplyObject(pReply);
    return ok;
}

bool CRedisConnection::SendPing(std::string& error) {
    if (m_pContext == nullptr) {
        error = "not connected";
        return false;
    }
    // Queued only: the pong arrives through Read like any message.
    if (redisAppendCommand(m_pContext, "PING") != REDIS_OK)
        return Fail("ping", error);
    int done = 0;
    while (!done) {
        if (redisBufferWrite(m_pContext, &done) != REDIS_OK)
            return Fail("ping", error);
    }
    return true;
}

CRedisConnection::Event CRedisConnection::Read(int waitMs, std::string& message,
                                               std::string& error) {
    if (m_pContext == nullptr) {
        error = "not connected";
        return Event::Failed;
    }
    void* pReply = nullptr;
    if (redisGetReplyFromReader(m_pContext, &pReply) != REDIS_OK) {
        Fail("read", error);
        return Event::Failed;
    }
    if (pReply == nullptr) {
        pollfd pfd{m_pContext->fd, POLLIN, 0};
        int ready = poll(&pfd, 1, waitMs);
        if (ready == 0)
            return Event::Nothing;
        if (ready < 0)
            return Event::Nothing; // interrupted; the caller loops
        if (redisBufferRead(m_pContext) != REDIS_OK ||
            redisGetReplyFromReader(m_pContext, &pReply) != REDIS_OK) {
            Fail("read", error);
            return Event::Failed;
        }
        if (pReply == nullptr)
            return Event::Nothing; // part of a reply so far
    }
    auto* pTyped = static_cast<redisReply*>(pReply);
    Event event = Event::Nothing;
    if (IsArrayOf(pTyped, 3) && ElementIs(pTyped, 0, "message") &&
        pTyped->element[2]->type == REDIS_REPLY_STRING) {
        message.assign(pTyped->element[2]->str, pTyped->element[2]->len);
        event = Event::Message;
    } else if (IsArrayOf(pTyped, 1) && ElementIs(pTyped, 0, "pong")) {
        event = Event::Pong;
    }
    freeReplyObject(pReply);
    return event;
}
