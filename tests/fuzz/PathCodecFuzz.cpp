// SPDX-License-Identifier: Apache-2.0
// EncodePath and DecodePath on any bytes: escaping is reversible and its output safe for a
// request line; decoding never reads past its input.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "PathCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const std::string encoded = EncodePath(text);
    for (char c : encoded) {
        bool bSafe = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                     c == '/' || c == '%';
        if (!bSafe) {
            std::abort();
        }
    }
    if (DecodePath(encoded) != text) {
        std::abort();
    }
    const std::string decoded = DecodePath(text);
    if (decoded.size() > text.size()) {
        std::abort();
    }
    (void)IsUnsafeLocalName(decoded);
    (void)GetPathName(text);
    (void)GetParentPath(text);
    return 0;
}
