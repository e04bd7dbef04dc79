// SPDX-License-Identifier: Apache-2.0
// Numbers read back from the component's own text files, which anyone may have edited.
#pragma once

#include <cstdint>
#include <string_view>

// Decimal digits only, within 64 bits; false for anything else.
inline bool ParseDecimal(std::string_view text, uint64_t& value) {
    if (text.empty() || text.size() > 20) {
        return false;
    }
    value = 0;
    for (char c : text) {
        if (c < '0' || c > '9' || value > (UINT64_MAX - static_cast<uint64_t>(c - '0')) / 10) {
            return false;
        }
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}
