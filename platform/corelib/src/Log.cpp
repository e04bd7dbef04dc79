// SPDX-License-Identifier: Apache-2.0
#include "CoreLib.h"

#include <cstdio>
#include <mutex>

namespace {

struct LogState {
    std::mutex lock;
    CoreLogSink sink = nullptr;
    void* context = nullptr;
    int32_t minLevel = CORELOG_ERROR;
};

LogState& State() {
    static LogState state;
    return state;
}

} // namespace

extern "C" void CoreLibSetLogSink(CoreLogSink pfnSink, void* pContext, int32_t nMinLevel) {
    LogState& s = State();
    std::lock_guard<std::mutex> guard(s.lock);
    s.sink = pfnSink;
    s.context = pContext;
    s.minLevel = pfnSink != nullptr ? nMinLevel : CORELOG_ERROR;
}

extern "C" void WriteLog(int32_t nModule, int32_t nLevel, const char* pszText) {
    LogState& s = State();
    // One line at a time, so lines from several threads never interleave.
    std::lock_guard<std::mutex> guard(s.lock);
    if (nLevel < s.minLevel) {
        return;
    }
    const char* text = pszText != nullptr ? pszText : "";
    if (s.sink != nullptr) {
        s.sink(s.context, nModule, nLevel, text);
    } else {
        std::fprintf(stderr, "[%d] %s\n", nLevel, text);
    }
}
