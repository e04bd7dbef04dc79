// SPDX-License-Identifier: Apache-2.0
// A session to the configured server whose requests end once its progress watch expires, at
// whatever stage they are. A server that trickles its headers, or answers "100 Continue" without
// end, never trips the read timeout and never reaches a body callback; a watchdog thread looks at
// every watched session a few times a second and shuts down the socket of one whose watch has
// expired. neon's blocked read or write then returns at once and the request fails as a lost
// connection.
//
// neon does not hand out a session's socket. It is found by difference: when the session reports
// that it is connecting to an address, the sockets of this process to that address and port are
// noted; once it has connected, its socket is the one that is new and that no other watched
// session holds. Sessions connect one at a time (a gate with a deadline), so two new sockets are
// never told apart; a session that could not wait for the gate, and found more than one, is left
// to the body callbacks' checks, and a line says so. Before the watchdog acts it checks that the
// socket still joins the same two ends. A connection made after the watch expired (a cancel) is
// closed before anything is sent on it.
#pragma once

#include <vector>

#include <ne_request.h>
#include <ne_session.h>

#include "ProgressWatch.h"

struct ServerSettings;

class CWatchedSession {
public:
    CWatchedSession(const ServerSettings& settings, const CProgressWatch::Limit& limit);
    ~CWatchedSession();
    CWatchedSession(const CWatchedSession&) = delete;
    CWatchedSession& operator=(const CWatchedSession&) = delete;

    ne_session* Get() const { return m_pSession; }
    CProgressWatch& Watch() { return m_Watch; }
    // The session's status notifier belongs to the watch; this one is called after it.
    void SetNotifier(ne_notify_status pfn, void* pUserData);

private:
    friend class CSessionWatchdog;

    static void OnStatus(void* pUserData, ne_session_status status,
                         const ne_session_status_info* pInfo);
    static void OnRequestEnded(ne_request* pRequest, void* pUserData);
    void OnConnecting(const ne_session_status_info* pInfo);
    void OnConnected();
    unsigned short ServerPort() const;

    struct SocketId {
        int fd;
        unsigned short localPort;
        bool operator==(const SocketId&) const = default;
    };

    CProgressWatch m_Watch;
    ne_session* m_pSession = nullptr;
    int m_nConnectSeconds = 0;
    ne_notify_status m_pfnNext = nullptr;
    void* m_pNextUserData = nullptr;
    // The server's address as last tried, and the socket found for it (-1: none). Guarded by
    // the watchdog's lock.
    unsigned char m_PeerAddress[16] = {};
    int m_nPeerAddressSize = 0;
    int m_nSocket = -1;
    unsigned short m_nLocalPort = 0;
    // The sockets to the address that were there when the session began to connect.
    std::vector<SocketId> m_SocketsBefore;
    bool m_bGuarded = true;
};

// Ends the watchdog thread; it starts again with the next session.
void StopSessionWatchdog();
