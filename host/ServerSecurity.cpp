// SPDX-License-Identifier: Apache-2.0
#include "ServerSecurity.h"

#include "HostLog.h"
#include "HostOptions.h"
#include "IDocShelfTransportItf.h"

namespace {

// What the component may have found wrong in the settings it refused.
std::string SecurityRefusal(const CHostOptions& options) {
    std::string reason;
    if (!options.caFile.empty())
        reason = "cannot read the CA file " + options.caFile;
    if (!options.pinSha256.empty()) {
        reason += reason.empty() ? "" : ", or ";
        reason += "the pin " + options.pinSha256 + " is not a SHA-256 fingerprint";
    }
    return reason.empty() ? "it cannot do HTTPS" : reason;
}

} // namespace

bool ApplyServerSecurity(IDocShelfTransportItf* pTransport, const CHostOptions& options) {
    CHostLog& log = CHostLog::Instance();
    if (pTransport == nullptr) {
        if (options.https) {
            log.Diag("the component cannot do HTTPS (it has no IDocShelfTransport)");
            return false;
        }
        if (!options.allowBasicOverHttp)
            log.Diag("the component cannot refuse Basic authentication over plain HTTP "
                     "(it has no IDocShelfTransport); going on");
        return true;
    }
    if (pTransport->SetServerSecurity(options.https ? 1 : 0, options.caFile.c_str(),
                                      options.pinSha256.c_str()) == 0) {
        log.Diag("the component refused the server's security settings: %s",
                 SecurityRefusal(options).c_str());
        return false;
    }
    pTransport->SetRefuseBasicInClear(options.allowBasicOverHttp ? 0 : 1);
    return true;
}

std::string LastTransportFailure(IDocShelfTransportItf* pTransport) {
    if (pTransport == nullptr)
        return {};
    char text[512] = {};
    const int32_t failure = pTransport->GetLastTransportFailure(text, sizeof(text));
    if (failure == DS_TRANSPORT_OK)
        return {};
    std::string line = text[0] != '\0' ? text : "transport failure " + std::to_string(failure);
    // The text names a certificate's subject, which must not steer the terminal.
    for (char& c : line) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    }
    return line;
}
