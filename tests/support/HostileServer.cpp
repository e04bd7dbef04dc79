// SPDX-License-Identifier: Apache-2.0
#include "HostileServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <strings.h>

namespace {

constexpr int kSliceMs = 50;           // how often a waiting thread looks at the stop flag
constexpr int kIdleMs = 5000;          // a client silent this long has stopped sending
constexpr size_t kMaxConnections = 32; // beyond this, new connections are closed at once

std::shared_ptr<const std::string> Shared(std::string s) {
    return std::make_shared<const std::string>(std::move(s));
}

std::string Head(int status, const std::string& headers, size_t length, bool bKeepAlive = false) {
    return "HTTP/1.1 " + std::to_string(status) +
           " Scripted\r\nContent-Length: " + std::to_string(length) + "\r\n" +
           (bKeepAlive ? "" : "Connection: close\r\n") + headers + "\r\n";
}

} // namespace

std::string CHostileServer::Request::Header(const std::string& name) const {
    for (const auto& [n, v] : headers) {
        if (strcasecmp(n.c_str(), name.c_str()) == 0) {
            return v;
        }
    }
    return "";
}

CHostileServer::Reply CHostileServer::Status(int status, std::string body, std::string headers) {
    Reply r;
    r.status = status;
    r.headers = std::move(headers);
    r.body = Shared(std::move(body));
    return r;
}

CHostileServer::Reply CHostileServer::KeptAlive(Reply answer) {
    answer.bKeepAlive = true;
    return answer;
}

CHostileServer::Reply CHostileServer::RawBytes(std::string bytes) {
    Reply r;
    r.kind = Reply::Raw;
    r.body = Shared(std::move(bytes));
    return r;
}

CHostileServer::Reply CHostileServer::Cut(int status, std::string body, size_t announced) {
    Reply r = Status(status, std::move(body));
    r.kind = Reply::CutShort;
    r.announced = announced;
    return r;
}

CHostileServer::Reply CHostileServer::Silent(int status, size_t announced) {
    Reply r = Status(status);
    r.kind = Reply::SilentAfterHead;
    r.announced = announced;
    return r;
}

CHostileServer::Reply CHostileServer::Trickled(int status, std::string body, size_t piece,
                                               int pauseMs) {
    Reply r = Status(status, std::move(body));
    r.kind = Reply::Trickle;
    r.piece = piece > 0 ? piece : 1;
    r.pauseMs = pauseMs;
    return r;
}

CHostileServer::Reply CHostileServer::TrickledRaw(std::string bytes, size_t piece, int pauseMs) {
    Reply r = Trickled(0, std::move(bytes), piece, pauseMs);
    r.kind = Reply::RawTrickle;
    return r;
}

CHostileServer::Reply CHostileServer::Hangup() {
    Reply r;
    r.kind = Reply::Close;
    return r;
}

CHostileServer::Reply CHostileServer::Deaf() {
    Reply r;
    r.kind = Reply::Deaf;
    return r;
}

std::string CHostileServer::MultistatusResponse(const std::string& href, const std::string& props) {
    return "<D:response><D:href>" + href + "</D:href><D:propstat><D:prop>" + props +
           "</D:prop><D:status>HTTP/1.1 200 OK</D:status></D:propstat></D:response>\n";
}

CHostileServer::Reply CHostileServer::MultistatusOf(std::string responses) {
    std::string body =
        "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:multistatus xmlns:D=\"DAV:\">\n";
    body += responses;
    body += "</D:multistatus>\n";
    return Status(207, std::move(body), "Content-Type: application/xml; charset=utf-8\r\n");
}

CHostileServer::Reply
CHostileServer::Multistatus(const std::vector<std::pair<std::string, std::string>>& entries) {
    std::string responses;
    for (const auto& [href, props] : entries) {
        responses += MultistatusResponse(href, props);
    }
    return MultistatusOf(std::move(responses));
}

CHostileServer::CHostileServer() {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    if (::bind(m_listenFd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::listen(m_listenFd, 16) != 0 ||
        ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
        return; // Port() stays 0
    }
    m_nPort = ntohs(a.sin_port);
    m_acceptor = std::thread(&CHostileServer::Accept, this);
}

CHostileServer::~CHostileServer() {
    Stop();
}

void CHostileServer::Stop() {
    m_bStop = true;
    if (m_acceptor.joinable()) {
        m_acceptor.join();
    }
    for (Connection& c : m_conns) {
        c.thread.join();
    }
    m_conns.clear();
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        m_listenFd = -1;
    }
}

CHostileServer& CHostileServer::On(const std::string& method, Reply reply,
                                   const std::string& pathPart, int times) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_rules.push_back({method, pathPart, times, std::make_shared<const Reply>(std::move(reply))});
    return *this;
}

void CHostileServer::ClearRules() {
    std::lock_guard<std::mutex> lock(m_lock);
    m_rules.clear();
}

std::vector<CHostileServer::Request> CHostileServer::Requests() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_requests;
}

std::vector<CHostileServer::Request> CHostileServer::RequestsFor(const std::string& method,
                                                                 const std::string& part) const {
    std::vector<Request> out;
    std::lock_guard<std::mutex> lock(m_lock);
    for (const Request& r : m_requests) {
        if (r.method == method && r.path.find(part) != std::string::npos) {
            out.push_back(r);
        }
    }
    return out;
}

