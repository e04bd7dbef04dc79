// SPDX-License-Identifier: Apache-2.0
#include "AfxResource.h"

#include <charconv>
#include <map>
#include <mutex>
#include <shared_mutex>
#include <utility>

#include "AfxLanguage.h"

namespace afx {
namespace {

using LangKey = std::pair<UINT, LANGID>; // id, language
using ScaleKey = std::pair<UINT, int>;   // id, scale

struct ResourceTable {
    // std::map keeps node addresses stable, so handed-out pointers survive later inserts.
    std::map<LangKey, std::string> strings;
    std::map<LangKey, MenuTemplate> menus;
    std::map<ScaleKey, BitmapResource> bitmaps;
};

struct Registry {
    std::shared_mutex mutex;
    ResourceTable component;
    ResourceTable application;

    ResourceTable& Table(ResourceScope scope) {
        return scope == ResourceScope::Component ? component : application;
    }
};

// Built on first use: the component's data registers itself during static initialisation.
Registry& TheRegistry() {
    static Registry registry;
    return registry;
}

// Any language of an id: the UI language, then English, then the lowest language id.
template <typename Value>
const Value* FindAnyLanguage(const std::map<LangKey, Value>& map, UINT id) {
    auto exact = map.find({id, GetThreadUILanguage()});
    if (exact != map.end()) {
        return &exact->second;
    }
    auto english = map.find({id, LANGID_EN_US});
    if (english != map.end()) {
        return &english->second;
    }
    auto first = map.lower_bound({id, 0});
    if (first != map.end() && first->first.first == id) {
        return &first->second;
    }
    return nullptr;
}

template <typename Value>
const Value* FindLanguage(const std::map<LangKey, Value>& map, UINT id, LANGID lang) {
    if (lang == 0) {
        return FindAnyLanguage(map, id);
    }
    auto it = map.find({id, lang});
    return it == map.end() ? nullptr : &it->second;
}

std::string_view NextLine(std::string_view& text) {
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

bool ParseId(std::string_view digits, UINT& id) {
    if (digits.empty()) {
        return false;
    }
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), id);
    return ec == std::errc() && end == digits.data() + digits.size();
}

bool IsIgnorable(std::string_view line) {
    size_t first = line.find_first_not_of(" \t");
    return first == std::string_view::npos || line[first] == '#';
}

uint32_t ReadLe(const unsigned char* p, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) {
        v = (v << 8) | p[i];
    }
    return v;
}

} // namespace

bool ParseStringTable(std::string_view text, std::vector<std::pair<UINT, std::string>>& out) {
    out.clear();
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        if (IsIgnorable(line)) {
            continue;
        }
        size_t tab = line.find('\t');
        UINT id = 0;
        if (tab == std::string_view::npos || !ParseId(line.substr(0, tab), id)) {
            return false;
        }
        // The text is everything after the tab, leading blanks included (" ^").
        out.emplace_back(id, std::string(line.substr(tab + 1)));
    }
    return true;
}

bool ParseMenuTemplate(std::string_view text, MenuTemplate& out) {
    out.items.clear();
    // stack[d] is the item list at depth d; depth 0 is the menu bar.
    std::vector<std::vector<MenuItemTemplate>*> stack{&out.items};
    while (!text.empty()) {
        std::string_view line = NextLine(text);
        if (IsIgnorable(line)) {
            continue;
        }
        size_t depth = line.find_first_not_of('\t');
        if (depth >= stack.size()) {
            return false; // indented deeper than any open popup
        }
        stack.resize(depth + 1);
        std::string_view rest = line.substr(depth);
        std::vector<MenuItemTemplate>& items = *stack.back();
        MenuItemTemplate item;
        size_t tab = rest.find('\t');
        std::string_view head = rest.substr(0, tab);
        std::string_view tail = tab == std::string_view::npos ? "" : rest.substr(tab + 1);
        if (head == "SEPARATOR") {
            item.separator = true;
            items.push_back(std::move(item));
        } else if (head == "POPUP") {
            item.text = std::string(tail);
            items.push_back(std::move(item));
            stack.push_back(&items.back().popup);
        } else if (ParseId(head, item.id) && tab != std::string_view::npos) {
            item.text = std::string(tail);
            items.push_back(std::move(item));
        } else {
            return false;
        }
    }
    // A popup with nothing in it would read as a plain item; refuse it.
    std::vector<const std::vector<MenuItemTemplate>*> pending{&out.items};
    while (!pending.empty()) {
        const auto* items = pending.back();
        pending.pop_back();
        for (const MenuItemTemplate& item : *items) {
            if (!item.separator && item.id == 0 && item.popup.empty()) {
                return false;
            }
            pending.push_back(&item.popup);
        }
    }
    return true;
}

