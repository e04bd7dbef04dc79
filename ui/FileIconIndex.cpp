#include "FileIconIndex.h"

#include "AfxIcon.h"
#include "AfxImageList.h"
#include "AfxShell.h"

namespace {

constexpr UINT kIconFlags =
    SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES | SHGFI_DISPLAYNAME | SHGFI_TYPENAME;

} // namespace

int GetFileIconIndex(CImageList* pImageList, IconCache& cache, const std::string& extension) {
    const std::string key = extension.rfind("*.", 0) == 0 ? extension : "*." + extension;
    auto it = cache.find(key);
    if (it != cache.end() && it->second.second != nullptr) {
        return it->second.first;
    }
    SHFILEINFO info{};
    if (pImageList == nullptr ||
        SHGetFileInfo(key.c_str(), 0, &info, sizeof info, kIconFlags) == 0 ||
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
