// SPDX-License-Identifier: Apache-2.0
#include "SizeText.h"

#include <cstdio>

std::string SpaceSizeText(uint64_t ullBytes) {
    // The quotient is a single-precision value, so exactly 1 MiB reads 1024.00 KB.
    const float value = static_cast<float>(ullBytes);
    float quotient;
    const char* format;
    if (ullBytes <= 0x100000ULL) {
        quotient = value / 1024.0f;
        format = "%.2f KB";
    } else if (ullBytes <= 0x40000000ULL) {
        quotient = value / 1048576.0f;
        format = "%.2f MB";
    } else {
        quotient = value / 1073741824.0f;
        format = "%.2f GB";
    }
    char text[64];
    std::snprintf(text, sizeof(text), format, static_cast<double>(quotient));
    return text;
}
