// The image-list index of the shell's small icon for a file type, cached per extension. Both
// lists of the panel use it with their own image list and cache.
#pragma once

#include <map>
#include <string>
#include <utility>

#include "AfxTypes.h"

class CImageList;

// Extension key ("*.txt") -> (image index, icon).
using IconCache = std::map<std::string, std::pair<int, HICON>>;

// The index, or -1 when the shell has no icon or the image list takes none (nothing is
// cached then).
int GetFileIconIndex(CImageList* pImageList, IconCache& cache, const std::string& extension);
// Destroys the cached icons.
void ClearIconCache(IconCache& cache);
