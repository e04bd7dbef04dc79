// SPDX-License-Identifier: Apache-2.0
// The authors of files already listed, by folder, name and tag, so that a later listing of the
// folder asks the server only for the authors of files it has not seen. Only the directory work
// thread touches it.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "ListingReader.h"

class CKnownAuthors {
public:
    // A listing of the folder with every author was remembered, and at most maxUnsettled of
    // its files still wait for a second look.
    bool Knows(const std::string& folder, size_t maxUnsettled) const;
    // Fills in the authors it knows of a listing read without them; returns the indices of the
    // files whose author it does not know.
    std::vector<size_t> Fill(const std::string& folder, DirEntries& entries) const;
    // Replaces what it knew of the folder by the authors of a complete listing.
    void Remember(const std::string& folder, const DirEntries& entries);
    void Forget(const std::string& folder);
    void Clear();

private:
    // 16 bytes a file: a large folder's knowledge must cost little beside its rows.
    struct Known {
        uint64_t key = 0;    // the name and tag
        uint32_t author = 0; // index into the folder's authors
        // A file without an author may be one whose upload has not labelled it yet: it is
        // trusted once a second listing still finds it without one.
        bool bSettled = false;
        bool operator<(const Known& other) const { return key < other.key; }
    };
    struct FolderAuthors {
        std::vector<Known> byKey; // sorted
        std::vector<std::string> authors;
        size_t nUnsettled = 0;
        const Known* Find(uint64_t key) const;
    };

    static uint64_t KeyOf(const DirEntry& entry);

    std::unordered_map<std::string, FolderAuthors> m_Folders;
};
