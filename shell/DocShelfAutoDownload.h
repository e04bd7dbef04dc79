// SPDX-License-Identifier: Apache-2.0
// The component's answer to "IDocShelfAutoDownload": the pace of automatic downloads.
#pragma once

#include "IDocShelfAutoDownloadItf.h"

class CDocShelfAutoDownload final : public IDocShelfAutoDownloadItf {
public:
    void SetRateLimit(uint64_t ullBytesPerSecond) override;
    uint64_t GetRateLimit() override;
};

CDocShelfAutoDownload* GetDocShelfAutoDownload();
