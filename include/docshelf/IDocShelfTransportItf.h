// SPDX-License-Identifier: Apache-2.0
/**
 * @file IDocShelfTransportItf.h
 * @brief How the component reaches the server across a network: HTTPS with the server's
 * certificate checked, and no password in clear.
 *
 * Obtained by the name "IDocShelfTransport" from the component's interface manager.
 */
#pragma once

#include <cstdint>

/**
 * @brief Why the component refused a connection or a request
 * (IDocShelfTransportItf::GetLastTransportFailure).
 *
 * A certificate is checked before anything is sent; a refused one fails the request, and the
 * server check answers OnServerState(0). With a pin, a mismatch is reported before anything
 * else; when several checks fail, an expiry comes first, then a wrong host name.
 */
enum DSTransportFailure : int32_t {
    /** @brief Nothing refused since the failure was last cleared. */
    DS_TRANSPORT_OK = 0,
    /**
     * @brief The certificate's issuer is not trusted, and nothing else failed: self-signed,
     * not signed by a CA of the system's store or by the certificate of the CA file, or issued
     * by an intermediate CA the server does not send. A CA file whose certificate is an
     * intermediate CA gives this too.
     */
    DS_TRANSPORT_UNTRUSTED = 1,
    /** @brief The certificate has expired or is not valid yet. */
    DS_TRANSPORT_EXPIRED = 2,
    /** @brief The certificate was issued for another host name than the one given to DSInit. */
    DS_TRANSPORT_WRONG_HOST = 3,
    /** @brief A pin is set and the server's certificate has another SHA-256 fingerprint. */
    DS_TRANSPORT_PIN_MISMATCH = 4,
    /**
     * @brief The certificate failed otherwise (a bad chain, revoked), or was untrusted
     * together with such a failure.
     */
    DS_TRANSPORT_BAD_CERTIFICATE = 5,
    /**
     * @brief The server asked for Basic authentication over plain HTTP while that is refused
     * (IDocShelfTransportItf::SetRefuseBasicInClear); the password was not sent and the
     * request ended as refused (401). Recorded by every request that met such a challenge.
     */
    DS_TRANSPORT_BASIC_REFUSED = 6,
    /**
     * @brief The secure connection could not be made: recorded by a server check over HTTPS
     * whose request failed without a certificate being refused, typically a server that does
     * not speak TLS or a handshake that broke off. A refused or timed-out connection records
     * nothing.
     */
    DS_TRANSPORT_TLS_FAILED = 7,
};

/**
 * @brief The server's transport: HTTPS and its certificate check, Basic authentication in clear.
 *
 * Obtained by the name "IDocShelfTransport" from IMXCCItfMgr::QueryItf, as
 * `IDocShelfTransportItf*` converted to `void*`. One object per process, owned by the
 * component, valid from CreateComp until DestroyComp.
 *
 * The settings apply to every request that starts after the call (a kept connection made with
 * other settings is not used again). Give them before InitComp, at the latest before DSInit,
 * so that the start-up check of the server uses them. DestroyComp sets plain HTTP again,
 * without refusal. The host guide's "HTTPS" tells the same with an example.
 */
class IDocShelfTransportItf {
public:
    /**
     * @brief Sets the scheme and whose certificates are trusted.
     *
     * With HTTPS the server's certificate must verify against the system's CA store; or, when
     * pszCaFile is not empty, only against the certificate in that file; or, when pszPinSha256
     * is not empty, the server's certificate must be the one with that fingerprint. A pin is
     * for a self-signed server: with it no CA is trusted (the CA file, if given, is checked at
     * the call and then not used), any other certificate is refused, and the pinned one still
     * fails when expired or issued for another host name. There is no setting that accepts any
     * certificate. A success clears GetLastTransportFailure. User-interface thread.
     *
     * The CA file is a PEM file of which only the first certificate is read: the other
     * certificates of a bundle are ignored. That certificate must be the CA at the top of the
     * server's chain, a root; the server sends its intermediate certificates itself. A server
     * whose certificate an intermediate CA issued and that does not send that intermediate is
     * refused, and so is every server when the file's certificate is an intermediate CA: both
     * with DS_TRANSPORT_UNTRUSTED. The file is read at the call and again whenever the
     * component makes a new session to the server: it must stay readable (a file that cannot
     * be read then trusts nothing, and the log says so). Give an absolute path: a relative one
     * is read relative to the process's working directory at each of those reads.
     * @param bHttps nonzero: HTTPS; 0: plain HTTP (the other two are then checked, kept and
     *        not used).
     * @param pszCaFile the CA file's path, or "" (or null) for the system's CA store.
     * @param pszPinSha256 the SHA-256 fingerprint of the one certificate accepted, 64 hex
     *        digits in either letter case, colons allowed (as `openssl x509 -noout
     *        -fingerprint -sha256` prints it); or "" (or null) for none.
     * @return 1; 0 when the CA file holds no readable PEM certificate, the pin is not a
     *         fingerprint, or HTTPS is asked of a build without TLS; nothing changes then.
     */
    virtual int32_t SetServerSecurity(int32_t bHttps, const char* pszCaFile,
                                      const char* pszPinSha256) = 0;
    /**
     * @brief Keeps the password from a plain-HTTP server that asks for Basic authentication.
     *
     * Over plain HTTP only (with HTTPS it has no effect): only Digest is answered, and a
     * request that meets a Basic challenge ends as refused (401) without the password: a
     * listing with DS_LIST_REFUSED, a transfer with DS_RESULT_SERVER_ERROR, and
     * GetLastTransportFailure gives DS_TRANSPORT_BASIC_REFUSED. The server check still counts
     * such a server as available (OnServerState(1)) and clears the failure it met. Off in a new
     * component and after DestroyComp. User-interface thread.
     * @param bRefuse nonzero to refuse, 0 to answer Basic too.
     */
    virtual void SetRefuseBasicInClear(int32_t bRefuse) = 0;
    /**
     * @brief The latest refusal and a text that says what failed.
     *
     * Any thread: read it in OnServerState(0), or in the end call of a listing. The text names
     * the certificate's subject and what failed (expired, issued for another host name, ...),
     * or says why no secure connection was made, or that Basic was refused; it is empty with
     * DS_TRANSPORT_OK. Cleared by a SetServerSecurity that succeeded, by a server check that
     * got an answer and by DestroyComp; a request that succeeds does not clear it.
     * @param pBuffer the host's buffer; may be null when dwSize is 0, to read only the code.
     * @param dwSize its size in bytes: at most dwSize - 1 bytes and a terminating zero are
     *        written.
     * @return a DSTransportFailure.
     */
    virtual int32_t GetLastTransportFailure(char* pBuffer, uint32_t dwSize) = 0;

protected:
    /** @brief Not deleted through this interface: the object is the component's. */
    ~IDocShelfTransportItf() = default;
};
