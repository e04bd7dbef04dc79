// SPDX-License-Identifier: Apache-2.0
// The component's answer to "IDocShelfTransport": HTTPS, certificate checks and the refusal of
// Basic authentication in clear, handed to the engine's settings.
#pragma once

#include "IDocShelfTransportItf.h"

class CDocShelfTransport final : public IDocShelfTransportItf {
public:
    int32_t SetServerSecurity(int32_t bHttps, const char* pszCaFile,
                              const char* pszPinSha256) override;
    void SetRefuseBasicInClear(int32_t bRefuse) override;
    int32_t GetLastTransportFailure(char* pBuffer, uint32_t dwSize) override;
};

CDocShelfTransport* GetDocShelfTransport();
