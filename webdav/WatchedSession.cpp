// SPDX-License-Identifier: Apache-2.0
#include "WatchedSession.h"

#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <dirent.h>
#include <mutex>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <ne_request.h>
#include <ne_socket.h>
#include <ne_uri.h>

#include "NeonCallback.h"
#include "Trace.h"
#include "WebDavMgr.h"

namespace {

// How often the watchdog looks: a cut comes at most this late after a watch expired.
constexpr auto kWatchdogTick = std::chrono::milliseconds(250);

struct Ends {
    unsigned char peer[16] = {};
    int peerSize = 0;
    unsigned short peerPort = 0;
    unsigned short localPort = 0;
};

// The two ends of a connected TCP socket; false for anything else.
bool EndsOf(int fd, Ends& ends) {
    sockaddr_storage peer{}, local{};
    socklen_t peerLen = sizeof peer, localLen = sizeof local;
    if (::getpeername(fd, reinterpret_cast<sockaddr*>(&peer), &peerLen) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&local), &localLen) != 0 ||
        peer.ss_family != local.ss_family) {
        return false;
    }
    if (peer.ss_family == AF_INET) {
        const auto& p = reinterpret_cast<const sockaddr_in&>(peer);
        std::memcpy(ends.peer, &p.sin_addr, 4);
        ends.peerSize = 4;
        ends.peerPort = ntohs(p.sin_port);
        ends.localPort = ntohs(reinterpret_cast<const sockaddr_in&>(local).sin_port);
        return true;
    }
    if (peer.ss_family == AF_INET6) {
        const auto& p = reinterpret_cast<const sockaddr_in6&>(peer);
        std::memcpy(ends.peer, &p.sin6_addr, 16);
        ends.peerSize = 16;
        ends.peerPort = ntohs(p.sin6_port);
        ends.localPort = ntohs(reinterpret_cast<const sockaddr_in6&>(local).sin6_port);
        return true;
    }
    return false;
}

// Sockets of this process connected to that address and port.
std::vector<std::pair<int, Ends>> SocketsTo(const unsigned char* address, int size,
                                            unsigned short port) {
    std::vector<std::pair<int, Ends>> found;
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return found;
    }
    const int own = ::dirfd(dir);
    while (const dirent* e = ::readdir(dir)) {
        char* end = nullptr;
        const long fd = std::strtol(e->d_name, &end, 10);
        struct stat st;
        Ends ends;
        if (end == e->d_name || *end != '\0' || fd == own ||
            ::fstat(static_cast<int>(fd), &st) != 0 || !S_ISSOCK(st.st_mode) ||
            !EndsOf(static_cast<int>(fd), ends)) {
            continue;
        }
        if (ends.peerSize == size && ends.peerPort == port &&
            std::memcmp(ends.peer, address, static_cast<size_t>(size)) == 0) {
            found.emplace_back(static_cast<int>(fd), ends);
        }
    }
    ::closedir(dir);
    return found;
}

} // namespace

// One thread for all watched sessions; it sleeps while there are none.
class CSessionWatchdog {
public:
    static CSessionWatchdog& Instance() {
        static CSessionWatchdog s_watchdog;
        return s_watchdog;
    }
    ~CSessionWatchdog() { Stop(); }

    std::mutex& Lock() { return m_Lock; }

    void Add(CWatchedSession* pSession) {
        {
            std::lock_guard<std::mutex> lock(m_Lock);
            m_Sessions.push_back(pSession);
            if (!m_Thread.joinable()) {
                m_bStop = false;
                m_Thread = std::thread([this] { Run(); });
            }
        }
        m_Wake.notify_all();
    }

    void Remove(CWatchedSession* pSession) {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Sessions.erase(std::remove(m_Sessions.begin(), m_Sessions.end(), pSession),
                         m_Sessions.end());
    }

    // Under the lock: whether another watched session holds this socket.
    bool IsHeldByAnother(const CWatchedSession* pSession, int fd, unsigned short localPort) const {
        return std::any_of(m_Sessions.begin(), m_Sessions.end(), [&](const CWatchedSession* p) {
            return p != pSession && p->m_nSocket == fd && p->m_nLocalPort == localPort;
        });
    }

