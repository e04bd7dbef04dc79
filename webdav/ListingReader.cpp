// SPDX-License-Identifier: Apache-2.0
#include "ListingReader.h"

#include <cctype>
#include <cstring>
#include <strings.h>

#include <ne_basic.h>
#include <ne_props.h>
#include <ne_request.h>
#include <ne_uri.h>

#include "DSProtocol.h"
#include "PathCodec.h"
#include "Trace.h"

namespace {

const ne_propname kResourceType = {"DAV:", "resourcetype"};
const ne_propname kLength = {"DAV:", "getcontentlength"};
const ne_propname kTag = {"DAV:", "getetag"};
const ne_propname kAuthor = {ds::kAuthorPropSpace, ds::kAuthorPropName};
// Only what the lists show, and the tag that tells a known file's author: an answer with every
// property is several times larger to send and to parse.
const ne_propname kListedProps[] = {kResourceType, kLength, kTag, kAuthor, {nullptr, nullptr}};
const ne_propname kListedPropsButAuthor[] = {kResourceType, kLength, kTag, {nullptr, nullptr}};
// A longer name cannot be a file here. It also catches hrefs that neon's parser cut: it keeps
// at most 2 KiB of an href, so a cut one leaves a name far over this.
constexpr size_t kMaxNameBytes = 255;

// The listed folder and the server it was asked of.
struct Collector {
    std::string scheme;
    std::string host;
    unsigned port = 80;
    std::vector<std::string> folderNames; // decoded, system code page
    std::string relatedPath;              // the folder relative to the server directory
    std::string onlyName;                 // one entry asked for, else the whole folder
    ListingOutcome* out = nullptr;
    bool bFolderSeen = false; // or, for one entry, that entry
    bool bOverflow = false;
};

// Splits a path at "/" into its names; with escaped input each name is decoded after the
// split, so an escaped "/" never makes a name of its own. False for a name that decodes to
// something unusable, or an empty name between two separators.
bool SplitPath(std::string_view path, bool bEscaped, std::vector<std::string>& names) {
    names.clear();
    if (path.empty() || path.front() != '/') {
        return false;
    }
    path.remove_prefix(1);
    if (!path.empty() && path.back() == '/') {
        path.remove_suffix(1);
    }
    if (path.empty()) {
        return true;
    }
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        std::string_view raw = path.substr(
            start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        std::string name = bEscaped ? Utf8ToAnsi(DecodePath(raw)) : std::string(raw);
        if (IsUnsafeLocalName(name) || (bEscaped && name.size() > kMaxNameBytes)) {
            return false;
        }
        names.push_back(std::move(name));
        if (slash == std::string_view::npos) {
            break;
        }
        start = slash + 1;
    }
    return true;
}

bool SameServer(const Collector& c, const ne_uri* uri) {
    if (uri->host == nullptr) {
        return true; // a relative reference
    }
    if (uri->scheme != nullptr && strcasecmp(uri->scheme, c.scheme.c_str()) != 0) {
        return false;
    }
    unsigned port = uri->port != 0 ? uri->port : ne_uri_defaultport(c.scheme.c_str());
    return strcasecmp(uri->host, c.host.c_str()) == 0 && port == c.port;
}

void OnResult(void* userdata, const ne_uri* uri, const ne_prop_result_set* results) {
    auto& c = *static_cast<Collector*>(userdata);
    if (uri == nullptr || uri->path == nullptr || results == nullptr || c.bOverflow) {
        return;
    }
    std::vector<std::string> names;
    if (!SameServer(c, uri) || !SplitPath(uri->path, true, names)) {
        TraceError("dshelf - ListingReader; entry refused: %.300s", uri->path);
        return;
    }
    const size_t depth = c.folderNames.size();
    const bool bItself = names.size() == depth;
    if ((!bItself && names.size() != depth + 1) ||
        !std::equal(c.folderNames.begin(), c.folderNames.end(), names.begin()) ||
        (!c.onlyName.empty() && (bItself || names.back() != c.onlyName || c.bFolderSeen))) {
        TraceError("dshelf - ListingReader; entry outside the folder: %.300s", uri->path);
        return;
    }
    if (c.out->entries.size() >= kMaxListingEntries) {
        c.bOverflow = true;
        return;
    }
    DirEntry e;
    e.bFolderItself = bItself;
    e.bDir = bItself || IsCollectionValue(ne_propset_value(results, &kResourceType));
    if (bItself) {
        c.bFolderSeen = true;
        e.fileName = names.empty() ? std::string() : names.back();
    } else {
        c.bFolderSeen = c.bFolderSeen || !c.onlyName.empty();
        e.fileName = names.back();
        if (!e.bDir) {
            // A length that cannot be read is unknown: never a size to compare or delete by.
            const char* length = ne_propset_value(results, &kLength);
            e.bLengthKnown = length != nullptr && ParseContentLength(length, e.length);
            if (length != nullptr && !e.bLengthKnown) {
                TraceError("dshelf - ListingReader; length \"%.40s\" of %s is unknown", length,
                           uri->path);
            }
            if (const char* author = ne_propset_value(results, &kAuthor)) {
                e.author = author;
            }
            if (const char* tag = ne_propset_value(results, &kTag)) {
                e.tag = TagOf(tag);
            }
        }
    }
    c.out->entries.push_back(std::move(e));
}

bool IsXmlType(const char* pszType) {
    if (pszType == nullptr) {
        return false;
    }
    std::string_view t(pszType);
    t = t.substr(0, t.find(';'));
    while (!t.empty() && t.back() == ' ') {
        t.remove_suffix(1);
    }
    return EqualsNoCase(t, "text/xml") || EqualsNoCase(t, "application/xml") ||
           EndsWithNoCase(t, "+xml");
}

// Reads nothing itself: it counts the answer's blocks against the listing's watch.
struct WatchReader {
    ne_session* sess;
    CProgressWatch& watch;

