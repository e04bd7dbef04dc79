// SPDX-License-Identifier: Apache-2.0
#include "HostLog.h"

#include <cstdarg>

CHostLog& CHostLog::Instance() {
    static CHostLog log;
    return log;
}

bool CHostLog::Open(const std::string& path) {
    if (path.empty())
        return true;
    FILE* f = std::fopen(path.c_str(), "a");
    if (!f)
        return false;
    std::lock_guard<std::mutex> guard(m_Lock);
    m_pFile = f;
    return true;
}

void CHostLog::Close() {
    std::lock_guard<std::mutex> guard(m_Lock);
    if (m_pFile) {
        std::fclose(m_pFile);
        m_pFile = nullptr;
    }
    std::fflush(stderr);
}

void CHostLog::Write(const char* pszSource, int32_t nLevel, const char* pszText) {
    const char* level = nLevel >= 16 ? "assert" : nLevel >= 8 ? "error" : "info";
    std::lock_guard<std::mutex> guard(m_Lock);
    FILE* out = m_pFile ? m_pFile : stderr;
    std::fprintf(out, "%s %s: %s\n", pszSource, level, pszText ? pszText : "");
    std::fflush(out);
}

void CHostLog::Diag(const char* pszFormat, ...) {
    char buf[1024];
    va_list args;
    va_start(args, pszFormat);
    std::vsnprintf(buf, sizeof(buf), pszFormat, args);
    va_end(args);
    // Diagnostics always reach standard error, and the log file too when there is one.
    std::lock_guard<std::mutex> guard(m_Lock);
    std::fprintf(stderr, "docshelf-host: %s\n", buf);
    std::fflush(stderr);
    if (m_pFile) {
        std::fprintf(m_pFile, "host info: %s\n", buf);
        std::fflush(m_pFile);
    }
}

void CHostLog::CoreSink(void* pContext, int32_t, int32_t nLevel, const char* pszText) {
    static_cast<CHostLog*>(pContext)->Write("component", nLevel, pszText);
}
