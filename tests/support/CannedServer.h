// SPDX-License-Identifier: Apache-2.0
// A loopback HTTP server that answers every request with one canned response: the hostile
// server with a single rule.
#pragma once

#include <string>

#include "HostileServer.h"

class CCannedServer {
public:
    CCannedServer(int status, const std::string& contentType, std::string body) {
        m_server.On("*", CHostileServer::Status(status, std::move(body),
                                                "Content-Type: " + contentType + "\r\n"));
    }

    int Port() const { return m_server.Port(); }
    int Requests() const { return static_cast<int>(m_server.Requests().size()); }

private:
    CHostileServer m_server;
};
