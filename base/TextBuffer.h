// SPDX-License-Identifier: Apache-2.0
// Hands a text across the interface into the caller's buffer.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

// Copies at most dwSize - 1 bytes and a terminating zero.
inline void CopyToBuffer(const std::string& text, char* pBuffer, uint32_t dwSize) {
    if (pBuffer != nullptr && dwSize > 0) {
        const size_t n = std::min<size_t>(text.size(), dwSize - 1);
        std::memcpy(pBuffer, text.data(), n);
        pBuffer[n] = '\0';
    }
}
