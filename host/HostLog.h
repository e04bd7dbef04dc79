// SPDX-License-Identifier: Apache-2.0
// Where the host's diagnostics and the component's log lines go: standard error or a file.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

class CHostLog {
public:
    static CHostLog& Instance();

    // An empty path keeps standard error. False when the file cannot be opened.
    bool Open(const std::string& path);
    void Close();
    // Any thread.
    void Write(const char* pszSource, int32_t nLevel, const char* pszText);
    void Diag(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));

    // Matches CoreLib's log sink signature; the context is the CHostLog.
    static void CoreSink(void* pContext, int32_t nModule, int32_t nLevel, const char* pszText);

private:
    CHostLog() = default;
    std::mutex m_Lock;
    FILE* m_pFile = nullptr;
};
