// SPDX-License-Identifier: Apache-2.0
#include "AfxIcon.h"

#include <memory>
#include <mutex>
#include <unordered_map>

namespace {

struct IconRegistry {
    std::mutex mutex;
    // Handles are never reused, so a stale handle cannot name a newer icon.
    uintptr_t next = 1;
    std::unordered_map<uintptr_t, std::unique_ptr<afx::IconImage>> icons;
};

IconRegistry& Registry() {
    static IconRegistry registry;
    return registry;
}

} // namespace

namespace afx {

HICON CreateIconFromImage(IconImage img) {
    if (img.width <= 0 || img.height <= 0 ||
        img.argb.size() != static_cast<size_t>(img.width) * static_cast<size_t>(img.height)) {
        return nullptr;
    }
    IconRegistry& reg = Registry();
    std::lock_guard lock(reg.mutex);
    uintptr_t key = reg.next++;
    reg.icons.emplace(key, std::make_unique<IconImage>(std::move(img)));
    return reinterpret_cast<HICON>(key);
}

const IconImage* GetIconImage(HICON icon) {
    IconRegistry& reg = Registry();
    std::lock_guard lock(reg.mutex);
    auto it = reg.icons.find(reinterpret_cast<uintptr_t>(icon));
    return it == reg.icons.end() ? nullptr : it->second.get();
}

} // namespace afx

BOOL DestroyIcon(HICON icon) {
    IconRegistry& reg = Registry();
    std::lock_guard lock(reg.mutex);
    return reg.icons.erase(reinterpret_cast<uintptr_t>(icon)) == 1 ? TRUE : FALSE;
}
