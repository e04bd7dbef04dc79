#include "CannedServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <strings.h>

CCannedServer::CCannedServer(int status, std::string contentType, std::string body)
    : m_status(status), m_contentType(std::move(contentType)), m_body(std::move(body)) {
    m_listenFd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int one = 1;
    ::setsockopt(m_listenFd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_listenFd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(m_listenFd, 8);
    socklen_t len = sizeof a;
    ::getsockname(m_listenFd, reinterpret_cast<sockaddr*>(&a), &len);
    m_nPort = ntohs(a.sin_port);
    m_thread = std::thread(&CCannedServer::Serve, this);
}

CCannedServer::~CCannedServer() {
    m_bStop = true;
    m_thread.join();
    ::close(m_listenFd);
}

void CCannedServer::Serve() {
    while (!m_bStop) {
        pollfd p{m_listenFd, POLLIN, 0};
        if (::poll(&p, 1, 50) != 1) {
            continue;
        }
        int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) {
            continue;
        }
        // Reads the head and a Content-Length body, then answers and closes.
        std::string in;
        char buf[4096];
        size_t headEnd = std::string::npos;
        size_t need = 0;
        while (true) {
            pollfd q{fd, POLLIN, 0};
            if (::poll(&q, 1, 2000) != 1) {
                break;
            }
            ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0) {
                break;
            }
            in.append(buf, static_cast<size_t>(n));
            if (headEnd == std::string::npos) {
                headEnd = in.find("\r\n\r\n");
                if (headEnd != std::string::npos) {
                    size_t cl = std::string::npos;
                    for (size_t i = 0; i + 15 < headEnd; ++i) {
                        if (strncasecmp(in.c_str() + i, "\ncontent-length:", 16) == 0) {
                            cl = i + 16;
                            break;
                        }
                    }
                    need =
                        headEnd + 4 +
                        (cl != std::string::npos ? std::strtoul(in.c_str() + cl, nullptr, 10) : 0);
                }
            }
            if (headEnd != std::string::npos && in.size() >= need) {
                break;
            }
        }
        ++m_nRequests;
        std::string out = "HTTP/1.1 " + std::to_string(m_status) +
                          " Canned\r\nContent-Type: " + m_contentType +
                          "\r\nContent-Length: " + std::to_string(m_body.size()) +
                          "\r\nConnection: close\r\n\r\n" + m_body;
        size_t off = 0;
        while (off < out.size()) {
            ssize_t n = ::write(fd, out.data() + off, out.size() - off);
            if (n <= 0) {
                break;
            }
            off += static_cast<size_t>(n);
        }
        ::close(fd);
    }
}
