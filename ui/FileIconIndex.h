// SPDX-License-Identifier: Apache-2.0
// The image-list index of the shell's small icon for a file type, cached per extension. Both
// lists of the panel use it with their own image list and cache.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "AfxTypes.h"

class CImageList;

// Key ("*.txt", "*" for a file without extension, "*." for a folder) -> (image index, icon).
using IconCache = std::map<std::string, std::pair<int, HICON>>;

// The index, or -1 when the shell has no icon or the image list takes none (nothing is
// cached then). An empty extension is a plain file's, unless bFolder asks for a folder's.
int GetFileIconIndex(CImageList* pImageList, IconCache& cache, const std::string& extension,
                     bool bFolder = false);
// Destroys the cached icons.
void ClearIconCache(IconCache& cache);
