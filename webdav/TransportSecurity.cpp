// SPDX-License-Identifier: Apache-2.0
#include "TransportSecurity.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include <ne_request.h>
#include <ne_ssl.h>
#include <ne_string.h>
#include <ne_utils.h>

#include "IDocShelfTransportItf.h"
#include "Trace.h"

namespace {

constexpr size_t kFingerprintDigits = 64;

// What a session's checks need to know after the settings copy is gone.
struct SessionChecks {
    std::string pinSha256;
    bool refuseBasic = false;
};

void FreeChecks(void* userdata) {
    delete static_cast<SessionChecks*>(userdata);
}

std::string TakeNeonString(char* s) {
    std::string text = s != nullptr ? s : "";
    std::free(s);
    return text;
}

std::string SubjectOf(const ne_ssl_certificate* cert) {
    return TakeNeonString(ne_ssl_readable_dname(ne_ssl_cert_subject(cert)));
}

std::string FingerprintOf(const ne_ssl_certificate* cert) {
    std::string fingerprint;
    NormalizeFingerprint(TakeNeonString(ne_ssl_cert_hdigest(cert, NE_HASH_SHA256)), fingerprint);
    return fingerprint;
}

// The most telling failure first: a person fixes a clock or a name before an issuer.
int32_t FailureCode(int failures) {
    if ((failures & (NE_SSL_EXPIRED | NE_SSL_NOTYETVALID)) != 0) {
        return DS_TRANSPORT_EXPIRED;
    }
    if ((failures & NE_SSL_IDMISMATCH) != 0) {
        return DS_TRANSPORT_WRONG_HOST;
    }
    if (failures == NE_SSL_UNTRUSTED) {
        return DS_TRANSPORT_UNTRUSTED;
    }
    return DS_TRANSPORT_BAD_CERTIFICATE;
}

std::string FailureText(int failures) {
    static const struct {
        int bit;
        const char* text;
    } kReasons[] = {
        {NE_SSL_NOTYETVALID, "not yet valid"},
        {NE_SSL_EXPIRED, "expired"},
        {NE_SSL_IDMISMATCH, "issued for another host name"},
        {NE_SSL_UNTRUSTED, "issuer not trusted"},
        {NE_SSL_BADCHAIN, "bad certificate chain"},
        {NE_SSL_REVOKED, "revoked"},
    };
    std::string text;
    for (const auto& reason : kReasons) {
        if ((failures & reason.bit) != 0) {
            text += text.empty() ? "" : ", ";
            text += reason.text;
        }
    }
    return text.empty() ? "failed verification" : text;
}

void Refuse(int32_t code, const std::string& subject, const std::string& why) {
    std::string text = "server certificate \"" + subject + "\" refused: " + why;
    TraceError("dshelf - %s", text.c_str());
    TransportFailures().Record(code, std::move(text));
}

// neon asks only when a check failed. With a pin no CA is trusted, so it always asks, and the
// pinned certificate stands in for a trusted issuer; every other failure still counts.
int VerifyCertificate(void* userdata, int failures, const ne_ssl_certificate* cert) {
    const auto* checks = static_cast<const SessionChecks*>(userdata);
    const std::string subject = SubjectOf(cert);
    if (!checks->pinSha256.empty()) {
        const std::string fingerprint = FingerprintOf(cert);
        if (fingerprint != checks->pinSha256) {
            Refuse(DS_TRANSPORT_PIN_MISMATCH, subject,
                   "SHA-256 fingerprint " + fingerprint + " is not the pinned one");
            return 1;
        }
        failures &= ~NE_SSL_UNTRUSTED;
    }
    if (failures == 0) {
        return 0;
    }
    Refuse(FailureCode(failures), subject, FailureText(failures));
    return 1;
}

bool ContainsNoCase(std::string_view text, std::string_view word) {
    auto lower = [](char c) { return std::tolower(static_cast<unsigned char>(c)); };
    return std::search(text.begin(), text.end(), word.begin(), word.end(),
                       [&](char a, char b) { return lower(a) == lower(b); }) != text.end();
}

// The password is never offered to Basic here; this only says why the request failed.
void NoteBasicChallenge(ne_request* req, void* userdata, const ne_status* status) {
    const auto* checks = static_cast<const SessionChecks*>(userdata);
    if (!checks->refuseBasic || status == nullptr || status->code != 401) {
        return;
    }
    const char* challenge = ne_get_response_header(req, "WWW-Authenticate");
    if (challenge == nullptr || ContainsNoCase(challenge, "digest") ||
        !ContainsNoCase(challenge, "basic")) {
        return;
    }
    const std::string text =
        "the server asks for Basic authentication over plain HTTP; refused, the password was "
        "not sent";
    TraceError("dshelf - %s", text.c_str());
    TransportFailures().Record(DS_TRANSPORT_BASIC_REFUSED, text);
}

void TrustIssuers(ne_session* sess, const TransportSettings& settings) {
    if (!settings.pinSha256.empty()) {
        return;
    }
    if (settings.caFile.empty()) {
        ne_ssl_trust_default_ca(sess);
        return;
    }
    if (ne_ssl_certificate* ca = ne_ssl_cert_read(settings.caFile.c_str())) {
        ne_ssl_trust_cert(sess, ca);
        ne_ssl_cert_free(ca);
    } else {
        // Nothing trusted: every certificate is refused, and the log says why.
        TraceError("dshelf - the CA file %s could not be read", settings.caFile.c_str());
    }
}

} // namespace

bool NormalizeFingerprint(std::string_view text, std::string& fingerprint) {
    std::string digits;
    for (char c : text) {
        if (c == ':') {
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(c))) {
            return false;
        }
        digits += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    if (digits.size() != kFingerprintDigits) {
        return false;
    }
    fingerprint = std::move(digits);
    return true;
}

bool CanSpeakTls() {
    return ne_has_support(NE_FEATURE_SSL) != 0;
}

bool IsReadableCertificate(const std::string& path) {
    ne_ssl_certificate* cert = ne_ssl_cert_read(path.c_str());
    if (cert == nullptr) {
        return false;
    }
    ne_ssl_cert_free(cert);
    return true;
}

void ApplyTransportSecurity(ne_session* sess, const TransportSettings& settings,
                            ne_auth_creds creds, void* credsData) {
    auto* checks =
        new SessionChecks{settings.pinSha256, settings.refuseBasicInClear && !settings.https};
    ne_hook_destroy_session(sess, FreeChecks, checks);
    if (settings.https) {
        TrustIssuers(sess, settings);
        ne_ssl_set_verify(sess, VerifyCertificate, checks);
    }
    if (checks->refuseBasic) {
        ne_add_server_auth(sess, NE_AUTH_DIGEST, creds, credsData);
        ne_hook_post_headers(sess, NoteBasicChallenge, checks);
    } else {
        ne_set_server_auth(sess, creds, credsData);
    }
}

void CTransportFailures::Record(int32_t code, std::string text) {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_nCode = code;
    m_Text = std::move(text);
    ++m_nCount;
}

void CTransportFailures::Clear() {
    std::lock_guard<std::mutex> lock(m_Lock);
    m_nCode = DS_TRANSPORT_OK;
    m_Text.clear();
}

uint64_t CTransportFailures::Count() const {
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_nCount;
}

int32_t CTransportFailures::Last(std::string& text) const {
    std::lock_guard<std::mutex> lock(m_Lock);
    text = m_Text;
    return m_nCode;
}

CTransportFailures& TransportFailures() {
    static CTransportFailures instance;
    return instance;
}
