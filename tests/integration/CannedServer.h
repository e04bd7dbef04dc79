// A loopback HTTP server that answers every request with one canned response, for answers a
// real server would never give.
#pragma once

#include <atomic>
#include <string>
#include <thread>

class CCannedServer {
public:
    CCannedServer(int status, std::string contentType, std::string body);
    ~CCannedServer();
    CCannedServer(const CCannedServer&) = delete;
    CCannedServer& operator=(const CCannedServer&) = delete;

    int Port() const { return m_nPort; }
    int Requests() const { return m_nRequests.load(); }

private:
    void Serve();

    int m_status;
    std::string m_contentType;
    std::string m_body;
    int m_listenFd = -1;
    int m_nPort = 0;
    std::atomic<bool> m_bStop{false};
    std::atomic<int> m_nRequests{0};
    std::thread m_thread;
};