bool CHostileServer::WaitForRequests(const std::string& method, const std::string& pathPart,
                                     size_t count, int timeoutMs) const {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (RequestsFor(method, pathPart).size() < count) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

bool CHostileServer::IsDeafTo(const Request& req) {
    std::lock_guard<std::mutex> lock(m_lock);
    for (const Rule& rule : m_rules) {
        if ((rule.method == "*" || rule.method == req.method) && rule.times != 0 &&
            req.path.find(rule.pathPart) != std::string::npos) {
            return rule.reply->kind == Reply::Deaf;
        }
    }
    return false;
}

std::shared_ptr<const CHostileServer::Reply> CHostileServer::Match(const Request& req) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_requests.push_back(req);
    for (Rule& rule : m_rules) {
        if ((rule.method == "*" || rule.method == req.method) && rule.times != 0 &&
            req.path.find(rule.pathPart) != std::string::npos) {
            if (rule.times > 0) {
                --rule.times;
            }
            return rule.reply;
        }
    }
    return std::make_shared<const Reply>(Status(500, "no rule"));
}

void CHostileServer::Accept() {
    while (!m_bStop) {
        m_conns.remove_if([](Connection& c) {
            if (!c.done) {
                return false;
            }
            c.thread.join();
            return true;
        });
        pollfd p{m_listenFd, POLLIN, 0};
        if (::poll(&p, 1, kSliceMs) != 1) {
            continue;
        }
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        if (m_conns.size() >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        Connection& c = m_conns.emplace_back();
        c.fd = fd;
        c.thread = std::thread(&CHostileServer::Serve, this, &c);
    }
}

bool CHostileServer::Pause(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!m_bStop && std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(ms, 10)));
    }
    return !m_bStop;
}

bool CHostileServer::Send(int fd, const char* data, size_t size) {
    while (size > 0 && !m_bStop) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, kSliceMs) != 1) {
            continue;
        }
        ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return size == 0;
}

// The head, then as much of a Content-Length body as the client sends.
bool CHostileServer::ReadRequest(int fd, Request& req) {
    std::string in;
    size_t headEnd = std::string::npos;
    size_t need = 0;
    char buf[16384];
    int idleMs = 0;
    while (!m_bStop && idleMs < kIdleMs) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kSliceMs) != 1) {
            idleMs += kSliceMs;
            continue;
        }
        idleMs = 0;
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n <= 0) {
            break;
        }
        if (headEnd != std::string::npos) {
            req.bodySize += static_cast<size_t>(n);
        } else {
            in.append(buf, static_cast<size_t>(n));
            headEnd = in.find("\r\n\r\n");
            if (headEnd == std::string::npos) {
                continue;
            }
            size_t lineEnd = in.find("\r\n");
            std::string line = in.substr(0, lineEnd);
            size_t sp1 = line.find(' ');
            size_t sp2 = line.find(' ', sp1 + 1);
            req.method = line.substr(0, sp1);
            req.path = sp1 == std::string::npos ? "" : line.substr(sp1 + 1, sp2 - sp1 - 1);
            for (size_t pos = lineEnd + 2; pos < headEnd;) {
                size_t eol = in.find("\r\n", pos);
                std::string h = in.substr(pos, eol - pos);
                size_t colon = h.find(':');
                if (colon != std::string::npos) {
                    size_t v = h.find_first_not_of(' ', colon + 1);
                    req.headers.emplace_back(h.substr(0, colon),
                                             v == std::string::npos ? "" : h.substr(v));
                }
                pos = eol + 2;
            }
            need = std::strtoull(req.Header("Content-Length").c_str(), nullptr, 10);
            req.bodySize = in.size() - headEnd - 4;
            if (IsDeafTo(req)) {
                return true;
            }
        }
        if (headEnd != std::string::npos && req.bodySize >= need) {
            break;
        }
    }
    return headEnd != std::string::npos;
}

void CHostileServer::Serve(Connection* conn) {
    const int fd = conn->fd;
    for (bool bMore = true; bMore;) {
        bMore = ServeOne(fd);
    }
    ::close(fd);
    conn->done = true;
}

// One request and its answer; true when the connection stays for another.
bool CHostileServer::ServeOne(int fd) {
    Request req;
    if (ReadRequest(fd, req) && !m_bStop) {
        std::shared_ptr<const Reply> r = Match(req);
        const std::string& body = *r->body;
        switch (r->kind) {
        case Reply::Answer: {
            std::string out = Head(r->status, r->headers, body.size(), r->bKeepAlive) + body;
            return Send(fd, out.data(), out.size()) && r->bKeepAlive;
        }
        case Reply::Raw:
            Send(fd, body.data(), body.size());
            break;
        case Reply::CutShort: {
            std::string out = Head(r->status, r->headers, r->announced) + body;
            Send(fd, out.data(), out.size());
            break;
        }
        case Reply::SilentAfterHead: {
            std::string head = Head(r->status, r->headers, r->announced);
            if (Send(fd, head.data(), head.size())) {
                // Nothing more until the client gives up or the server stops.
                char buf[4096];
                while (!m_bStop) {
                    pollfd p{fd, POLLIN, 0};
                    if (::poll(&p, 1, kSliceMs) == 1 && ::read(fd, buf, sizeof buf) <= 0) {
                        break;
                    }
                }
            }
            break;
        }
        case Reply::Trickle: {
            std::string head = Head(r->status, r->headers, body.size());
            bool ok = Send(fd, head.data(), head.size());
            for (size_t off = 0; ok && off < body.size(); off += r->piece) {
                ok = Pause(r->pauseMs) &&
                     Send(fd, body.data() + off, std::min(r->piece, body.size() - off));
            }
            break;
        }
        case Reply::RawTrickle: {
            bool ok = true;
            for (size_t off = 0; ok && off < body.size(); off += r->piece) {
                ok = Pause(r->pauseMs) &&
                     Send(fd, body.data() + off, std::min(r->piece, body.size() - off));
            }
            break;
        }
        case Reply::Close:
            break;
        case Reply::Deaf:
            while (!m_bStop) {
                Pause(kSliceMs);
            }
            break;
        }
    }
    return false;
}