    static int Accept(void*, ne_request*, const ne_status*) { return 1; }
    static int Read(void* userdata, const char*, size_t len) {
        auto* self = static_cast<WatchReader*>(userdata);
        if (self->watch.Moved(len)) {
            return 0;
        }
        ne_set_error(self->sess, "%s", self->watch.Reason().c_str());
        return -1;
    }
};

void Fail(ListingOutcome& out, ds::ListResult result, std::string reason) {
    out.result = result;
    out.reason = std::move(reason);
    out.entries.clear();
    out.entries.shrink_to_fit();
}

} // namespace

std::string ExtensionOf(const std::string& name) {
    size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

// Weak and strong forms of one tag are one version: Apache tags a file changed within the last
// second weakly, and the same file strongly a second later.
uint64_t TagOf(std::string_view tag) {
    if (tag.substr(0, 2) == "W/") {
        tag.remove_prefix(2);
    }
    const uint64_t hash = std::hash<std::string_view>{}(tag);
    return hash != 0 ? hash : 1;
}

bool IsCollectionValue(const char* pszValue) {
    // neon flattens the children of resourcetype into "<NSname attrs>...</NSname>". A folder
    // holds the element collection of DAV: at the top level; text there is no element.
    if (pszValue == nullptr) {
        return false;
    }
    static const char kOpen[] = "<DAV:collection";
    static const char kClose[] = "</DAV:collection>";
    int depth = 0;
    bool bCollection = false;
    for (const char* p = pszValue; *p != '\0';) {
        if (std::isspace(static_cast<unsigned char>(*p))) {
            ++p;
            continue;
        }
        if (*p != '<') {
            if (depth == 0) {
                return false; // text beside the elements
            }
            ++p;
            continue;
        }
        const char* end = std::strchr(p, '>');
        if (end == nullptr) {
            return false;
        }
        if (p[1] == '/') {
            --depth;
            if (depth < 0) {
                return false;
            }
        } else {
            if (depth == 0 && std::strncmp(p, kOpen, sizeof kOpen - 1) == 0) {
                char next = p[sizeof kOpen - 1];
                if (next == '>' || next == ' ') {
                    const char* close = std::strstr(end, kClose);
                    bCollection = bCollection || close != nullptr;
                }
            }
            ++depth;
        }
        p = end + 1;
    }
    return depth == 0 && bCollection;
}

bool ParseContentLength(const char* pszValue, uint64_t& length) {
    length = 0;
    if (pszValue == nullptr) {
        return false;
    }
    const char* p = pszValue;
    while (std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    if (!std::isdigit(static_cast<unsigned char>(*p))) {
        return false;
    }
    uint64_t v = 0;
    for (; std::isdigit(static_cast<unsigned char>(*p)); ++p) {
        uint64_t digit = static_cast<uint64_t>(*p - '0');
        if (v > (UINT64_MAX - digit) / 10) {
            return false;
        }
        v = v * 10 + digit;
    }
    while (std::isspace(static_cast<unsigned char>(*p))) {
        ++p;
    }
    if (*p != '\0') {
        return false;
    }
    length = v;
    return true;
}

ListingOutcome ReadListing(ne_session* sess, std::string_view serverDir, std::string_view folder,
                           CProgressWatch& watch, ListedAuthor author, std::string_view onlyName) {
    ListingOutcome out;
    Collector c;
    c.out = &out;
    ne_uri server{};
    ne_fill_server_uri(sess, &server);
    c.scheme = server.scheme != nullptr ? server.scheme : "http";
    c.host = server.host != nullptr ? server.host : "";
    c.port = server.port != 0 ? server.port : ne_uri_defaultport(c.scheme.c_str());
    ne_uri_free(&server);
    if (!SplitPath(folder, false, c.folderNames)) {
        Fail(out, ds::kListRefused, "the folder's path is not usable");
        return out;
    }
    if (folder.size() >= serverDir.size() && folder.substr(0, serverDir.size()) == serverDir) {
        c.relatedPath = "/" + std::string(folder.substr(serverDir.size()));
    } else {
        c.relatedPath = "/";
    }

    c.onlyName = onlyName;
    const std::string wire = ToWirePath(std::string(folder) + c.onlyName);
    ne_propfind_handler* pf =
        ne_propfind_create(sess, wire.c_str(), onlyName.empty() ? NE_DEPTH_ONE : NE_DEPTH_ZERO);
    ne_request* req = ne_propfind_get_request(pf);
    WatchReader counter{sess, watch};
    ne_add_response_body_reader(req, WatchReader::Accept, WatchReader::Read, &counter);
    int ret = ne_propfind_named(
        pf, author == ListedAuthor::Asked ? kListedProps : kListedPropsButAuthor, OnResult, &c);
    const ne_status* st = ne_get_status(req);
    const int code = st != nullptr ? st->code : 0;
    out.status = code;
    const bool bXml = IsXmlType(ne_get_response_header(req, "Content-Type"));
    const std::string error = ne_get_error(sess);
    ne_propfind_destroy(pf);

    if (code == 0 || watch.HasExpired()) {
        Fail(out, ds::kListNoConnection, error);
    } else if (code != 207) {
        Fail(out, ds::kListRefused, "status " + std::to_string(code));
    } else if (ret != NE_OK) {
        Fail(out, ds::kListUnreadable, error);
    } else if (!bXml || !c.bFolderSeen) {
        Fail(out, ds::kListUnreadable, "the answer does not describe the folder");
    } else if (c.bOverflow) {
        Fail(out, ds::kListUnreadable, "more entries than a listing may hold");
    }
    out.relatedPath = c.relatedPath;
    return out;
}
