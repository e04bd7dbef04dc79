// SPDX-License-Identifier: Apache-2.0
// Reads one folder listing: PROPFIND with Depth 1, and of its answer only the entries that lie
// in the listed folder, with plain names. Nothing is reported from a listing that failed.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include <ne_session.h>

#include "DSProtocol.h"
#include "ProgressWatch.h"

// Held for every entry of a folder while its listing is read: only what the rows need.
struct DirEntry {
    bool bFolderItself = false;
    bool bDir = false;
    bool bLengthKnown = false; // the server gave a readable length
    uint64_t length = 0;       // 0 while the length is unknown
    uint64_t tag = 0;          // TagOf(DAV:getetag), 0 when absent
    std::string fileName;      // a plain name: never empty, ".", ".." or with "/", "\" or NUL
    std::string author;        // as stored (escaped UTF-8), "" when absent
};
// A deque: a large folder's entries are never copied to grow.
using DirEntries = std::deque<DirEntry>;

struct ListingOutcome {
    ds::ListResult result = ds::kListOk;
    int status = 0;          // the answer's HTTP status, 0 without one
    std::string reason;      // for the log when the listing failed
    std::string relatedPath; // the folder relative to the server directory, "/Presenter/"
    DirEntries entries;
};

// An entity tag as a listing keeps it: a hash of its opaque part (weak or strong), never 0.
uint64_t TagOf(std::string_view tag);
// A file name's extension, "" without one.
std::string ExtensionOf(const std::string& name);

// A listing larger than this is refused rather than held in memory.
constexpr size_t kMaxListingEntries = 250000;

// The author is a dead property: a server reads it from a store of its own for every entry, which
// makes a listing with it several times dearer than one without.
enum class ListedAuthor { Asked, NotAsked };

// folder: the full server path of the listed folder, ending in "/", in the system code page.
// Each block of the answer is counted against the watch; once it has expired the listing fails
// as a lost connection. With onlyName (a plain name) only that entry of the folder is asked for,
// with Depth 0, and the listing holds it alone or fails.
ListingOutcome ReadListing(ne_session* sess, std::string_view serverDir, std::string_view folder,
                           CProgressWatch& watch, ListedAuthor author = ListedAuthor::Asked,
                           std::string_view onlyName = {});

// The pieces, for tests.
// Whether neon's flattened DAV:resourcetype value holds a DAV:collection element.
bool IsCollectionValue(const char* pszValue);
// A DAV:getcontentlength value: digits only (white space around them allowed) and within
// 64 bits. False otherwise.
bool ParseContentLength(const char* pszValue, uint64_t& length);
