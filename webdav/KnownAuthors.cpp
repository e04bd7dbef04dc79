#include "KnownAuthors.h"

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
    std::string key;
    key.reserve(entry.fileName.size() + entry.tag.size() + 1);
    key.append(entry.fileName).push_back('\0');
    key.append(entry.tag);
    return std::hash<std::string_view>{}(key);
}

bool CKnownAuthors::Knows(const std::string& folder, size_t maxUnsettled) const {
    const auto it = m_Folders.find(folder);
    return it != m_Folders.end() && it->second.nUnsettled <= maxUnsettled;
}

std::vector<size_t> CKnownAuthors::Fill(const std::string& folder,
                                        std::vector<DirEntry>& entries) const {
    std::vector<size_t> unknown;
    const auto folderIt = m_Folders.find(folder);
    for (size_t i = 0; i < entries.size(); ++i) {
        DirEntry& entry = entries[i];
        if (!IsListedFile(entry)) {
            continue;
        }
        const Known* pKnown = nullptr;
        if (folderIt != m_Folders.end() && !entry.tag.empty()) {
            const auto& byKey = folderIt->second.byKey;
            const auto it = byKey.find(KeyOf(entry));
            pKnown = it != byKey.end() && it->second.bSettled ? &it->second : nullptr;
        }
        if (pKnown != nullptr) {
            entry.author = pKnown->author;
        } else {
            unknown.push_back(i);
        }
    }
    return unknown;
}

void CKnownAuthors::Remember(const std::string& folder, const std::vector<DirEntry>& entries) {
    if (m_Folders.size() >= kMaxKnownFolders && m_Folders.count(folder) == 0) {
        m_Folders.clear();
    }
    const FolderAuthors before = std::move(m_Folders[folder]);
    FolderAuthors& now = m_Folders[folder];
    now = FolderAuthors();
    for (const DirEntry& entry : entries) {
        if (!IsListedFile(entry) || entry.tag.empty()) {
            continue;
        }
        const uint64_t key = KeyOf(entry);
        const bool bSettled = !entry.author.empty() || before.byKey.count(key) != 0;
        now.byKey[key] = Known{entry.author, bSettled};
        now.nUnsettled += bSettled ? 0 : 1;
    }
}

void CKnownAuthors::Forget(const std::string& folder) {
    m_Folders.erase(folder);
}

void CKnownAuthors::Clear() {
    m_Folders.clear();
}
