// SPDX-License-Identifier: Apache-2.0
// A loopback HTTP/1.1 server scripted per test, for answers a real server would never give:
// refusals at a chosen step, malformed or outside answers, bodies cut short, silent or
// trickled. One request per connection unless an answer keeps it alive; every request is
// recorded for the test to look at.
#pragma once

#include <atomic>
#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class CHostileServer {
public:
    struct Request {
        std::string method;
        std::string path; // the request target as sent
        std::vector<std::pair<std::string, std::string>> headers;
        size_t bodySize = 0;
        // The value of a header (name compared without regard to case), "" when absent.
        std::string Header(const std::string& name) const;
    };

    struct Reply {
        enum Kind { Answer, Raw, CutShort, SilentAfterHead, Trickle, RawTrickle, Close, Deaf };
        Kind kind = Answer;
        int status = 200;
        std::string headers; // extra header lines, each ending in "\r\n"
        std::shared_ptr<const std::string> body = std::make_shared<const std::string>();
        size_t announced = 0;    // CutShort, SilentAfterHead: the Content-Length sent
        size_t piece = 0;        // Trickle, RawTrickle: bytes per piece
        int pauseMs = 0;         // Trickle, RawTrickle: pause between pieces
        bool bKeepAlive = false; // Answer: the connection stays for the next request
    };

    static Reply Status(int status, std::string body = "", std::string headers = "");
    // The same answer on a connection that stays open for the client's next request, as a real
    // server keeps it.
    static Reply KeptAlive(Reply answer);
    // The bytes as they are, then close.
    static Reply RawBytes(std::string bytes);
    // The head announces `announced` bytes; only the body is sent, then the connection closes.
    static Reply Cut(int status, std::string body, size_t announced);
    // The head announces `announced` bytes, then nothing until the client or the server stops.
    static Reply Silent(int status = 200, size_t announced = 1000);
    static Reply Trickled(int status, std::string body, size_t piece, int pauseMs);
    // The bytes as they are, head included, in pieces with a pause before each, then close.
    static Reply TrickledRaw(std::string bytes, size_t piece, int pauseMs);
    // Closes without answering.
    static Reply Hangup();
    // Reads the head and nothing more, not the body either: the client's sending stalls once
    // the connection's buffers are full. Holds the connection until the server stops.
    static Reply Deaf();

    // A 207 multistatus with one response per (href, props-xml) pair, each with status 200.
    static Reply Multistatus(const std::vector<std::pair<std::string, std::string>>& entries);
    static std::string MultistatusResponse(const std::string& href, const std::string& props);
    static Reply MultistatusOf(std::string responses);

    CHostileServer();
    ~CHostileServer();
    CHostileServer(const CHostileServer&) = delete;
    CHostileServer& operator=(const CHostileServer&) = delete;

    // A rule for requests whose method is `method` ("*" for any) and whose path contains
    // `pathPart`; the first rule in order that matches and has uses left answers. times < 0:
    // always. Unmatched requests get a 500.
    CHostileServer& On(const std::string& method, Reply reply, const std::string& pathPart = "",
                       int times = -1);
    void ClearRules();

    int Port() const { return m_nPort; }
    std::vector<Request> Requests() const;
    std::vector<Request> RequestsFor(const std::string& method,
                                     const std::string& pathPart = "") const;
    // Waits (bounded) until `count` requests match.
    bool WaitForRequests(const std::string& method, const std::string& pathPart, size_t count,
                         int timeoutMs) const;
    // Stops listening and ends every connection, within a second.
    void Stop();

private:
    struct Rule {
        std::string method;
        std::string pathPart;
        int times;
        std::shared_ptr<const Reply> reply;
    };
    struct Connection {
        int fd;
        std::thread thread;
        std::atomic<bool> done{false};
    };

    void Accept();
    void Serve(Connection* conn);
    bool ServeOne(int fd);
    bool ReadRequest(int fd, Request& req);
    bool Send(int fd, const char* data, size_t size);
    bool Pause(int ms);
    std::shared_ptr<const Reply> Match(const Request& req);
    // Whether the rule that will answer req reads no body.
    bool IsDeafTo(const Request& req);

    int m_listenFd = -1;
    int m_nPort = 0;
    std::atomic<bool> m_bStop{false};
    mutable std::mutex m_lock;
    std::vector<Rule> m_rules;
    std::vector<Request> m_requests;
    std::list<Connection> m_conns; // touched by the accepting thread only, until Stop
    std::thread m_acceptor;
};
