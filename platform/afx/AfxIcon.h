// SPDX-License-Identifier: Apache-2.0
// Icons as plain images behind HICON handles. The handle registry is thread-safe.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "AfxTypes.h"

namespace afx {

struct IconImage {
    int width = 16, height = 16;
    std::vector<uint32_t> argb; /* top-down 0xAARRGGBB */
    std::string themeName;      /* the icon theme's name for it; empty when bundled */
};

// Null when the image is empty or its pixel count does not match its size.
HICON CreateIconFromImage(IconImage img);

// The image of a live handle, or null. Valid until the handle is destroyed.
const IconImage* GetIconImage(HICON icon);

} // namespace afx

// FALSE for a null, unknown or already destroyed handle.
BOOL DestroyIcon(HICON icon);
