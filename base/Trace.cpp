// SPDX-License-Identifier: Apache-2.0
#include "Trace.h"

#include <cstdarg>
#include <cstdio>
#include <string>
#include <string_view>

#include "CoreLib.h"
#include "InvisibleText.h"

namespace {

constexpr size_t kLogBufferSize = 1024;

// Texts from a server or a meeting message may hold line breaks and other control characters:
// each becomes "\xNN", and a character that would reorder or hide what follows it "\uXXXX", so
// one call writes one line that reads as it is and that nobody else can forge. Line breaks at
// the end are the format's own and are dropped.
std::string EscapedLine(const char* text) {
    std::string_view in(text);
    while (!in.empty() && (in.back() == '\n' || in.back() == '\r')) {
        in.remove_suffix(1);
    }
    std::string out;
    out.reserve(in.size());
    char32_t invisible = 0;
    for (size_t at = 0; at < in.size();) {
        const auto byte = static_cast<unsigned char>(in[at]);
        char escape[12];
        if (const size_t n = ds::InvisibleAt(in, at, invisible)) {
            std::snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(invisible));
            out += escape;
            at += n;
        } else if (byte < 0x20 || byte == 0x7F) {
            std::snprintf(escape, sizeof escape, "\\x%02X", byte);
            out += escape;
            ++at;
        } else {
            out += in[at++];
        }
    }
    if (out.size() >= kLogBufferSize) {
        out.resize(kLogBufferSize - 1);
    }
    return out;
}

void WriteFormatted(int32_t nLevel, const char* pszFormat, va_list args) {
    char buffer[kLogBufferSize] = {};
    if (pszFormat != nullptr) {
        // vsnprintf cuts a longer text at 1023 characters and always terminates it.
        std::vsnprintf(buffer, sizeof(buffer), pszFormat, args);
    }
    WriteLog(0, nLevel, EscapedLine(buffer).c_str());
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
