// SPDX-License-Identifier: Apache-2.0
#include "KnownAuthors.h"

#include <algorithm>
#include <functional>
#include <string_view>

namespace {
// Beyond this many folders the oldest knowledge is not worth its memory; all is dropped.
constexpr size_t kMaxKnownFolders = 64;

bool IsListedFile(const DirEntry& entry) {
    return !entry.bFolderItself && !entry.bDir;
}
} // namespace

uint64_t CKnownAuthors::KeyOf(const DirEntry& entry) {
    const uint64_t name = std::hash<std::string_view>{}(entry.fileName);
    return name ^ (entry.tag + 0x9e3779b97f4a7c15ULL + (name << 6) + (name >> 2));
}

const CKnownAuthors::Known* CKnownAuthors::FolderAuthors::Find(uint64_t key) const {
    const auto it = std::lower_bound(byKey.begin(), byKey.end(), Known{key, 0, false});
    return it != byKey.end() && it->key == key ? &*it : nullptr;
}

bool CKnownAuthors::Knows(const std::string& folder, size_t maxUnsettled) const {
    const auto it = m_Folders.find(folder);
    return it != m_Folders.end() && it->second.nUnsettled <= maxUnsettled;
}

std::vector<size_t> CKnownAuthors::Fill(const std::string& folder, DirEntries& entries) const {
    std::vector<size_t> unknown;
    const auto folderIt = m_Folders.find(folder);
    for (size_t i = 0; i < entries.size(); ++i) {
        DirEntry& entry = entries[i];
        if (!IsListedFile(entry)) {
            continue;
        }
        const Known* pKnown = nullptr;
        if (folderIt != m_Folders.end() && entry.tag != 0) {
            pKnown = folderIt->second.Find(KeyOf(entry));
        }
        if (pKnown != nullptr && pKnown->bSettled) {
            entry.author = folderIt->second.authors[pKnown->author];
        } else {
            unknown.push_back(i);
        }
    }
    return unknown;
}

void CKnownAuthors::Remember(const std::string& folder, const DirEntries& entries) {
    if (m_Folders.size() >= kMaxKnownFolders && m_Folders.count(folder) == 0) {
        m_Folders.clear();
    }
    const FolderAuthors before = std::move(m_Folders[folder]);
    FolderAuthors now;
    std::unordered_map<std::string_view, uint32_t> authorIndex;
    for (const DirEntry& entry : entries) {
        if (!IsListedFile(entry) || entry.tag == 0) {
            continue;
        }
        const uint64_t key = KeyOf(entry);
        const bool bSettled = !entry.author.empty() || before.Find(key) != nullptr;
        auto [it, bNew] = authorIndex.emplace(entry.author, 0);
        if (bNew) {
            now.authors.push_back(entry.author);
            it->second = static_cast<uint32_t>(now.authors.size() - 1);
        }
        now.byKey.push_back(Known{key, it->second, bSettled});
        now.nUnsettled += bSettled ? 0 : 1;
    }
    std::sort(now.byKey.begin(), now.byKey.end());
    now.byKey.shrink_to_fit();
    m_Folders[folder] = std::move(now);
}

void CKnownAuthors::Forget(const std::string& folder) {
    m_Folders.erase(folder);
}

void CKnownAuthors::Clear() {
    m_Folders.clear();
}
