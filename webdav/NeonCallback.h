// SPDX-License-Identifier: Apache-2.0
// The functions handed to neon: credentials, response acceptance and reading, request bodies
// and transfer progress. They keep no state and never throw.
#pragma once

#include <string>

#include <ne_request.h>
#include <ne_session.h>

struct ServerSettings;

class CNeonCallback {
public:
    // userdata: the credentials the session was made with (CreateSession).
    static int server_auth_creds(void* userdata, const char* realm, int attempt, char* username,
                                 char* password);
    static int accept_response(void* userdata, ne_request* req, const ne_status* st);
    static int read_response_block(void* userdata, const char* block, size_t len);
    static ssize_t provide_request_body(void* userdata, char* buffer, size_t buflen);
    static void notify_session_status(void* userdata, ne_session_status status,
                                      const ne_session_status_info* info);

    // A session to the configured server with its timeouts and the credentials callback, which
    // offers the user name and password of these settings for the session's whole life.
    static ne_session* CreateSession(const ServerSettings& settings);
    // The Destination and Overwrite headers of a MOVE to an already escaped server path.
    static void AddDestination(ne_session* sess, ne_request* req, const std::string& target);
};
