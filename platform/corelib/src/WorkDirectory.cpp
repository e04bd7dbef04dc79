// SPDX-License-Identifier: Apache-2.0
#include "CoreLib.h"

#include <cstring>
#include <mutex>
#include <string>

namespace {

std::mutex g_lock;
std::string g_workDirectory;

} // namespace

extern "C" int32_t SetWorkDirectory(const char* pszPath) {
    std::lock_guard<std::mutex> guard(g_lock);
    g_workDirectory = pszPath != nullptr ? pszPath : "";
    return 1;
}

extern "C" uint32_t CoreLibGetWorkDirectory(char* pBuffer, uint32_t dwSize) {
    std::lock_guard<std::mutex> guard(g_lock);
    if (pBuffer != nullptr && dwSize > 0) {
        size_t n = std::min<size_t>(g_workDirectory.size(), dwSize - 1);
        std::memcpy(pBuffer, g_workDirectory.data(), n);
        pBuffer[n] = '\0';
    }
    return static_cast<uint32_t>(g_workDirectory.size());
}