    // One session at a time between connecting and connected, so that the one new socket to
    // the server is the session's. A session that tries the server's addresses one after
    // another holds the gate throughout. A holder that never gets there (its connect failed,
    // or hangs) gives way when its request ends or its connect timeout has passed; a session
    // that has waited that long goes on without the gate. False then: its socket may not be
    // told apart.
    bool EnterConnect(CWatchedSession* pSession, int connectSeconds) {
        std::unique_lock<std::mutex> lock(m_Lock);
        const Clock::time_point giveUp = Clock::now() + std::chrono::seconds(connectSeconds + 1);
        while (m_pConnecting != nullptr && m_pConnecting != pSession &&
               Clock::now() <= m_ConnectDeadline) {
            if (Clock::now() >= giveUp) {
                TraceInfo("dshelf - CWatchedSession; another session's connect took too long: "
                          "going on without waiting");
                return false;
            }
            m_ConnectFree.wait_until(lock, std::min(giveUp, m_ConnectDeadline));
        }
        m_pConnecting = pSession;
        m_ConnectDeadline = Clock::now() + std::chrono::seconds(connectSeconds + 1);
        return true;
    }
    // Under the lock.
    void LeaveConnect(const CWatchedSession* pSession) {
        if (m_pConnecting == pSession) {
            m_pConnecting = nullptr;
            m_ConnectFree.notify_all();
        }
    }

    void Stop() {
        {
            std::lock_guard<std::mutex> lock(m_Lock);
            m_bStop = true;
        }
        m_Wake.notify_all();
        if (m_Thread.joinable()) {
            m_Thread.join();
        }
    }

private:
    void Run() {
        std::unique_lock<std::mutex> lock(m_Lock);
        while (!m_bStop) {
            if (m_Sessions.empty()) {
                m_Wake.wait(lock, [this] { return m_bStop || !m_Sessions.empty(); });
                continue;
            }
            m_Wake.wait_for(lock, kWatchdogTick);
            for (CWatchedSession* pSession : m_Sessions) {
                CutIfExpired(*pSession);
            }
        }
    }

    // Under the lock.
    static void CutIfExpired(CWatchedSession& s) {
        if (s.m_nSocket < 0 || s.m_Watch.IsAlive()) {
            return;
        }
        Ends ends;
        if (EndsOf(s.m_nSocket, ends) && ends.localPort == s.m_nLocalPort &&
            ends.peerSize == s.m_nPeerAddressSize &&
            std::memcmp(ends.peer, s.m_PeerAddress, static_cast<size_t>(ends.peerSize)) == 0) {
            ::shutdown(s.m_nSocket, SHUT_RDWR);
            // A connection the session opens again is cut again: the watch stays expired.
            s.m_nSocket = -1;
            TraceError("dshelf - CWatchedSession; connection cut: %s", s.m_Watch.Reason().c_str());
        }
    }

    using Clock = std::chrono::steady_clock;

    std::mutex m_Lock;
    std::condition_variable m_Wake;
    std::vector<CWatchedSession*> m_Sessions;
    std::thread m_Thread;
    bool m_bStop = false;
    std::condition_variable m_ConnectFree;
    const CWatchedSession* m_pConnecting = nullptr;
    Clock::time_point m_ConnectDeadline;
};

CWatchedSession::CWatchedSession(const ServerSettings& settings, const CProgressWatch::Limit& limit)
    : m_Watch(limit), m_pSession(CNeonCallback::CreateSession(settings)),
      m_nConnectSeconds(settings.limits.connectSeconds) {
    ne_set_notifier(m_pSession, &CWatchedSession::OnStatus, this);
    ne_hook_destroy_request(m_pSession, &CWatchedSession::OnRequestEnded, this);
    CSessionWatchdog::Instance().Add(this);
}

CWatchedSession::~CWatchedSession() {
    // Its socket stays known until neon has closed it: no other session can take it for its
    // own meanwhile.
    ne_session_destroy(m_pSession);
    CSessionWatchdog::Instance().Remove(this);
}