bool ParseBmp(const unsigned char* data, size_t size, BitmapResource& out) {
    constexpr size_t kFileHeader = 14;
    if (data == nullptr || size < kFileHeader + 40 || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    const uint32_t pixelOffset = ReadLe(data + 10, 4);
    const unsigned char* info = data + kFileHeader;
    const uint32_t infoSize = ReadLe(info, 4);
    const int32_t width = static_cast<int32_t>(ReadLe(info + 4, 4));
    const int32_t rawHeight = static_cast<int32_t>(ReadLe(info + 8, 4));
    const uint32_t bitCount = ReadLe(info + 14, 2);
    const uint32_t compression = ReadLe(info + 16, 4);
    if (infoSize < 40 || bitCount != 24 || compression != 0 || width <= 0 || width > 4096 ||
        rawHeight == 0 || rawHeight < -4096 || rawHeight > 4096) {
        return false;
    }
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
    if (pixelOffset > size || size - pixelOffset < stride * static_cast<size_t>(height)) {
        return false;
    }
    out.width = width;
    out.height = height;
    out.rgb.assign(static_cast<size_t>(width) * height * 3, 0);
    for (int y = 0; y < height; ++y) {
        const int srcRow = bottomUp ? height - 1 - y : y;
        const unsigned char* src = data + pixelOffset + stride * srcRow;
        uint8_t* dst = out.rgb.data() + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < width; ++x) {
            // BMP stores blue, green, red.
            dst[x * 3 + 0] = src[x * 3 + 2];
            dst[x * 3 + 1] = src[x * 3 + 1];
            dst[x * 3 + 2] = src[x * 3 + 0];
        }
    }
    return true;
}

bool AddResourceString(ResourceScope scope, UINT id, LANGID lang, std::string_view utf8) {
    Registry& reg = TheRegistry();
    std::unique_lock lock(reg.mutex);
    return reg.Table(scope).strings.emplace(LangKey{id, lang}, std::string(utf8)).second;
}

bool AddResourceMenu(ResourceScope scope, UINT id, LANGID lang, MenuTemplate menu) {
    Registry& reg = TheRegistry();
    std::unique_lock lock(reg.mutex);
    return reg.Table(scope).menus.emplace(LangKey{id, lang}, std::move(menu)).second;
}

bool AddResourceBitmap(ResourceScope scope, UINT id, BitmapResource bitmap, int scale) {
    if (scale != 1 && scale != 2) {
        return false;
    }
    Registry& reg = TheRegistry();
    std::unique_lock lock(reg.mutex);
    return reg.Table(scope).bitmaps.emplace(ScaleKey{id, scale}, std::move(bitmap)).second;
}

size_t RegisterResources(ResourceScope scope, const ResourceBlob* blobs, size_t count) {
    size_t failed = 0;
    for (size_t i = 0; i < count; ++i) {
        const ResourceBlob& blob = blobs[i];
        std::string_view text(reinterpret_cast<const char*>(blob.data), blob.size);
        switch (blob.type) {
        case ResourceType::StringTable: {
            std::vector<std::pair<UINT, std::string>> entries;
            if (!ParseStringTable(text, entries)) {
                ++failed;
                break;
            }
            for (auto& [id, value] : entries) {
                AddResourceString(scope, id, blob.lang, value);
            }
            break;
        }
        case ResourceType::Menu: {
            MenuTemplate menu;
            if (!ParseMenuTemplate(text, menu)) {
                ++failed;
                break;
            }
            AddResourceMenu(scope, blob.id, blob.lang, std::move(menu));
            break;
        }
        case ResourceType::Bitmap:
        case ResourceType::Bitmap2x: {
            BitmapResource bitmap;
            if (!ParseBmp(blob.data, blob.size, bitmap)) {
                ++failed;
                break;
            }
            AddResourceBitmap(scope, blob.id, std::move(bitmap),
                              blob.type == ResourceType::Bitmap2x ? 2 : 1);
            break;
        }
        default:
            ++failed;
            break;
        }
    }
    return failed;
}

const char* FindResourceStringIn(ResourceScope scope, UINT id, LANGID lang) {
    Registry& reg = TheRegistry();
    std::shared_lock lock(reg.mutex);
    const std::string* s = FindLanguage(reg.Table(scope).strings, id, lang);
    return s ? s->c_str() : nullptr;
}

const MenuTemplate* FindResourceMenuIn(ResourceScope scope, UINT id, LANGID lang) {
    Registry& reg = TheRegistry();
    std::shared_lock lock(reg.mutex);
    return FindLanguage(reg.Table(scope).menus, id, lang);
}

const BitmapResource* FindResourceBitmapIn(ResourceScope scope, UINT id, int scale) {
    Registry& reg = TheRegistry();
    std::shared_lock lock(reg.mutex);
    const auto& bitmaps = reg.Table(scope).bitmaps;
    auto it = bitmaps.find(ScaleKey{id, scale});
    return it == bitmaps.end() ? nullptr : &it->second;
}

const char* FindResourceString(UINT id, LANGID lang) {
    const char* s = FindResourceStringIn(ResourceScope::Component, id, lang);
    return s ? s : FindResourceStringIn(ResourceScope::Application, id, lang);
}

const MenuTemplate* FindResourceMenu(UINT id, LANGID lang) {
    const MenuTemplate* m = FindResourceMenuIn(ResourceScope::Component, id, lang);
    return m ? m : FindResourceMenuIn(ResourceScope::Application, id, lang);
}

const BitmapResource* FindResourceBitmap(UINT id, int scale) {
    const BitmapResource* b = FindResourceBitmapIn(ResourceScope::Component, id, scale);
    return b ? b : FindResourceBitmapIn(ResourceScope::Application, id, scale);
}

} // namespace afx
