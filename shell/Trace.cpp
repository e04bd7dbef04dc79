#include "Trace.h"

#include <cstdarg>
#include <cstdio>

#include "CoreLib.h"

namespace {

constexpr size_t kLogBufferSize = 1024;

void WriteFormatted(int32_t nLevel, const char* pszFormat, va_list args) {
    char buffer[kLogBufferSize] = {};
    if (pszFormat != nullptr) {
        // vsnprintf cuts a longer text at 1023 characters and always terminates it.
        std::vsnprintf(buffer, sizeof(buffer), pszFormat, args);
    }
    WriteLog(0, nLevel, buffer);
}

} // namespace

void TraceAssert(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    WriteFormatted(CORELOG_ASSERT, pszFormat, args);
    va_end(args);
}

void TraceError(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    WriteFormatted(CORELOG_ERROR, pszFormat, args);
    va_end(args);
}

void TraceInfo(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    WriteFormatted(CORELOG_INFO, pszFormat, args);
    va_end(args);
}

void ReportAssert(const char* pszFile, int nLine, const char* pszExpr) {
    TraceAssert("Assert failed: file=%s line=%d expr=%s", pszFile, nLine, pszExpr);
}
