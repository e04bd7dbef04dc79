// SPDX-License-Identifier: Apache-2.0
// How a session reaches the server: the scheme, whose certificates it trusts, and whether it
// may send a password with Basic authentication in clear. Refusals are kept for the host.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include <ne_auth.h>
#include <ne_session.h>

struct TransportSettings {
    bool https = false;
    std::string caFile;    // empty: the system's CA store
    std::string pinSha256; // 64 lowercase hex digits, or empty
    bool refuseBasicInClear = false;
};

// A SHA-256 fingerprint as 64 lowercase hex digits: colons and either letter case are taken.
// False for anything else.
bool NormalizeFingerprint(std::string_view text, std::string& fingerprint);

// Whether the component can speak TLS at all, and whether the file holds a PEM certificate.
bool CanSpeakTls();
bool IsReadableCertificate(const std::string& path);

// The session's certificate checks and its authentication, as the settings say; creds is
// offered the server's challenges, with credsData.
void ApplyTransportSecurity(ne_session* sess, const TransportSettings& settings,
                            ne_auth_creds creds, void* credsData);

// The latest refusal (a DSTransportFailure and its text); any thread.
class CTransportFailures {
public:
    void Record(int32_t code, std::string text);
    void Clear();
    int32_t Last(std::string& text) const;
    // How many refusals were recorded so far: tells whether one came during a request.
    uint64_t Count() const;

private:
    mutable std::mutex m_Lock;
    uint64_t m_nCount = 0;
    int32_t m_nCode = 0;
    std::string m_Text;
};

CTransportFailures& TransportFailures();
