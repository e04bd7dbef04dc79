// SPDX-License-Identifier: Apache-2.0
#include "ResultPost.h"

#include <atomic>
#include <string>

#include "CoreLib.h"
#include "DSProtocol.h"
#include "EnginePort.h"
#include "RecordUtil.h"
#include "Records.h"

namespace {

// Records handed on and not yet released: queued for the user-interface thread or being
// handled there.
std::atomic<int64_t> s_nInFlight{0};

} // namespace

void PostWorkResult(IDataRecord* pData) {
    if (pData == nullptr) {
        return;
    }
    ++s_nInFlight;
    GetEnginePort()->PostToView(pData);
}

bool AreWorkResultsPending() {
    return s_nInFlight.load() > 0;
}

uint64_t SupersedeKeyOf(IDataRecord* pData) {
    if (pData == nullptr || pData->GetMethod() != ds::kToTransferList) {
        return 0;
    }
    const ds::ProgressRecord progress = ds::ReadProgress(pData);
    if ((progress.sub != ds::kUploadProgress && progress.sub != ds::kDownloadProgress) ||
        progress.taskId == 0) {
        return 0;
    }
    return (static_cast<uint64_t>(progress.sub) << 32) | progress.taskId;
}

void ReleaseWorkResult(IDataRecord* pData) {
    if (pData == nullptr) {
        return;
    }
    ds::TakeHostMessage(pData); // a text nobody took
    pData->Release();
    // Never below zero: a test may release a record it made itself.
    int64_t n = s_nInFlight.load();
    while (n > 0 && !s_nInFlight.compare_exchange_weak(n, n - 1)) {
    }
}
