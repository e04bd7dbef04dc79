// SPDX-License-Identifier: Apache-2.0
// How the component reaches the server across a network: HTTPS with the server's certificate
// checked, and no password in clear. Obtained by the name "IDocShelfTransport" from the
// component's interface manager. Settings apply to every request made after the call; set them
// before InitComp so that the start-up check of the server uses them.
#pragma once

#include <cstdint>

// Why the component refused a connection or a request (GetLastTransportFailure).
enum DSTransportFailure : int32_t {
    DS_TRANSPORT_OK = 0,
    // The certificate's issuer is not trusted (self-signed, or not signed by a trusted CA).
    DS_TRANSPORT_UNTRUSTED = 1,
    // The certificate has expired or is not valid yet.
    DS_TRANSPORT_EXPIRED = 2,
    // The certificate was issued for another host name.
    DS_TRANSPORT_WRONG_HOST = 3,
    // A pin is set and the certificate's SHA-256 fingerprint is another.
    DS_TRANSPORT_PIN_MISMATCH = 4,
    // The certificate failed otherwise (a bad chain, revoked).
    DS_TRANSPORT_BAD_CERTIFICATE = 5,
    // The server asked for Basic authentication over plain HTTP while that is refused; the
    // password was not sent.
    DS_TRANSPORT_BASIC_REFUSED = 6,
    // The secure connection could not be made (the server does not speak TLS, for example).
    DS_TRANSPORT_TLS_FAILED = 7,
};

class IDocShelfTransportItf {
public:
    // bHttps nonzero: the server is reached over HTTPS. Its certificate must verify against the
    // system's CA store, or only against the PEM certificate in pszCaFile when that is not
    // empty. pszPinSha256, when not empty, is the SHA-256 fingerprint of the one certificate
    // accepted (64 hex digits, colons allowed), for a self-signed server: any other certificate
    // is refused, and the pinned one still fails when expired or issued for another host name.
    // Returns 1; 0 when the CA file cannot be read or the pin is not a fingerprint, and then
    // nothing changes.
    virtual int32_t SetServerSecurity(int32_t bHttps, const char* pszCaFile,
                                      const char* pszPinSha256) = 0;
    // bRefuse nonzero: over plain HTTP a server that asks for Basic authentication is refused
    // and the password is never sent; Digest still works. Off until a host asks.
    virtual void SetRefuseBasicInClear(int32_t bRefuse) = 0;
    // The latest refusal: a DSTransportFailure, and a text that names the certificate's subject
    // and what failed. Cleared by SetServerSecurity and when a server check reaches the server.
    // Copies at most dwSize - 1 bytes and a terminating zero; an empty text with DS_TRANSPORT_OK.
    virtual int32_t GetLastTransportFailure(char* pBuffer, uint32_t dwSize) = 0;

protected:
    ~IDocShelfTransportItf() = default;
};
