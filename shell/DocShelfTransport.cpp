// SPDX-License-Identifier: Apache-2.0
#include "DocShelfTransport.h"

#include <string>

#include "TextBuffer.h"
#include "Trace.h"
#include "WebDavMgr.h"

int32_t CDocShelfTransport::SetServerSecurity(int32_t bHttps, const char* pszCaFile,
                                              const char* pszPinSha256) {
    const std::string caFile = pszCaFile != nullptr ? pszCaFile : "";
    const std::string pin = pszPinSha256 != nullptr ? pszPinSha256 : "";
    TraceInfo("dshelf - CDocShelfTransport::SetServerSecurity(%d,%s,%s)", bHttps, caFile.c_str(),
              pin.c_str());
    return GetWebDavMgr()->SetServerSecurity(bHttps != 0, caFile, pin) ? 1 : 0;
}

void CDocShelfTransport::SetRefuseBasicInClear(int32_t bRefuse) {
    TraceInfo("dshelf - CDocShelfTransport::SetRefuseBasicInClear(%d)", bRefuse);
    GetWebDavMgr()->SetRefuseBasicInClear(bRefuse != 0);
}

int32_t CDocShelfTransport::GetLastTransportFailure(char* pBuffer, uint32_t dwSize) {
    std::string text;
    const int32_t code = TransportFailures().Last(text);
    CopyToBuffer(text, pBuffer, dwSize);
    return code;
}

CDocShelfTransport* GetDocShelfTransport() {
    static CDocShelfTransport s_transport;
    return &s_transport;
}