void CWatchedSession::OnRequestEnded(ne_request*, void* pUserData) {
    CSessionWatchdog& watchdog = CSessionWatchdog::Instance();
    std::lock_guard<std::mutex> lock(watchdog.Lock());
    watchdog.LeaveConnect(static_cast<CWatchedSession*>(pUserData));
}

void CWatchedSession::SetNotifier(ne_notify_status pfn, void* pUserData) {
    m_pfnNext = pfn;
    m_pNextUserData = pUserData;
}

void CWatchedSession::OnStatus(void* pUserData, ne_session_status status,
                               const ne_session_status_info* pInfo) {
    auto* self = static_cast<CWatchedSession*>(pUserData);
    if (status == ne_status_connecting) {
        self->OnConnecting(pInfo);
    } else if (status == ne_status_connected) {
        self->OnConnected();
    } else if (status == ne_status_disconnected) {
        std::lock_guard<std::mutex> lock(CSessionWatchdog::Instance().Lock());
        self->m_nSocket = -1;
    }
    if (self->m_pfnNext != nullptr) {
        self->m_pfnNext(self->m_pNextUserData, status, pInfo);
    }
}

unsigned short CWatchedSession::ServerPort() const {
    ne_uri server{};
    ne_fill_server_uri(m_pSession, &server);
    const auto port = static_cast<unsigned short>(server.port);
    ne_uri_free(&server);
    return port;
}

// Called once for every address neon tries. What is connected to it already is noted: the
// session's socket is the one that is new once it has connected.
void CWatchedSession::OnConnecting(const ne_session_status_info* pInfo) {
    if (pInfo == nullptr || pInfo->ci.address == nullptr) {
        return;
    }
    const bool bGuarded = CSessionWatchdog::Instance().EnterConnect(this, m_nConnectSeconds);
    unsigned char address[16] = {};
    ne_iaddr_raw(pInfo->ci.address, address);
    const int size = ne_iaddr_typeof(pInfo->ci.address) == ne_iaddr_ipv6 ? 16 : 4;
    std::vector<SocketId> before;
    for (const auto& [fd, ends] : SocketsTo(address, size, ServerPort())) {
        before.push_back(SocketId{fd, ends.localPort});
    }
    std::lock_guard<std::mutex> lock(CSessionWatchdog::Instance().Lock());
    std::memcpy(m_PeerAddress, address, sizeof address);
    m_nPeerAddressSize = size;
    m_SocketsBefore = std::move(before);
    m_bGuarded = bGuarded;
    m_nSocket = -1;
}

void CWatchedSession::OnConnected() {
    CSessionWatchdog& watchdog = CSessionWatchdog::Instance();
    const auto now = SocketsTo(m_PeerAddress, m_nPeerAddressSize, ServerPort());
    std::lock_guard<std::mutex> lock(watchdog.Lock());
    watchdog.LeaveConnect(this);
    std::vector<std::pair<int, Ends>> mine;
    for (const auto& candidate : now) {
        const SocketId id{candidate.first, candidate.second.localPort};
        if (std::find(m_SocketsBefore.begin(), m_SocketsBefore.end(), id) ==
                m_SocketsBefore.end() &&
            !watchdog.IsHeldByAnother(this, id.fd, id.localPort)) {
            mine.push_back(candidate);
        }
    }
    m_SocketsBefore.clear();
    if (mine.size() != 1) {
        TraceInfo("dshelf - CWatchedSession; %zu sockets could be this session's%s: not watched",
                  mine.size(), m_bGuarded ? "" : " (connected without the gate)");
        return;
    }
    m_nSocket = mine[0].first;
    m_nLocalPort = mine[0].second.localPort;
    // A request that ended before its connection was made (a cancel) sends nothing on it.
    if (m_Watch.HasExpired()) {
        ::shutdown(m_nSocket, SHUT_RDWR);
        m_nSocket = -1;
        TraceInfo("dshelf - CWatchedSession; connection closed at once: %s",
                  m_Watch.Reason().c_str());
    }
}

void StopSessionWatchdog() {
    CSessionWatchdog::Instance().Stop();
}
