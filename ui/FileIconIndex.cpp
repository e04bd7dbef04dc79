// SPDX-License-Identifier: Apache-2.0
#include "FileIconIndex.h"

#include "AfxIcon.h"
#include "AfxImageList.h"
#include "AfxShell.h"

namespace {

constexpr UINT kIconFlags =
    SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | SHGFI_DISPLAYNAME | SHGFI_TYPENAME;

// "*.txt"; "*" for a name without extension, which the shell would take for a folder as "*.".
std::string KeyOf(const std::string& extension, bool bFolder) {
    if (bFolder) {
        return "*.";
    }
    const std::string ext = extension.rfind("*.", 0) == 0 ? extension.substr(2) : extension;
    return ext.empty() ? "*" : "*." + ext;
}

} // namespace

int GetFileIconIndex(CImageList* pImageList, IconCache& cache, const std::string& extension,
                     bool bFolder) {
    const std::string key = KeyOf(extension, bFolder);
    auto it = cache.find(key);
    if (it != cache.end() && it->second.second != nullptr) {
        return it->second.first;
    }
    SHFILEINFO info{};
    const DWORD attributes = bFolder ? afx::kFileAttributeDirectory : 0;
    if (pImageList == nullptr ||
        SHGetFileInfo(key.c_str(), attributes, &info, sizeof info, kIconFlags) == 0 ||
        info.hIcon == nullptr) {
        return -1;
    }
    int index = pImageList->Add(info.hIcon);
    if (index == -1) {
        DestroyIcon(info.hIcon);
        return -1;
    }
    cache[key] = {index, info.hIcon};
    return index;
}

void ClearIconCache(IconCache& cache) {
    for (auto& [key, entry] : cache) {
        if (entry.second != nullptr) {
            DestroyIcon(entry.second);
        }
    }
    cache.clear();
}
