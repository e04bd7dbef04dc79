// SPDX-License-Identifier: Apache-2.0
// Resources: string tables, menu templates and bitmaps, found by id and language.
// Two tables are searched: the component's own (filled from the data embedded in the
// library) and the application's (filled by a host that has resources of its own).
// Entries are added, never replaced or removed, so every pointer handed out stays valid
// for the life of the process. Lookups are thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "AfxTypes.h"

namespace afx {

// Texts are UTF-8, as stored.
const char* FindResourceString(UINT id, LANGID lang); /* UTF-8 text or null */

struct MenuItemTemplate {
    std::string text;
    UINT id = 0;
    bool separator = false;
    std::vector<MenuItemTemplate> popup; /* non-empty: a popup */
};

struct MenuTemplate {
    std::vector<MenuItemTemplate> items;
};

const MenuTemplate* FindResourceMenu(UINT id, LANGID lang);

struct BitmapResource {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; /* top-down rows, 3 bytes R,G,B per pixel */
};

// Bitmaps carry no language. Scale 2 is the bitmap drawn at twice the size, where there is
// one; 1 and 2 are the only scales.
const BitmapResource* FindResourceBitmap(UINT id, int scale = 1);

// Which table to search or fill.
enum class ResourceScope { Component, Application };

// Lookups in one table. lang 0 (neutral) takes any language the table has for the id,
// preferring the one closest to the UI language.
const char* FindResourceStringIn(ResourceScope scope, UINT id, LANGID lang);
const MenuTemplate* FindResourceMenuIn(ResourceScope scope, UINT id, LANGID lang);
const BitmapResource* FindResourceBitmapIn(ResourceScope scope, UINT id, int scale = 1);

// Raw resource data as embedded: a string table in text form ("id<tab>text" lines), a
// menu in text form, or a 24-bit BMP file (Bitmap2x: at twice the size). Ids of string tables are
// those of the lines; the blob's id is then ignored.
enum class ResourceType { StringTable = 1, Menu = 2, Bitmap = 3, Bitmap2x = 4 };

struct ResourceBlob {
    ResourceType type;
    UINT id;
    LANGID lang;
    const unsigned char* data;
    size_t size;
};

// Parses and adds the blobs to a table; the data is copied. An entry already present
// keeps its first value. Returns the number of blobs that failed to parse (0 on success).
size_t RegisterResources(ResourceScope scope, const ResourceBlob* blobs, size_t count);

// Single entries, for hosts and tests. False when the entry was already present.
bool AddResourceString(ResourceScope scope, UINT id, LANGID lang, std::string_view utf8);
bool AddResourceMenu(ResourceScope scope, UINT id, LANGID lang, MenuTemplate menu);
bool AddResourceBitmap(ResourceScope scope, UINT id, BitmapResource bitmap, int scale = 1);

// Parsers behind RegisterResources, exposed so their input rules can be tested.
bool ParseStringTable(std::string_view text, std::vector<std::pair<UINT, std::string>>& out);
bool ParseMenuTemplate(std::string_view text, MenuTemplate& out);
bool ParseBmp(const unsigned char* data, size_t size, BitmapResource& out);

} // namespace afx
