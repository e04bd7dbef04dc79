// SPDX-License-Identifier: Apache-2.0
#include "DocShelfAutoDownload.h"

#include <algorithm>

#include "RateLimit.h"
#include "Trace.h"

void CDocShelfAutoDownload::SetRateLimit(uint64_t ullBytesPerSecond) {
    TraceInfo("dshelf - CDocShelfAutoDownload::SetRateLimit(%llu)",
              static_cast<unsigned long long>(ullBytesPerSecond));
    AutoDownloadRate().SetRate(
        ullBytesPerSecond == 0 ? 0 : std::max(ullBytesPerSecond, DS_AUTO_DOWNLOAD_MIN_RATE));
}

uint64_t CDocShelfAutoDownload::GetRateLimit() {
    return AutoDownloadRate().Rate();
}

CDocShelfAutoDownload* GetDocShelfAutoDownload() {
    static CDocShelfAutoDownload s_autoDownload;
    return &s_autoDownload;
}
